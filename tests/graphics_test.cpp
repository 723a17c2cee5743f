// The graphics half of the SDL2 platform layer: exact BMP loading, the opaque
// and keyed copies, clipping at every edge of both bitmaps, missing sheets.

#include "sheets.h"
#include "support.h"

#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

class Graphics : public ::testing::Test {
  protected:
    ScratchDir dir;
    TestImage source = coordinateSheet(horseTag, 60, 40);
    Sheet sheet = nullptr;
    DrawContext buffer = nullptr;
    DrawContext opened = nullptr;
    TestImage model{100, 80, std::vector<uint32_t>(100 * 80, 0)};

    void SetUp() override {
        dir.write("s.bmp", bmpBytes(source));
        sheet = loadSheet("s.bmp");
        ASSERT_NE(sheet, nullptr);
        buffer = createBackBuffer(100, 80);
        ASSERT_NE(buffer, nullptr);
        opened = openSheet(buffer, sheet);
    }
    void TearDown() override {
        closeSheet(opened);
        deleteSheet(sheet);
        deleteBackBuffer(buffer);
    }

    TestImage frame() const {
        TestImage image{100, 80, {}};
        readPixels(buffer, image.pixels);
        return image;
    }

    // Both copies at the same place, checked against the reference copy.
    void check(int x, int y, int w, int h, int sx, int sy) {
        for (bool keyed : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << (keyed ? "keyed" : "opaque") << " copy " << w << "x" << h << " from ("
                         << sx << "," << sy << ") to (" << x << "," << y << ")");
            model.pixels.assign(model.pixels.size(), 0x123456);
            ASSERT_TRUE(writePixels(buffer, model.pixels));
            referenceCopy(model, x, y, w, h, &source, sx, sy, keyed);
            if (keyed) {
                copyKeyed(buffer, x, y, w, h, opened, sx, sy);
            } else {
                copyOpaque(buffer, x, y, w, h, opened, sx, sy);
            }
            EXPECT_EQ(frame().pixels, model.pixels);
        }
    }
};

TEST_F(Graphics, LoadsABmpAtItsOwnSizeWithExactColours) {
    EXPECT_EQ(contextWidth(opened), 60);
    EXPECT_EQ(contextHeight(opened), 40);
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(readPixels(opened, pixels));
    EXPECT_EQ(pixels, source.pixels);
}

TEST_F(Graphics, BackBufferStartsBlack) {
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(readPixels(buffer, pixels));
    EXPECT_EQ(pixels, std::vector<uint32_t>(100 * 80, 0));
}

TEST_F(Graphics, OpaqueCopyDrawsBlueKeyedCopySkipsOnlyPureBlue) {
    check(10, 10, 60, 40, 0, 0);
    // The pattern has both kinds of blue inside the copied block.
    copyOpaque(buffer, 10, 10, 60, 40, opened, 0, 0);
    const TestImage opaque = frame();
    EXPECT_EQ(opaque.at(10, 10), keyBlue); // source (0, 0) is pure blue
    model.pixels.assign(model.pixels.size(), 0x123456);
    ASSERT_TRUE(writePixels(buffer, model.pixels));
    copyKeyed(buffer, 10, 10, 60, 40, opened, 0, 0);
    const TestImage keyed = frame();
    EXPECT_EQ(keyed.at(10, 10), 0x123456u);
    int almost = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            if (isAlmostBluePixel(x, y)) {
                EXPECT_EQ(keyed.at(10 + x, 10 + y), almostBlue);
                ++almost;
            }
        }
    }
    EXPECT_GT(almost, 0);
}

TEST_F(Graphics, ClipsToTheDestinationAtEveryEdge) {
    check(-25, 10, 60, 40, 0, 0);  // left
    check(70, 10, 60, 40, 0, 0);   // right
    check(10, -30, 60, 40, 0, 0);  // top
    check(10, 60, 60, 40, 0, 0);   // bottom
    check(-50, -35, 60, 40, 0, 0); // top left corner
    check(95, 75, 60, 40, 0, 0);   // bottom right corner
    check(-100, 10, 60, 40, 0, 0); // wholly outside
    check(100, 10, 60, 40, 0, 0);
    check(10, 80, 60, 40, 0, 0);
    check(10, -40, 60, 40, 0, 0);
}

TEST_F(Graphics, NeverReadsOutsideTheSheetAndKeepsTheAlignment) {
    check(10, 10, 60, 40, 30, 0);  // past the right edge: 30 columns drawn
    check(10, 10, 60, 40, 0, 25);  // past the bottom
    check(10, 10, 60, 40, -20, 0); // before the left edge: drawn from x 30
    check(10, 10, 60, 40, 0, -15); // before the top
    check(10, 10, 60, 40, 60, 0);  // wholly past the sheet
    check(10, 10, 60, 40, 0, 40);
    check(-5, -5, 80, 60, -10, -10); // both bitmaps clipped at once
    const TestImage before = frame();
    // Spot check: source column 59 lands at x 10 + 29 for sx 30, nothing right of it.
    model.pixels.assign(model.pixels.size(), 0);
    ASSERT_TRUE(writePixels(buffer, model.pixels));
    copyOpaque(buffer, 10, 10, 60, 40, opened, 30, 1);
    const TestImage after = frame();
    EXPECT_EQ(after.at(39, 10), source.at(59, 1));
    EXPECT_EQ(after.at(40, 10), 0u);
    (void)before;
}

TEST_F(Graphics, HugeAndEmptyRectanglesAreSafe) {
    check(0, 0, 0, 40, 0, 0);
    check(0, 0, 60, -1, 0, 0);
    check(2147483000, 10, 2000, 40, 0, 0);
    check(-2147483000, 10, 2000, 40, 0, 0);
    check(10, 10, 2147483647, 2147483647, 0, 0);
    check(10, 10, 60, 40, -2147483647, 0);
    check(10, 10, 60, 40, 2147483647, 2147483647);
}

TEST_F(Graphics, MissingSheetLoadsAsNullAndDrawsNothing) {
    EXPECT_EQ(loadSheet("no-such.bmp"), nullptr);
    dir.write("not-a.bmp", "this is not a bitmap");
    EXPECT_EQ(loadSheet("not-a.bmp"), nullptr);
    DrawContext missing = openSheet(buffer, nullptr);
    EXPECT_EQ(contextWidth(missing), 0);
    std::vector<uint32_t> pixels;
    EXPECT_FALSE(readPixels(missing, pixels));
    copyOpaque(buffer, 0, 0, 100, 80, missing, 0, 0);
    copyKeyed(buffer, 0, 0, 100, 80, missing, 0, 0);
    copyKeyed(buffer, 0, 0, 100, 80, nullptr, 0, 0);
    closeSheet(missing);
    EXPECT_EQ(frame().pixels, std::vector<uint32_t>(100 * 80, 0));
    deleteSheet(nullptr);
    closeSheet(nullptr);
    deleteBackBuffer(nullptr);
    EXPECT_EQ(createBackBuffer(0, 10), nullptr);
}

TEST_F(Graphics, ClosingTheSheetLeavesItIntact) {
    closeSheet(opened);
    opened = openSheet(buffer, sheet);
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(readPixels(opened, pixels));
    EXPECT_EQ(pixels, source.pixels);
}

} // namespace
