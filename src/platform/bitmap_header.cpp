// Reads and checks a BMP file's headers before anything is allocated for it.
#include "platform/bitmap_header.h"

#include "platform/platform.h"

namespace {

int64_t readI32(const uint8_t* p) {
    return static_cast<int32_t>(bitmapU32(p));
}

// The info header and its longer versions, each adding fields at its end.
bool knownHeaderSize(uint32_t size) {
    return size == bitmapInfoHeaderSize || size == 52 || size == 56 || size == 108 || size == 124;
}

} // namespace

bool readBitmapHeader(const uint8_t* bytes, size_t size, BitmapHeader& header) {
    header = BitmapHeader{};
    if (bytes == nullptr || size < bitmapFileHeaderSize + bitmapCoreHeaderSize || bytes[0] != 'B' ||
        bytes[1] != 'M') {
        return false;
    }
    header.pixelOffset = bitmapU32(bytes + 10);
    header.headerSize = bitmapU32(bytes + 14);
    const uint8_t* info = bytes + bitmapFileHeaderSize;

    int64_t height;
    if (header.core()) {
        header.width = bitmapU16(info + 4);
        height = bitmapU16(info + 6);
        header.bits = bitmapU16(info + 10);
    } else {
        if (!knownHeaderSize(header.headerSize) ||
            header.headerSize > size - bitmapFileHeaderSize) {
            return false;
        }
        header.width = readI32(info + 4);
        height = readI32(info + 8); // negative: rows stored top down
        header.bits = bitmapU16(info + 14);
        header.compression = bitmapU32(info + 16);
        header.colorsUsed = bitmapU32(info + 32);
    }
    header.topDown = height < 0;
    header.height = height < 0 ? -height : height;
    if (header.width < 1 || header.height < 1 || header.width > maxBitmapSide ||
        header.height > maxBitmapSide || header.width * header.height > maxBitmapPixels) {
        return false;
    }

    if (header.uncompressed()) {
        if (header.bits < 1 || header.bits > 32) {
            return false;
        }
        if (header.pixelOffset > size ||
            header.rowBytes() * static_cast<uint64_t>(header.height) > size - header.pixelOffset) {
            return false;
        }
    }
    return true;
}

bool bitmapHeaderUsable(const uint8_t* bytes, size_t size) {
    BitmapHeader header;
    return readBitmapHeader(bytes, size, header);
}
