// The BMP reader on real files from a public test suite (tests/bmpsuite/) and
// on small files made here for what the suite does not hold: every layout of
// a family gives the same pixels, damaged files give their documented result,
// and the sheets of the SDL build hold exactly what the reader decoded.

#include "platform/bitmap_reader.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

const std::string suiteDir = std::string(GALLOP_SOURCE_DIR) + "/tests/bmpsuite/";

std::string suitePath(const std::string& name) {
    return suiteDir + name + ".bmp";
}

bool decodeFile(const std::string& path, DecodedBitmap& bitmap) {
    return readBitmapFile(path.c_str(), bitmap);
}

bool decodeBytes(const std::string& bytes, DecodedBitmap& bitmap) {
    return decodeBitmap(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bitmap);
}

struct Family {
    const char* name;
    std::vector<const char*> files; // the first is the reference
};

TEST(BitmapReader, EveryFileOfAFamilyDecodesToTheFirstFilesPixels) {
    const Family families[] = {
        {"1-bit", {"pal1", "pal1wb"}},
        {"4-bit", {"pal4", "pal4rle"}},
        {"8-bit", {"pal8", "pal8-0", "pal8os2", "pal8rle", "pal8topdown", "pal8v4", "pal8v5"}},
        {"truecolour", {"rgb24", "rgb24pal", "rgb32", "rgb32bfdef", "rgb32bf"}},
        {"16-bit 5-5-5", {"rgb16", "rgb16bfdef"}},
        {"16-bit 5-6-5", {"rgb16-565", "rgb16-565pal"}},
    };
    for (const Family& family : families) {
        DecodedBitmap first;
        ASSERT_TRUE(decodeFile(suitePath(std::string("g/") + family.files[0]), first))
            << family.files[0];
        EXPECT_EQ(first.width, 127);
        EXPECT_EQ(first.height, 64);
        for (const char* file : family.files) {
            SCOPED_TRACE(file);
            DecodedBitmap bitmap;
            ASSERT_TRUE(decodeFile(suitePath(std::string("g/") + file), bitmap));
            EXPECT_EQ(bitmap.width, first.width);
            EXPECT_EQ(bitmap.height, first.height);
            EXPECT_TRUE(bitmap.pixels == first.pixels);
        }
    }
}

std::set<uint32_t> coloursOf(const DecodedBitmap& bitmap) {
    return std::set<uint32_t>(bitmap.pixels.begin(), bitmap.pixels.end());
}

bool grey(uint32_t colour) {
    return (colour >> 16 & 0xFF) == (colour >> 8 & 0xFF) && (colour >> 8 & 0xFF) == (colour & 0xFF);
}

TEST(BitmapReader, FilesOnTheirOwnDecodeToThePicturesTheyDescribe) {
    DecodedBitmap bitmap;
    ASSERT_TRUE(decodeFile(suitePath("g/pal1bg"), bitmap));
    const std::set<uint32_t> twoColours = coloursOf(bitmap);
    EXPECT_EQ(twoColours.size(), 2u);
    EXPECT_EQ(twoColours.count(0x000000), 0u);
    EXPECT_EQ(twoColours.count(0xFFFFFF), 0u);

    for (const char* file : {"g/pal4gs", "g/pal8gs"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(decodeFile(suitePath(file), bitmap));
        const std::set<uint32_t> colours = coloursOf(bitmap);
        EXPECT_GT(colours.size(), 2u);
        for (uint32_t colour : colours) {
            EXPECT_TRUE(grey(colour)) << std::hex << colour;
        }
    }

    ASSERT_TRUE(decodeFile(suitePath("g/pal8nonsquare"), bitmap));
    EXPECT_EQ(bitmap.width, 127);
    EXPECT_EQ(bitmap.height, 32);

    // Three widths, each with its own row padding.
    for (const int width : {124, 125, 126}) {
        SCOPED_TRACE(width);
        ASSERT_TRUE(decodeFile(suitePath("g/pal8w" + std::to_string(width)), bitmap));
        EXPECT_EQ(bitmap.width, width);
        EXPECT_EQ(bitmap.height, width - 63);
    }
}

// Each damaged file: read or refused, with no read outside the file (the
// sanitizer builds check that) and within the picture's own size.
struct DamagedCase {
    const char* file;
    bool read;
};

TEST(BitmapReader, DamagedFilesGiveTheirDocumentedResult) {
    const DamagedCase cases[] = {
        {"badbitcount", false},   // a depth no BMP has
        {"badbitssize", true},    // the image size field is not needed
        {"baddens1", true},       // density fields are ignored
        {"baddens2", true},       // density fields are ignored
        {"badfilesize", true},    // the file size field is not needed
        {"badheadersize", false}, // a header size that no header has
        {"badpalettesize", true}, // the palette is cut to 256 entries
        {"badplanes", true},      // the plane count is ignored
        {"badrle", true},         // runs off the picture are dropped
        {"badrle4", true},        // runs off the picture are dropped
        {"badrle4bis", true},     // runs off the picture are dropped
        {"badrle4ter", true},     // runs off the picture are dropped
        {"badrlebis", true},      // runs off the picture are dropped
        {"badrleter", true},      // runs off the picture are dropped
        {"badwidth", false},      // a negative width
        {"pal8badindex", true},   // indices past the palette are black
        {"reallybig", false},     // past the size limits
        {"rgb16-880", true},      // masks of 8, 8 and no bits: blue is 0
        {"rletopdown", false},    // RLE is stored bottom up only
        {"shortfile", false},     // rows cut short by the end of the file
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.file);
        DecodedBitmap bitmap;
        EXPECT_EQ(decodeFile(suitePath(std::string("b/") + c.file), bitmap), c.read);
        if (c.read) {
            EXPECT_EQ(bitmap.pixels.size(), static_cast<size_t>(bitmap.width) * bitmap.height);
        } else {
            EXPECT_TRUE(bitmap.pixels.empty());
        }
    }
}

