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

// Fixed-size copies, which the compiler turns into plain loads and stores.
template <size_t words> void copyBlock(uint32_t* out, const uint32_t* in) {
    std::memcpy(out, in, words * sizeof(uint32_t));
}

// n words, words <= n <= 2 * words, as two blocks that may overlap.
template <size_t words> void copyEnds(uint32_t* out, const uint32_t* in, size_t n) {
    copyBlock<words>(out, in);
    copyBlock<words>(out + n - words, in + n - words);
}

// Copies n ≥ 1 words between two bitmaps that do not overlap. Short runs
// go as two overlapping blocks through registers, with no call; longer ones
// in blocks of 8 words, which beats the library's memcpy on rows of a few
// thousand bytes that start anywhere.
[[gnu::always_inline]] inline void copyWords(uint32_t* out, const uint32_t* in, size_t n) {
#ifndef __OPTIMIZE__
    // Unoptimised (and sanitizer) builds would call memcpy for every block:
    // there one call per run is quicker, and checks the whole run at once.
    std::memcpy(out, in, n * sizeof(uint32_t));
    return;
#endif
    if (n > 16) {
        for (size_t i = 0; i + 8 < n; i += 8) {
            copyBlock<8>(out + i, in + i);
        }
        copyBlock<8>(out + n - 8, in + n - 8);
    } else if (n >= 8) {
        copyEnds<8>(out, in, n);
    } else if (n >= 4) {
        copyEnds<4>(out, in, n);
    } else if (n >= 2) {
        copyEnds<2>(out, in, n);
    } else {
        out[0] = in[0];
    }
}

} // namespace

void prepareSheet(const PixelRows& sheet, PixelRuns& runs) {
    runs = PixelRuns{};
    if (sheet.pixels == nullptr || sheet.width <= 0 || sheet.height <= 0) {
        return;
    }
    runs.blocksPerRow = (int64_t{sheet.width} + runBlockWidth - 1) / runBlockWidth;
    runs.rowStart.reserve(static_cast<size_t>(sheet.height) + 1);
    runs.blockFirst.reserve(static_cast<size_t>(sheet.height * runs.blocksPerRow));
    // Plain loops over the words: loading a sheet stays quick in unoptimised
    // and instrumented builds too.
    for (int64_t r = 0; r < sheet.height; ++r) {
        const size_t rowFirst = runs.runs.size();
        runs.rowStart.push_back(rowFirst);
        const uint32_t* row = rowAt(sheet, r);
        const int32_t width = sheet.width;
        int32_t c = 0;
        while (c < width) {
            while (c < width && (row[c] & pixelRgbMask) == pixelColourKey) {
                ++c;
            }
            const int32_t begin = c;
            while (c < width && (row[c] & pixelRgbMask) != pixelColourKey) {
                ++c;
            }
            if (c > begin) {
                runs.runs.push_back(PixelRun{begin, c, runs.packed.size()});
                runs.packed.insert(runs.packed.end(), row + begin, row + c);
            }
        }
        size_t run = rowFirst;
        for (int64_t block = 0; block < runs.blocksPerRow; ++block) {
            while (run < runs.runs.size() && runs.runs[run].end <= block * runBlockWidth) {
                ++run;
            }
            runs.blockFirst.push_back(static_cast<uint32_t>(run - rowFirst));
        }
    }
    uint32_t* packed = runs.packed.data();
    for (size_t i = 0, n = runs.packed.size(); i < n; ++i) {
        packed[i] &= pixelRgbMask;
    }
    runs.rowStart.push_back(runs.runs.size());
}

