// The art checker on small sheets made here: each case starts from a sheet
// that checks clean and breaks one thing, and the finding must name it.
#include "sheets.h"

#include "sheets/check.h"
#include "sheets/layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kGrey = 0x808080;

struct Size {
    int width, height;
};

Size layoutSize(const std::string& sheet) {
    Size size{0, 0};
    for (const SheetCell& cell : sheetLayout(sheet)) {
        size.width = std::max(size.width, cell.x + cell.width);
        size.height = std::max(size.height, cell.y + cell.height);
    }
    return size;
}

// A sheet that checks clean: all key, but the course, whose opaque strips
// must not be blue, is all grey.
TestImage cleanSheet(const std::string& sheet, Size size) {
    TestImage image;
    image.width = size.width;
    image.height = size.height;
    image.pixels.assign(static_cast<size_t>(size.width) * size.height,
                        sheet == "course.bmp" ? kGrey : keyBlue);
    return image;
}

void put(TestImage& image, int x, int y, uint32_t rgb) {
    image.pixels[static_cast<size_t>(y) * image.width + x] = rgb;
}

void put32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

// The same picture stored with its rows top down (a negative height).
std::string topDownBytes(const TestImage& image) {
    TestImage flipped = image;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            put(flipped, x, y, image.at(x, image.height - 1 - y));
        }
    }
    std::string bytes = bmpBytes(flipped);
    put32(bytes, 22, static_cast<uint32_t>(-image.height));
    return bytes;
}

// The image as a 32-bit file with a 40-byte header and the red, green and
// blue masks after it (and an empty alpha mask for compression 6).
std::string maskedBytes(const TestImage& image, uint32_t compression, uint32_t red, uint32_t green,
                        uint32_t blue) {
    const uint32_t masks = compression == 6 ? 16 : 12;
    const uint32_t pixelsAt = 14 + 40 + masks;
    std::string bytes(pixelsAt + 4 * image.pixels.size(), '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    put32(bytes, 10, pixelsAt);
    put32(bytes, 14, 40);
    put32(bytes, 18, static_cast<uint32_t>(image.width));
    put32(bytes, 22, static_cast<uint32_t>(image.height));
    put32(bytes, 26, 1 | 32 << 16);
    put32(bytes, 30, compression);
    put32(bytes, 54, red);
    put32(bytes, 58, green);
    put32(bytes, 62, blue);
    size_t at = pixelsAt;
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x, at += 4) {
            put32(bytes, at, image.at(x, y));
        }
    }
    return bytes;
}

std::string garbageBytes(const TestImage&) {
    return std::string(4000, 'x');
}

std::string truncatedBytes(const TestImage& image) {
    return bmpBytes(image).substr(0, 100);
}

// The file's compression says its pixels are a PNG picture.
std::string pngInsideBytes(const TestImage& image) {
    std::string bytes = bmpBytes(image);
    put32(bytes, 30, 5);
    return bytes;
}

struct Dot {
    int x, y;
    uint32_t rgb;
};

struct Case {
    const char* what;
    std::string sheet;
    Size size;                             // {0, 0}: the layout's own size
    std::vector<Dot> dots;                 // pixels changed on the clean sheet
    std::string (*file)(const TestImage&); // how the sheet is saved
    bool blocking;                         // some finding blocks
    std::vector<std::string> mentioned;    // pieces of the findings' text, in order
};

std::string findingsText(const std::vector<ArtFinding>& findings) {
    std::string text;
    for (const ArtFinding& finding : findings) {
        text += (finding.blocking ? "[error] " : "[warning] ") + finding.text + "\n";
    }
    return text;
}

