// The headers of a BMP file, checked before a loader trusts the size they
// claim. A loader allocates the whole bitmap from the header alone, so a
// damaged file could ask for gigabytes; such a file is refused instead, and
// the sheet it was meant to be draws nothing. No system header here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The largest bitmap loaded as a sheet: each side at most 8192 pixels and at
// most 2^23 pixels in all, eight times the largest sheet the view reads.
constexpr int64_t maxBitmapSide = 8192;
constexpr int64_t maxBitmapPixels = int64_t{1} << 23;

// The bytes of the file header and of the smallest (core) bitmap header.
constexpr size_t bitmapFileHeaderSize = 14;
constexpr uint32_t bitmapCoreHeaderSize = 12;
constexpr uint32_t bitmapInfoHeaderSize = 40;

// How the pixels are stored.
enum BitmapCompression : uint32_t {
    bitmapUncompressed = 0,
    bitmapRle8 = 1,
    bitmapRle4 = 2,
    bitmapBitFields = 3,
    bitmapJpeg = 4,
    bitmapPng = 5,
    bitmapAlphaBitFields = 6,
};

// What the headers say, once they have been found sound.
struct BitmapHeader {
    uint64_t pixelOffset = 0; // where the pixels start in the file
    uint32_t headerSize = 0;  // 12 for a core header, else 40 or more
    int64_t width = 0;
    int64_t height = 0;   // always positive; see topDown
    bool topDown = false; // rows stored from the top (a negative height)
    uint32_t bits = 0;    // bits per pixel
    uint32_t compression = bitmapUncompressed;
    uint32_t colorsUsed = 0; // palette entries the header names; 0 for all

    bool core() const { return headerSize == bitmapCoreHeaderSize; }
    // Rows stored as they stand, each padded to whole 32-bit words.
    bool uncompressed() const {
        return compression == bitmapUncompressed || compression == bitmapBitFields ||
               compression == bitmapAlphaBitFields;
    }
    uint64_t rowBytes() const { return (static_cast<uint64_t>(width) * bits + 31) / 32 * 4; }
};

// Reads the headers of a BMP file into `header`; true when they are sound:
// the "BM" mark, a core (12-byte) header or an info header of 40, 52, 56, 108
// or 124 bytes inside the file, a width and height (either sign) from 1 to
// maxBitmapSide and no more than maxBitmapPixels in all, and, when the pixels
// are stored uncompressed, a depth of 1 to 32 bits and every row inside the
// file. Run-length encoded pixels are left for the reader, within the same
// size limits.
bool readBitmapHeader(const uint8_t* bytes, size_t size, BitmapHeader& header);

// True when readBitmapHeader finds the headers of `bytes` sound.
bool bitmapHeaderUsable(const uint8_t* bytes, size_t size);

// Little-endian fields of a BMP file.
inline uint32_t bitmapU16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}
inline uint32_t bitmapU32(const uint8_t* p) {
    return bitmapU16(p) | bitmapU16(p + 2) << 16;
}
