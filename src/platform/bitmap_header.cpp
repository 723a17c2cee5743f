#include "platform/bitmap_header.h"

#include "platform/platform.h"

namespace {

constexpr size_t fileHeaderSize = 14;
constexpr uint32_t coreHeaderSize = 12;
constexpr uint32_t infoHeaderSize = 40;

// Compressions whose rows are stored as they stand: none, bit fields, alpha
// bit fields.
constexpr uint32_t uncompressed = 0;
constexpr uint32_t bitFields = 3;
constexpr uint32_t alphaBitFields = 6;

uint32_t readU16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

uint32_t readU32(const uint8_t* p) {
    return readU16(p) | readU16(p + 2) << 16;
}

int64_t readI32(const uint8_t* p) {
    return static_cast<int32_t>(readU32(p));
}

} // namespace

bool bitmapHeaderUsable(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size < fileHeaderSize + coreHeaderSize || bytes[0] != 'B' ||
        bytes[1] != 'M') {
        return false;
    }
    const uint64_t pixelOffset = readU32(bytes + 10);
    const uint32_t headerSize = readU32(bytes + 14);
    const uint8_t* header = bytes + fileHeaderSize;

    int64_t width;
    int64_t height;
    uint32_t bits;
    uint32_t compression = uncompressed;
    if (headerSize == coreHeaderSize) {
        width = readU16(header + 4);
        height = readU16(header + 6);
        bits = readU16(header + 10);
    } else {
        if (headerSize < infoHeaderSize || headerSize > size - fileHeaderSize) {
            return false;
        }
        width = readI32(header + 4);
        height = readI32(header + 8); // negative: rows stored top down
        bits = readU16(header + 14);
        compression = readU32(header + 16);
    }
    if (height < 0) {
        height = -height;
    }
    if (width < 1 || height < 1 || width > maxBitmapSide || height > maxBitmapSide ||
        width * height > maxBitmapPixels) {
        return false;
    }

    if (compression == uncompressed || compression == bitFields || compression == alphaBitFields) {
        if (bits < 1 || bits > 32) {
            return false;
        }
        // Each row is padded to whole 32-bit words.
        const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
        if (pixelOffset > size || rowBytes * static_cast<uint64_t>(height) > size - pixelOffset) {
            return false;
        }
    }
    return true;
}

bool readUsableBitmap(const char* path, std::vector<char>& bytes) {
    return readWholeFile(path, bytes) &&
           bitmapHeaderUsable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}
