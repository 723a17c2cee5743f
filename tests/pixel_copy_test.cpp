// The keyed copy through a sheet's opaque runs against the plain
// pixel-by-pixel keyed copy: the same words in the target, whatever the key
// pixels' places, the clipping and the top bytes.

#include "platform/pixel_copy.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct Bitmap {
    int width, height;
    std::vector<uint32_t> pixels;
    Bitmap(int w, int h, uint32_t fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    PixelRows rows() { return PixelRows{pixels.data(), width, height, width}; }
    uint32_t& at(int x, int y) { return pixels[size_t(y) * width + x]; }
};

// Both copies into two equal targets; the targets must stay equal. The copy
// by runs goes twice, so that a block drawn whole is drawn once as its plan
// is made and once from the kept plan.
void expectSameCopy(Bitmap& sheet, PixelRuns& runs, int targetWidth, int targetHeight, int x, int y,
                    int w, int h, int sx, int sy) {
    Bitmap plain(targetWidth, targetHeight, 0x5A123456);
    Bitmap withRuns = plain;
    copyPixelsKeyed(plain.rows(), x, y, w, h, sheet.rows(), sx, sy);
    copyPixelsKeyedRuns(withRuns.rows(), x, y, w, h, sheet.rows(), runs, sx, sy);
    Bitmap again = withRuns;
    copyPixelsKeyedRuns(again.rows(), x, y, w, h, sheet.rows(), runs, sx, sy);
    EXPECT_EQ(again.pixels, withRuns.pixels);
    EXPECT_EQ(withRuns.pixels, plain.pixels)
        << w << "x" << h << " from (" << sx << "," << sy << ") of a " << sheet.width << "x"
        << sheet.height << " sheet to (" << x << "," << y << ") of " << targetWidth << "x"
        << targetHeight;
}

TEST(PixelRuns, KeyPixelsAtRowEdgesAndBlockEdges) {
    // 70 columns: wider than one block of the run index.
    Bitmap sheet(70, 10, 0x00336699);
    for (int x = 0; x < 70; ++x) {
        sheet.at(x, 0) = pixelColourKey;             // a row of nothing but the key
        sheet.at(x, 3) = x % 2 ? pixelColourKey : x; // every other pixel
        sheet.at(x, 6) = x >= 60 && x < 68 ? pixelColourKey : 0x00FF00; // key across the block edge
    }
    sheet.at(0, 2) = sheet.at(69, 2) = pixelColourKey; // key at both ends of a row
    for (int x = 1; x < 70; ++x) {
        sheet.at(x, 4) = sheet.at(x - 1, 5) = pixelColourKey; // one opaque pixel at either end
    }
    sheet.at(63, 7) = sheet.at(64, 7) = pixelColourKey; // a run ends and one starts at the edge
    sheet.at(10, 8) = 0xFF0000FF;                       // the key with a top byte
    sheet.at(11, 8) = 0xAB0000FE;                       // almost the key, with a top byte
    sheet.at(12, 9) = 0x010000FF;
    PixelRuns runs;
    prepareSheet(sheet.rows(), runs);

    struct Case {
        int x, y, w, h, sx, sy;
    };
    const Case cases[] = {
        {5, 5, 70, 10, 0, 0},       // all of it
        {-7, 3, 70, 10, 0, 0},      // clipped left
        {30, 3, 70, 10, 0, 0},      // clipped right
        {5, -4, 70, 10, 0, 0},      // clipped top
        {5, 16, 70, 10, 0, 0},      // clipped bottom
        {-3, -2, 200, 200, -5, -1}, // clipped on every side of both bitmaps
        {0, 0, 70, 10, 60, 0},      // from past the sheet's right edge
        {0, 0, 20, 10, 63, 0},      // from one column before a block edge
        {0, 0, 20, 10, 64, 0},      // from the block edge
        {0, 0, 3, 10, 65, 0},
        {0, 0, 1, 10, 69, 0},  // the last column alone
        {2, 2, 5, 10, 7, 0},   // from inside the first block
        {0, 0, 70, 10, 0, 9},  // the last row alone
        {0, 0, 70, 10, 70, 0}, // wholly past the sheet
        {90, 0, 70, 10, 0, 0}, // wholly past the target
        {0, 0, 0, 10, 0, 0},   // nothing
        {0, 0, 70, -1, 0, 0},
        {2147483000, 0, 2000, 10, 0, 0},
        {0, 0, 2147483647, 2147483647, -2147483647, 0},
    };
    for (const Case& c : cases) {
        expectSameCopy(sheet, runs, 90, 24, c.x, c.y, c.w, c.h, c.sx, c.sy);
    }
}

TEST(PixelRuns, RandomSheetsAndCopies) {
    std::mt19937 random(20240611);
    auto between = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int sheetCase = 0; sheetCase < 60; ++sheetCase) {
        Bitmap sheet(between(1, 200), between(1, 12), 0);
        const int keyPercent = between(0, 100);
        for (uint32_t& pixel : sheet.pixels) {
            const uint32_t top = between(0, 3) == 0 ? uint32_t(between(1, 255)) << 24 : 0;
            pixel = top |
                    (between(0, 99) < keyPercent ? pixelColourKey : uint32_t(between(0, 0xFFFFFF)));
        }
        PixelRuns runs;
        prepareSheet(sheet.rows(), runs);
        for (int copy = 0; copy < 40; ++copy) {
            expectSameCopy(sheet, runs, between(1, 120), between(1, 16), between(-60, 120),
                           between(-10, 16), between(-2, 220), between(-2, 14),
                           between(-30, sheet.width + 5), between(-5, sheet.height + 2));
        }
    }
}

TEST(PixelRuns, ANullOrEmptySheetGetsNoRunsAndDrawsNothing) {
    PixelRuns runs;
    prepareSheet(PixelRows{nullptr, 10, 10, 10}, runs);
    EXPECT_TRUE(runs.runs.empty());
    Bitmap target(4, 4, 7);
    copyPixelsKeyedRuns(target.rows(), 0, 0, 4, 4, PixelRows{nullptr, 10, 10, 10}, runs, 0, 0);
    // Runs that do not belong to the sheet are not trusted.
    Bitmap sheet(4, 4, 1);
    copyPixelsKeyedRuns(target.rows(), 0, 0, 4, 4, sheet.rows(), runs, 0, 0);
    EXPECT_EQ(target.pixels, std::vector<uint32_t>(16, 7));
}

} // namespace