TEST(ArtCheck, NamesWhatWouldDrawWrongly) {
    const uint32_t red = 0xFF0000;
    const Size own{0, 0};
    const Case cases[] = {
        {"horse sheet of its size", "horse.bmp", own, {}, bmpBytes, false, {}},
        {"course of one colour", "course.bmp", own, {}, bmpBytes, false, {}},
        {"gate sheet of its size", "gate.bmp", own, {}, bmpBytes, false, {}},
        {"uniform sheet with a fifth column", "uniform.bmp", {190, 1000}, {}, bmpBytes, false, {}},
        {"short uniform sheet",
         "uniform.bmp",
         {152, 600},
         {},
         bmpBytes,
         true,
         {"is 152 × 600, but its cells need 152 × 1000",
          "rightward silks 5 to 24, 30 to 49, 55 to 74, 80 to 99"}},
        {"narrow horse sheet",
         "horse.bmp",
         {900, 1000},
         {},
         bmpBytes,
         true,
         {"is 900 × 1000", "bracket 1 to 8; rightward bracket 1 to 8"}},
        // Coat 1 pose 0 changed in the rightward set, bracket 2 in the leftward.
        {"broken horse mirrors",
         "horse.bmp",
         own,
         {{150, 510, red}, {850, 70, red}},
         bmpBytes,
         false,
         {"not the left-right mirror", "rightward coat 1 pose 0; rightward bracket 2"}},
        {"broken stall mirror",
         "gate.bmp",
         own,
         {{0, 0, red}},
         bmpBytes,
         false,
         {"not the left-right mirror", "closed stall, mirrored"}},
        // Silks 26 and its rightward twin, mirrored, so only the fringe shows;
        // dark grey is no fringe.
        {"fringe",
         "uniform.bmp",
         own,
         {{40, 25, 0x1010E0}, {73, 525, 0x1010E0}, {41, 26, 0x303030}, {72, 526, 0x303030}},
         bmpBytes,
         false,
         {"has 2 pixels in 2 cells within 48 steps", "the first is at x 40, y 25, in silks 26"}},
        {"turf band seam",
         "course.bmp",
         own,
         {{13, 7, red}},
         bmpBytes,
         false,
         {"turf band that does not repeat every 80 pixels", "1 pixel differs", "x 13, y 7"}},
        {"backdrop seam of key blue",
         "course.bmp",
         own,
         {{100, 200, keyBlue}},
         bmpBytes,
         false,
         {"backdrop that does not repeat every 48 pixels", "2 pixels differ", "x 52, y 200",
          "1 pixel of the key colour in its backdrop"}},
        {"rows top down", "gate.bmp", own, {}, topDownBytes, false, {"top down"}},
        {"3-bit channel",
         "gate.bmp",
         own,
         {},
         [](const TestImage& image) { return maskedBytes(image, 3, 0xFF0000, 0xFF00, 0x7); },
         false,
         {"fewer than 4 bits"}},
        {"alpha bit fields",
         "gate.bmp",
         own,
         {},
         [](const TestImage& image) { return maskedBytes(image, 6, 0xFF0000, 0xFF00, 0xFF); },
         false,
         {"alpha bit fields"}},
        {"garbage", "course.bmp", own, {}, garbageBytes, true, {"is not a BMP file"}},
        {"damaged header", "course.bmp", own, {}, truncatedBytes, true, {"headers are damaged"}},
        {"PNG inside", "gate.bmp", own, {}, pngInsideBytes, true, {"JPEG or PNG"}},
        {"not a sheet's name",
         "horses.bmp",
         {924, 1000},
         {},
         bmpBytes,
         true,
         {"is not one of the sheets"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestImage image = cleanSheet(c.sheet, c.size.width > 0 ? c.size : layoutSize(c.sheet));
        for (const Dot& dot : c.dots) {
            put(image, dot.x, dot.y, dot.rgb);
        }
        const std::string bytes = c.file(image);
        const std::vector<ArtFinding> findings =
            checkSheet(c.sheet, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        const std::string text = findingsText(findings);
        EXPECT_EQ(!artIsUsable(findings), c.blocking) << text;
        EXPECT_EQ(findings.empty(), c.mentioned.empty()) << text;
        size_t from = 0;
        for (const std::string& piece : c.mentioned) {
            const size_t found = text.find(piece, from);
            EXPECT_NE(found, std::string::npos) << "missing \"" << piece << "\" in:\n" << text;
            from = found == std::string::npos ? from : found + piece.size();
        }
        for (const ArtFinding& finding : findings) {
            EXPECT_EQ(finding.sheet, c.sheet);
        }
    }
}

} // namespace
