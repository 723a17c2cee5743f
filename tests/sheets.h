// Synthetic sprite sheets for the view and recorder tests: every pixel encodes
// which sheet it belongs to and its own coordinates, so a test can tell which
// source pixel landed where. A sparse pattern of pure-blue (key) pixels and of
// almost-blue pixels tests the colour key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t keyBlue = 0x0000FF;
constexpr uint32_t almostBlue = 0x0000FE;

enum SheetTag : uint32_t { courseTag = 0, horseTag = 1, uniformTag = 2, gateTag = 3 };

// 0x800000 | tag << 20 | x << 10 | y: never black, never blue; x, y < 1024.
inline uint32_t encodePixel(uint32_t tag, int x, int y) {
    return 0x800000u | tag << 20 | static_cast<uint32_t>(x) << 10 | static_cast<uint32_t>(y);
}

struct TestImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0xRRGGBB, top row first
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A coordinate sheet; with `withKey`, pixels where (7x + 13y) mod 101 is 0 are
// pure blue and where it is 50 almost blue.
TestImage coordinateSheet(uint32_t tag, int width, int height, bool withKey = true);
bool isKeyPixel(int x, int y);
bool isAlmostBluePixel(int x, int y);

// The sheets at their smallest working sizes (uniform: two columns, 76 wide).
TestImage testCourseSheet();
TestImage testHorseSheet();
TestImage testUniformSheet();
TestImage testGateSheet();

// A 24-bit bottom-up BMP file of the image.
std::string bmpBytes(const TestImage& image);

// Writes the four test sheets as image/*.bmp into the current directory
// (under `dir` when given).
void writeTestSheets(const std::string& dir = ".");

// The reference copy of the tests: w × h pixels from (sx, sy) of `source` to
// (x, y) of `target`, pixel by pixel, skipping any pixel outside either image
// and, for a keyed copy, pure blue.
void referenceCopy(TestImage& target, int x, int y, int w, int h, const TestImage* source, int sx,
                   int sy, bool keyed);
