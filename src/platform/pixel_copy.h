// Copies between 32-bit bitmaps held in memory, shared by every platform layer
// that keeps its own pixels (SDL2 surfaces, the web build's buffers). Each
// pixel is one word, 0x00RRGGBB in native byte order; the top byte is not
// part of the colour. No system header here.
#pragma once

#include <cstdint>

struct PixelRows {
    uint32_t* pixels;  // the top-left pixel; null for no bitmap
    int width, height; // in pixels
    int64_t pitch;     // words from one row to the next
};

// The colour key: red 0, green 0, blue 255.
constexpr uint32_t pixelColourKey = 0x000000FFu;
constexpr uint32_t pixelRgbMask = 0x00FFFFFFu;

// Copies the w × h block at (sx, sy) of `from` to (x, y) of `to`, clipped to
// both bitmaps; nothing outside either is read or written. The keyed copy
// skips source pixels whose colour is exactly the key.
void copyPixelsOpaque(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from,
                      int sx, int sy);
void copyPixelsKeyed(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from, int sx,
                     int sy);
