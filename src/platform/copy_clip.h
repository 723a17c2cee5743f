// The clipping shared by every platform's copies: the part of a w × h copy
// from (sx, sy) of a source bitmap to (x, y) of a target bitmap that lies
// inside both. No system header here.
#pragma once

#include <algorithm>
#include <cstdint>

struct CopySpan {
    int x, y, sx, sy, w, h;
};

// False when nothing of the copy lies inside both bitmaps. The arithmetic is
// 64-bit, so that no position can overflow. Both sides move together, so every
// pixel that is drawn lands where it would have landed in an unclipped copy.
inline bool clipCopy(int targetWidth, int targetHeight, int sourceWidth, int sourceHeight, int x,
                     int y, int w, int h, int sx, int sy, CopySpan& out) {
    if (w <= 0 || h <= 0) {
        return false;
    }
    int64_t x0 = x, y0 = y, sx0 = sx, sy0 = sy;
    int64_t x1 = x0 + w, y1 = y0 + h; // exclusive ends, destination side
    // Left and top: skip what lies before either bitmap's edge.
    const int64_t skipX = std::max({int64_t{0}, -x0, -sx0});
    const int64_t skipY = std::max({int64_t{0}, -y0, -sy0});
    x0 += skipX;
    sx0 += skipX;
    y0 += skipY;
    sy0 += skipY;
    // Right and bottom: stop at either bitmap's edge.
    x1 = std::min({x1, int64_t{targetWidth}, x0 + (sourceWidth - sx0)});
    y1 = std::min({y1, int64_t{targetHeight}, y0 + (sourceHeight - sy0)});
    if (x1 <= x0 || y1 <= y0) {
        return false;
    }
    // Every value now lies inside a bitmap, so it fits an int again.
    out = CopySpan{static_cast<int>(x0),  static_cast<int>(y0),      static_cast<int>(sx0),
                   static_cast<int>(sy0), static_cast<int>(x1 - x0), static_cast<int>(y1 - y0)};
    return true;
}
