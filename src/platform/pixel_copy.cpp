// Exact copies over 32-bit words: the colour key matches to the bit, and the
// clipping keeps every read and write inside its bitmap.

#include "platform/pixel_copy.h"

#include "platform/copy_clip.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t* rowAt(const PixelRows& bitmap, int64_t y) {
    return bitmap.pixels + y * bitmap.pitch;
}

bool clip(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from, int sx, int sy,
          CopySpan& span) {
    return to.pixels != nullptr && from.pixels != nullptr &&
           clipCopy(to.width, to.height, from.width, from.height, x, y, w, h, sx, sy, span);
}

bool isKey(uint32_t pixel) {
    return (pixel & pixelRgbMask) == pixelColourKey;
}

} // namespace

void prepareSheet(const PixelRows& sheet, PixelRuns& runs) {
    runs.rowStart.clear();
    runs.runs.clear();
    if (sheet.pixels == nullptr || sheet.width <= 0 || sheet.height <= 0) {
        return;
    }
    runs.rowStart.reserve(static_cast<size_t>(sheet.height) + 1);
    for (int64_t r = 0; r < sheet.height; ++r) {
        runs.rowStart.push_back(runs.runs.size());
        uint32_t* row = rowAt(sheet, r);
        int32_t c = 0;
        while (c < sheet.width) {
            while (c < sheet.width && isKey(row[c])) {
                ++c;
            }
            const int32_t begin = c;
            while (c < sheet.width && !isKey(row[c])) {
                row[c] &= pixelRgbMask;
                ++c;
            }
            if (c > begin) {
                runs.runs.push_back(PixelRun{begin, c});
            }
        }
    }
    runs.rowStart.push_back(runs.runs.size());
}

void copyPixelsOpaque(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from,
                      int sx, int sy) {
    CopySpan span;
    if (!clip(to, x, y, w, h, from, sx, sy, span)) {
        return;
    }
    const size_t bytes = static_cast<size_t>(span.w) * sizeof(uint32_t);
    for (int64_t r = 0; r < span.h; ++r) {
        // memmove: the two bitmaps may be one and the same.
        std::memmove(rowAt(to, span.y + r) + span.x, rowAt(from, span.sy + r) + span.sx, bytes);
    }
}

void copyPixelsKeyed(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from, int sx,
                     int sy) {
    CopySpan span;
    if (!clip(to, x, y, w, h, from, sx, sy, span)) {
        return;
    }
    for (int64_t r = 0; r < span.h; ++r) {
        uint32_t* out = rowAt(to, span.y + r) + span.x;
        const uint32_t* in = rowAt(from, span.sy + r) + span.sx;
        for (int64_t c = 0; c < span.w; ++c) {
            const uint32_t pixel = in[c] & pixelRgbMask;
            if (pixel != pixelColourKey) {
                out[c] = pixel;
            }
        }
    }
}

void copyPixelsKeyedRuns(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from,
                         const PixelRuns& runs, int sx, int sy) {
    CopySpan span;
    if (!clip(to, x, y, w, h, from, sx, sy, span) ||
        runs.rowStart.size() != static_cast<size_t>(from.height) + 1) {
        return;
    }
    const int32_t first = span.sx;
    const int32_t last = span.sx + span.w; // exclusive
    for (int64_t r = 0; r < span.h; ++r) {
        const int64_t sourceRow = span.sy + r;
        const PixelRun* run = runs.runs.data() + runs.rowStart[static_cast<size_t>(sourceRow)];
        const PixelRun* end = runs.runs.data() + runs.rowStart[static_cast<size_t>(sourceRow) + 1];
        // The first run that reaches into the block.
        run = std::upper_bound(run, end, first,
                               [](int32_t column, const PixelRun& each) { return column < each.end; });
        uint32_t* out = rowAt(to, span.y + r) + span.x;
        const uint32_t* in = rowAt(from, sourceRow);
        for (; run != end && run->begin < last; ++run) {
            const int32_t begin = std::max(run->begin, first);
            const int32_t stop = std::min(run->end, last);
            std::memmove(out + (begin - first), in + begin,
                         static_cast<size_t>(stop - begin) * sizeof(uint32_t));
        }
    }
}