TEST(BitmapReader, NarrowChannelsWidenAsGdiWidensThem) {
    struct Widening {
        uint32_t value;
        int width;
        uint32_t wide;
    };
    const Widening cases[] = {
        {31, 5, 255},    {16, 5, 0x84},    {1, 5, 0x08},      {63, 6, 255}, {32, 6, 0x82},
        {1, 1, 255},     {0, 1, 0},        {2, 2, 0xAA},      {5, 3, 0xB6}, {15, 4, 255},
        {0xAB, 8, 0xAB}, {0x3FF, 10, 255}, {0x200, 10, 0x80}, {0, 0, 0},    {0xFFFFFFFF, 32, 255},
    };
    for (const Widening& c : cases) {
        EXPECT_EQ(widenChannel(c.value, c.width), c.wide) << c.value << " of " << c.width;
    }
}

// Small files for what the suite lacks: a 40-byte info header, then the
// palette or masks given, then the pixel bytes.
std::string smallFile(int width, int height, int bits, uint32_t compression,
                      const std::string& tables, const std::string& pixels) {
    auto put32 = [](std::string& s, uint32_t v) {
        for (int k = 0; k < 4; ++k) {
            s += static_cast<char>(v >> (8 * k));
        }
    };
    auto put16 = [](std::string& s, uint32_t v) {
        s += static_cast<char>(v);
        s += static_cast<char>(v >> 8);
    };
    std::string file = "BM";
    put32(file, static_cast<uint32_t>(54 + tables.size() + pixels.size()));
    put32(file, 0);
    put32(file, static_cast<uint32_t>(54 + tables.size()));
    put32(file, 40);
    put32(file, static_cast<uint32_t>(width));
    put32(file, static_cast<uint32_t>(height));
    put16(file, 1);
    put16(file, static_cast<uint32_t>(bits));
    put32(file, compression);
    for (int k = 0; k < 5; ++k) {
        put32(file, 0); // image size, densities, colours used and important
    }
    return file + tables + pixels;
}

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s += static_cast<char>(v);
    }
    return s;
}

std::string palette(std::initializer_list<uint32_t> colours) {
    std::string s;
    for (uint32_t c : colours) {
        s += bytes({static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF),
                    static_cast<int>(c >> 16 & 0xFF), 0});
    }
    return s;
}

struct SmallCase {
    const char* what;
    std::string file;
    int width;
    int height;
    std::vector<uint32_t> pixels; // top row first
};

