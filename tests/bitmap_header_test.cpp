// The check of a BMP file's headers before any loader trusts the size they
// claim, and a refused file as the platform layer loads it: no sheet.

#include "sheets.h"
#include "support.h"

#include "platform/bitmap_header.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

void put32At(std::string& bytes, size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) {
        bytes[at + k] = static_cast<char>(value >> (8 * k));
    }
}

// A 6 × 5 24-bit file: 54 bytes of headers, rows of 20 bytes.
std::string smallBitmap() {
    return bmpBytes(coordinateSheet(gateTag, 6, 5));
}

struct HeaderCase {
    const char* what;
    std::function<void(std::string&)> change;
    bool usable;
};

TEST(BitmapHeader, RefusesSizesThatTheFileCannotHold) {
    const HeaderCase cases[] = {
        {"as written", [](std::string&) {}, true},
        {"rows stored top down", [](std::string& b) { put32At(b, 22, static_cast<uint32_t>(-5)); },
         true},
        {"fewer, wider rows inside the data",
         [](std::string& b) {
             put32At(b, 22, 1);
             put32At(b, 18, 20);
         },
         true},
        {"not BM", [](std::string& b) { b[1] = 'A'; }, false},
        {"cut inside the headers", [](std::string& b) { b.resize(20); }, false},
        {"last row cut short", [](std::string& b) { b.pop_back(); }, false},
        {"zero width", [](std::string& b) { put32At(b, 18, 0); }, false},
        {"zero height", [](std::string& b) { put32At(b, 22, 0); }, false},
        {"more rows than the file holds", [](std::string& b) { put32At(b, 22, 6); }, false},
        {"gigabytes claimed", [](std::string& b) { put32At(b, 22, 0x7FFFFFFC); }, false},
        {"most negative height", [](std::string& b) { put32At(b, 22, 0x80000000u); }, false},
        {"side beyond the limit", [](std::string& b) { put32At(b, 18, 8193); }, false},
        {"pixels beyond the limit",
         [](std::string& b) {
             put32At(b, 18, 4096);
             put32At(b, 22, 4096);
         },
         false},
        {"unknown header size", [](std::string& b) { put32At(b, 14, 20); }, false},
        {"pixel data past the end", [](std::string& b) { put32At(b, 10, 1000); }, false},
        {"no bits per pixel", [](std::string& b) { b[28] = 0; }, false},
        // Run-length encoded rows have no fixed size: within the limits the
        // loader reads them, and fails on its own when they run short.
        {"run-length encoded, large",
         [](std::string& b) {
             b[28] = 8;
             put32At(b, 30, 1);
             put32At(b, 18, 2000);
             put32At(b, 22, 2000);
         },
         true},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = smallBitmap();
        c.change(bytes);
        EXPECT_EQ(bitmapHeaderUsable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                  c.usable);
    }
    EXPECT_FALSE(bitmapHeaderUsable(nullptr, 0));
}

TEST(BitmapHeader, ACoreHeaderIsRead) {
    // 12-byte header: 16-bit width and height, then planes and depth.
    std::string bytes = "BM";
    bytes.append(8, '\0');
    bytes += std::string("\x1a\0\0\0\x0c\0\0\0\x02\0\x01\0\x01\0\x18\0", 16);
    bytes.append(8, '\x40'); // one row of 2 pixels, padded to 8 bytes
    put32At(bytes, 2, static_cast<uint32_t>(bytes.size()));
    EXPECT_TRUE(bitmapHeaderUsable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    bytes.pop_back();
    EXPECT_FALSE(bitmapHeaderUsable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

TEST(BitmapHeader, ARefusedFileLoadsNoSheet) {
    ScratchDir dir;
    std::string bytes = smallBitmap();
    dir.write("fine.bmp", bytes);
    put32At(bytes, 22, 0x7FFFFFFC); // a damaged height: gigabytes of pixels
    dir.write("damaged.bmp", bytes);
    Sheet fine = loadSheet("fine.bmp");
    EXPECT_NE(fine, nullptr);
    EXPECT_EQ(loadSheet("damaged.bmp"), nullptr);
    deleteSheet(fine);
}

} // namespace