void copyPixelsOpaque(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from,
                      int sx, int sy) {
    CopySpan span;
    if (!clip(to, x, y, w, h, from, sx, sy, span)) {
        return;
    }
    const size_t words = static_cast<size_t>(span.w);
    for (int64_t r = 0; r < span.h; ++r) {
        uint32_t* out = rowAt(to, span.y + r) + span.x;
        const uint32_t* in = rowAt(from, span.sy + r) + span.sx;
        if (to.pixels == from.pixels) {
            std::memmove(out, in, words * sizeof(uint32_t)); // within one bitmap
        } else {
            copyWords(out, in, words);
        }
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

namespace {

// Calls visit(row, begin, stop, at) for each opaque run, or part of one,
// inside columns span.sx up to span.sx + span.w of span.h rows from span.sy:
// row counts from the span's first, and the run's pixels are packed[at] on.
template <typename Visit>
void forEachRunIn(const PixelRuns& runs, const CopySpan& span, Visit visit) {
    // Everything the loops need, in locals: the copies write through plain
    // words, which the compiler must otherwise assume may change the vectors.
    const int32_t first = span.sx;
    const int32_t last = span.sx + span.w; // exclusive
    const size_t block = static_cast<size_t>(first / runBlockWidth);
    const size_t blocksPerRow = static_cast<size_t>(runs.blocksPerRow);
    const size_t* const rowStart = runs.rowStart.data() + span.sy;
    const uint32_t* const blockFirst = runs.blockFirst.data() + block;
    const PixelRun* const allRuns = runs.runs.data();
    for (int64_t r = 0; r < span.h; ++r) {
        const PixelRun* end = allRuns + rowStart[r + 1];
        // The block's first run, then on to the first run that reaches into the copy.
        const PixelRun* run =
            allRuns + rowStart[r] + blockFirst[static_cast<size_t>(span.sy + r) * blocksPerRow];
        while (run != end && run->end <= first) {
            ++run;
        }
        for (; run != end && run->begin < last; ++run) {
            const int32_t begin = std::max(run->begin, first);
            const int32_t stop = std::min(run->end, last);
            visit(r, begin - first, stop - first,
                  run->at + static_cast<size_t>(begin - run->begin));
        }
    }
}

// The sizes of the pieces, largest first.
constexpr int32_t pieceWords[pieceSizes] = {16, 8, 4, 2, 1};

PixelPlan makePlan(const PixelRuns& runs, const CopySpan& span) {
    std::vector<PixelPiece> bySize[pieceSizes];
    forEachRunIn(runs, span, [&](int64_t r, int32_t begin, int32_t stop, size_t at) {
        // The largest size the run holds, in pieces that cover it, the last
        // one ending where the run ends.
        const int32_t n = stop - begin;
        size_t size = 0;
        while (pieceWords[size] > n) {
            ++size;
        }
        const int32_t words = pieceWords[size];
        for (int32_t k = 0;; k += words) {
            const int32_t offset = std::min(k, n - words);
            bySize[size].push_back(PixelPiece{static_cast<uint16_t>(r),
                                              static_cast<uint16_t>(begin + offset),
                                              static_cast<uint32_t>(at + size_t(offset))});
            if (offset + words >= n) {
                break;
            }
        }
    });
    PixelPlan plan;
    for (size_t size = 0; size < pieceSizes; ++size) {
        plan.pieces.insert(plan.pieces.end(), bySize[size].begin(), bySize[size].end());
        plan.end[size] = plan.pieces.size();
    }
    plan.pieces.shrink_to_fit();
    return plan;
}

// The plan of the part of a sheet a copy draws, made if there is room for
// it; null where the part is too big or the sheet has no room left.
const PixelPlan* planFor(PixelRuns& runs, const CopySpan& span) {
    if (span.w > maxPlannedSide || span.h > maxPlannedSide) {
        return nullptr;
    }
    // Positions inside a sheet are below 2^23 and sides at most 256.
    const uint64_t key = (uint64_t(span.sx) << 40) | (uint64_t(span.sy) << 16) |
                         (uint64_t(span.w - 1) << 8) | uint64_t(span.h - 1);
    if (auto found = runs.plans.find(key); found != runs.plans.end()) {
        return &found->second;
    }
    if (runs.plannedPieces >= maxPlannedPieces) {
        return nullptr;
    }
    PixelPlan& plan = runs.plans[key] = makePlan(runs, span);
    runs.plannedPieces += plan.pieces.size();
    return &plan;
}

template <size_t words>
void copyPieces(uint32_t* out, int64_t pitch, const uint32_t* packed, const PixelPiece* piece,
                const PixelPiece* end) {
    for (; piece != end; ++piece) {
        copyBlock<words>(out + piece->row * pitch + piece->column, packed + piece->at);
    }
}

} // namespace

void copyPixelsKeyedRuns(const PixelRows& to, int x, int y, int w, int h, const PixelRows& from,
                         PixelRuns& runs, int sx, int sy) {
    CopySpan span;
    if (!clip(to, x, y, w, h, from, sx, sy, span) ||
        runs.rowStart.size() != static_cast<size_t>(from.height) + 1 ||
        runs.blockFirst.size() != static_cast<size_t>(from.height * runs.blocksPerRow)) {
        return;
    }
    uint32_t* const out = rowAt(to, span.y) + span.x;
    const int64_t pitch = to.pitch;
    const uint32_t* const packed = runs.packed.data();
    if (const PixelPlan* plan = planFor(runs, span)) {
        const PixelPiece* pieces = plan->pieces.data();
        copyPieces<16>(out, pitch, packed, pieces, pieces + plan->end[0]);
        copyPieces<8>(out, pitch, packed, pieces + plan->end[0], pieces + plan->end[1]);
        copyPieces<4>(out, pitch, packed, pieces + plan->end[1], pieces + plan->end[2]);
        copyPieces<2>(out, pitch, packed, pieces + plan->end[2], pieces + plan->end[3]);
        copyPieces<1>(out, pitch, packed, pieces + plan->end[3], pieces + plan->end[4]);
        return;
    }
    forEachRunIn(runs, span, [&](int64_t r, int32_t begin, int32_t stop, size_t at) {
        copyWords(out + r * pitch + begin, packed + at, static_cast<size_t>(stop - begin));
    });
}