TEST(BitmapReader, SmallFilesOfEveryLayoutDecodeExactly) {
    const uint32_t a = 0x102030, b = 0x405060, c = 0x708090, d = 0xA0B0C0;
    const SmallCase cases[] = {
        {"2-bit palette, bottom up",
         smallFile(5, 2, 2, 0, palette({a, b, c, d}), bytes({0x1B, 0x00, 0, 0, 0xE4, 0x40, 0, 0})),
         5,
         2,
         {d, c, b, a, b, a, b, c, d, a}},
        // Two entries for an 8-bit file: index 5 lies past the palette.
        {"short palette, index past it",
         smallFile(3, 1, 8, 0, palette({a, b}), bytes({1, 5, 0, 0})),
         3,
         1,
         {b, 0, a}},
        // Masks of 3, 3 and 2 bits in the low byte.
        {"16-bit masks of odd widths",
         smallFile(2, 1, 16, 3, bytes({0xE0, 0, 0, 0, 0x1C, 0, 0, 0, 0x03, 0, 0, 0}),
                   bytes({0xFF, 0, 0x25, 0})),
         2,
         1,
         {0xFFFFFF, 0x242455}},
        // A 12-bit red channel in the middle, 4-bit green at the bottom and
        // blue at the top.
        {"32-bit masks of any position",
         smallFile(1, 1, 32, 3, bytes({0, 0xF0, 0xFF, 0, 0x0F, 0, 0, 0, 0, 0, 0, 0xFF}),
                   bytes({0x05, 0xA0, 0xFF, 0x7C})),
         1,
         1,
         {0xFF557C}},
        // RLE8: a run, a delta past two pixels and a row, stored pixels,
        // an end of line and an end of picture; the rest stays black.
        {"RLE8 with every code",
         smallFile(4, 3, 8, 1, palette({a, b, c}),
                   bytes({2, 1, 0, 2, 1, 1, 0, 3, 2, 0, 1, 0, 0, 0, 0, 1})),
         4,
         3,
         {0, 0, 0, 0, 0, 0, 0, c, b, b, 0, 0}},
        // RLE4: a run alternating two indices, then an odd stored run.
        {"RLE4",
         smallFile(5, 1, 4, 2, palette({a, b, c}), bytes({3, 0x12, 0, 3, 0x21, 0x00, 0, 0, 0, 1})),
         5,
         1,
         {b, c, b, c, b}},
    };
    for (const SmallCase& s : cases) {
        SCOPED_TRACE(s.what);
        DecodedBitmap bitmap;
        ASSERT_TRUE(decodeBytes(s.file, bitmap));
        EXPECT_EQ(bitmap.width, s.width);
        EXPECT_EQ(bitmap.height, s.height);
        EXPECT_EQ(bitmap.pixels, s.pixels);
    }
}

TEST(BitmapReader, EmbeddedPicturesAndTopDownRunsAreRefused) {
    const std::string pal = palette({0x102030});
    const std::string cases[] = {
        smallFile(1, 1, 0, 4, "", bytes({0xFF, 0xD8, 0xFF, 0xE0})),          // JPEG
        smallFile(1, 1, 0, 5, "", bytes({0x89, 'P', 'N', 'G'})),             // PNG
        smallFile(1, -1, 8, 1, pal, bytes({1, 0, 0, 1})),                    // RLE8 top down
        smallFile(1, 1, 8, 2, pal, bytes({1, 0, 0, 1})),                     // RLE4 on 8 bits
        smallFile(1, 1, 24, 3, bytes({0, 0, 0xFF, 0}), bytes({1, 2, 3, 0})), // 24-bit masks
    };
    for (const std::string& file : cases) {
        DecodedBitmap bitmap;
        EXPECT_FALSE(decodeBytes(file, bitmap));
    }
}

// The SDL build's sheet holds exactly the reader's pixels.
TEST(BitmapReader, ASheetHoldsTheReadersPixels) {
    for (const char* file : {"g/pal1", "g/pal4rle", "g/pal8topdown", "g/rgb16-565", "g/rgb32bf",
                             "g/pal8w125", "b/badrle4"}) {
        SCOPED_TRACE(file);
        const std::string path = suitePath(file);
        DecodedBitmap bitmap;
        ASSERT_TRUE(decodeFile(path, bitmap));
        Sheet sheet = loadSheet(path.c_str());
        ASSERT_NE(sheet, nullptr);
        DrawContext context = openSheet(nullptr, sheet);
        std::vector<uint32_t> pixels;
        EXPECT_TRUE(readPixels(context, pixels));
        EXPECT_EQ(contextWidth(context), bitmap.width);
        EXPECT_EQ(contextHeight(context), bitmap.height);
        EXPECT_TRUE(pixels == bitmap.pixels);
        closeSheet(context);
        deleteSheet(sheet);
    }
}

} // namespace
