// Copies between 32-bit bitmaps held in memory, shared by every platform layer
// that keeps its own pixels (SDL2 surfaces, the web build's buffers). Each
// pixel is one word, 0x00RRGGBB in native byte order; the top byte is not
// part of the colour. No system header here.
//
// A platform layer that loads a sprite sheet into memory calls prepareSheet
// once on its pixels and keeps the PixelRuns beside them; every keyed copy
// from that sheet then goes through copyPixelsKeyedRuns, which copies the
// opaque runs of each row whole instead of testing pixel by pixel. Bitmaps
// without runs (a back buffer) use copyPixelsKeyed. Both give the same pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

struct PixelRows {
    uint32_t* pixels;  // the top-left pixel; null for no bitmap
    int width, height; // in pixels
    int64_t pitch;     // words from one row to the next
};

// The colour key: red 0, green 0, blue 255.
constexpr uint32_t pixelColourKey = 0x000000FFu;
constexpr uint32_t pixelRgbMask = 0x00FFFFFFu;

// One opaque run: columns begin to end - 1 of a row, none of them the key,
// whose pixels are packed[at] up to packed[at + end - begin].
struct PixelRun {
    int32_t begin, end;
    size_t at;
};

// The opaque runs of a bitmap, row by row, left to right: the runs of row y
// are runs[rowStart[y]] up to runs[rowStart[y + 1]]. Runs are as long as
// they can be (two runs of a row never touch), so a row without the key is
// one run and a row of nothing but the key has none. The opaque pixels are
// also kept packed, run after run, so that a keyed copy reads only them, in
// order, and not the key pixels between them. So that a copy from the
// middle of a row finds its first run at once, blockFirst holds for every
// row and every block of runBlockWidth columns (blocksPerRow blocks a row)
// the position, counted from the row's first run, of the first run that ends
// after the block's first column.
constexpr int runBlockWidth = 64;

// A keyed copy from one part of a sheet, worked out once: the opaque runs
// of the part cut into pieces of 16, 8, 4, 2 and 1 words, so that drawing the
// part again is five plain loops with no test per run. Each run is cut into
// pieces of the largest size it holds, which cover it exactly, the last one
// overlapping the one before it where the run's length is not a multiple of
// the size (both write the same pixels). Sprites are drawn from a few parts
// of their sheets over and over, and their runs are short, so this is where
// a frame's time goes.
struct PixelPiece {
    uint16_t row, column; // inside the part
    uint32_t at;          // the first of its pixels in PixelRuns::packed
};
constexpr size_t pieceSizes = 5;
struct PixelPlan {
    std::vector<PixelPiece> pieces; // the 16-word pieces, then the 8-, 4-, 2- and 1-word ones
    size_t end[pieceSizes] = {};    // where the pieces of each size end
};
// Only parts this small get plans (a sprite, not a strip of scenery), and a
// sheet keeps at most this many pieces in all; other copies go run by run.
constexpr int maxPlannedSide = 256;
constexpr size_t maxPlannedPieces = size_t{1} << 20;

struct PixelRuns {
    std::vector<size_t> rowStart; // height + 1 entries
    std::vector<PixelRun> runs;
    int64_t blocksPerRow = 0;
    std::vector<uint32_t> blockFirst; // height × blocksPerRow entries
    std::vector<uint32_t> packed;     // every run's pixels, top byte cleared
    // Plans of the parts drawn so far (after clipping), by position and
    // size; made by the first copy of a part, so copies from one sheet must
    // not run at the same time.
    std::unordered_map<uint64_t, PixelPlan> plans;
    size_t plannedPieces = 0;
};

// Readies a freshly loaded sheet for keyed copies: finds the opaque runs of
// every row and packs their pixels. The runs stay valid as long as the
// pixels are not changed. A null or empty bitmap gets no runs.
void prepareSheet(const PixelRows& sheet, PixelRuns& runs);

// Copies the w × h block at (sx, sy) of `from` to (x, y) of `to`, clipped to
// both bitmaps; nothing outside either is read or written. The keyed copies
// skip source pixels whose colour is exactly the key, and write the others
// with the top byte cleared.
void copyPixelsOpaque(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from,
                      int sx, int sy);
void copyPixelsKeyed(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from, int sx,
                     int sy);
// The same as copyPixelsKeyed for a sheet readied by prepareSheet, with
// `runs` its runs: the opaque runs inside the copied block are copied whole
// from the packed pixels, through the plan of the part drawn when it has or
// gets one.
void copyPixelsKeyedRuns(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from,
                         PixelRuns& runs, int sx, int sy);
