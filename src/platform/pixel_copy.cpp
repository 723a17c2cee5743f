// Exact copies over 32-bit words: the colour key matches to the bit, and the
// clipping keeps every read and write inside its bitmap.

#include "platform/pixel_copy.h"

#include "platform/copy_clip.h"

#include <cstring>

namespace {

uint32_t* rowAt(const PixelRows& bitmap, int64_t y) {
    return bitmap.pixels + y * bitmap.pitch;
}

template <bool keyed>
void copyPixels(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from, int sx,
                int sy) {
    CopySpan span;
    if (to.pixels == nullptr || from.pixels == nullptr ||
        !clipCopy(to.width, to.height, from.width, from.height, x, y, w, h, sx, sy, span)) {
        return;
    }
    for (int64_t r = 0; r < span.h; ++r) {
        uint32_t* out = rowAt(to, span.y + r) + span.x;
        const uint32_t* in = rowAt(from, span.sy + r) + span.sx;
        if (keyed) {
            for (int64_t c = 0; c < span.w; ++c) {
                const uint32_t pixel = in[c] & pixelRgbMask;
                if (pixel != pixelColourKey) {
                    out[c] = pixel;
                }
            }
        } else {
            std::memmove(out, in, static_cast<size_t>(span.w) * sizeof(uint32_t));
        }
    }
}

} // namespace

void copyPixelsOpaque(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from,
                      int sx, int sy) {
    copyPixels<false>(to, x, y, w, h, from, sx, sy);
}

void copyPixelsKeyed(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from, int sx,
                     int sy) {
    copyPixels<true>(to, x, y, w, h, from, sx, sy);
}
