// The BMP reader: every header, depth and compression the sheets may come in,
// decoded to 0x00RRGGBB words, top row first.
#include "platform/bitmap_reader.h"

#include "platform/bitmap_header.h"
#include "platform/platform.h"

#include <array>
#include <new>

namespace {

constexpr uint32_t black = 0;

// One colour channel of a 16- or 32-bit pixel: its lowest bit and how many
// bits it has. A mask with gaps counts from its lowest bit to its first gap.
struct Channel {
    int shift = 0;
    int width = 0;

    explicit Channel(uint32_t mask) {
        if (mask == 0) {
            return;
        }
        while ((mask >> shift & 1) == 0) {
            ++shift;
        }
        while (shift + width < 32 && (mask >> (shift + width) & 1) != 0) {
            ++width;
        }
    }
    uint32_t of(uint32_t pixel) const {
        if (width == 0) {
            return 0;
        }
        const uint32_t bits = width == 32 ? pixel : pixel >> shift & ((uint32_t{1} << width) - 1);
        return widenChannel(bits, width);
    }
};

// Everything read from the file besides the rows themselves.
struct Layout {
    BitmapHeader header;
    std::array<uint32_t, 256> palette{}; // entries past the file's palette stay black
    uint32_t masks[3] = {0, 0, 0};       // red, green, blue
};

// The palette and the masks, once the depth and the compression have been
// found to go together.
bool readLayout(const uint8_t* bytes, size_t size, Layout& layout) {
    const BitmapHeader& header = layout.header;
    const uint32_t bits = header.bits;
    const uint32_t compression = header.compression;
    const bool fields = compression == bitmapBitFields || compression == bitmapAlphaBitFields;
    if (header.core() && compression != bitmapUncompressed) {
        return false;
    }
    switch (compression) {
    case bitmapUncompressed:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 &&
            bits != 32) {
            return false;
        }
        break;
    case bitmapRle8:
    case bitmapRle4:
        // Run-length encoded rows are stored bottom up only.
        if (bits != (compression == bitmapRle8 ? 8u : 4u) || header.topDown) {
            return false;
        }
        break;
    case bitmapBitFields:
    case bitmapAlphaBitFields:
        if (bits != 16 && bits != 32) {
            return false;
        }
        break;
    default: // JPEG, PNG or unknown
        return false;
    }

    size_t afterHeader = bitmapFileHeaderSize + header.headerSize;
    if (fields) {
        // An info header of 40 bytes is followed by the masks; a longer one
        // holds them itself.
        const size_t maskBytes = compression == bitmapAlphaBitFields ? 16 : 12;
        const size_t maskAt = bitmapFileHeaderSize + bitmapInfoHeaderSize;
        if (maskAt + 12 > size) {
            return false;
        }
        for (int k = 0; k < 3; ++k) {
            layout.masks[k] = bitmapU32(bytes + maskAt + 4 * k);
        }
        if (header.headerSize == bitmapInfoHeaderSize) {
            afterHeader += maskBytes;
        }
    } else if (bits == 16) {
        layout.masks[0] = 0x7C00;
        layout.masks[1] = 0x03E0;
        layout.masks[2] = 0x001F;
    } else if (bits == 32) {
        layout.masks[0] = 0xFF0000;
        layout.masks[1] = 0x00FF00;
        layout.masks[2] = 0x0000FF;
    }

    if (bits <= 8) {
        // As many entries as the header names, at most one per index, and
        // no more than lie between the headers and the pixels (or the end of
        // the file, where the pixels are said to start before the palette).
        const size_t entryBytes = header.core() ? 3 : 4;
        size_t count = size_t{1} << bits;
        if (!header.core() && header.colorsUsed != 0 && header.colorsUsed < count) {
            count = header.colorsUsed;
        }
        const size_t end = header.pixelOffset > afterHeader && header.pixelOffset < size
                               ? static_cast<size_t>(header.pixelOffset)
                               : size;
        const size_t room = afterHeader < end ? (end - afterHeader) / entryBytes : 0;
        if (count > room) {
            count = room;
        }
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* entry = bytes + afterHeader + i * entryBytes;
            layout.palette[i] = uint32_t{entry[2]} << 16 | uint32_t{entry[1]} << 8 | entry[0];
        }
    }
    return true;
}

// Rows stored as they stand, in the file's order.
void readRows(const uint8_t* bytes, const Layout& layout, DecodedBitmap& bitmap) {
    const BitmapHeader& header = layout.header;
    const int width = bitmap.width;
    const uint32_t bits = header.bits;
    const Channel red(layout.masks[0]);
    const Channel green(layout.masks[1]);
    const Channel blue(layout.masks[2]);
    for (int fileRow = 0; fileRow < bitmap.height; ++fileRow) {
        const uint8_t* in = bytes + header.pixelOffset + header.rowBytes() * fileRow;
        const int y = header.topDown ? fileRow : bitmap.height - 1 - fileRow;
        uint32_t* out = bitmap.pixels.data() + static_cast<size_t>(y) * width;
        switch (bits) {
        case 1:
        case 2:
        case 4:
        case 8: {
            const uint32_t perByte = 8 / bits;
            const uint32_t mask = (1u << bits) - 1;
            for (int x = 0; x < width; ++x) {
                const uint32_t at = static_cast<uint32_t>(x);
                const uint32_t shift = 8 - bits * (at % perByte + 1);
                out[x] = layout.palette[in[at / perByte] >> shift & mask];
            }
            break;
        }
        case 16:
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = bitmapU16(in + 2 * x);
                out[x] = red.of(pixel) << 16 | green.of(pixel) << 8 | blue.of(pixel);
            }
            break;
        case 24:
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = in + 3 * x;
                out[x] = uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
            }
            break;
        default: // 32
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = bitmapU32(in + 4 * x);
                out[x] = red.of(pixel) << 16 | green.of(pixel) << 8 | blue.of(pixel);
            }
            break;
        }
    }
}

// An RLE8 or RLE4 stream, from the bottom row up. Every step reads at least
// one byte, so a stream of any content ends; pixels that would land outside
// the picture are dropped.
void readRuns(const uint8_t* bytes, size_t size, const Layout& layout, DecodedBitmap& bitmap) {
    const bool four = layout.header.compression == bitmapRle4;
    size_t at = layout.header.pixelOffset;
    int64_t x = 0;
    int64_t row = 0; // counted from the bottom
    auto put = [&](uint32_t index) {
        if (x < bitmap.width && row < bitmap.height) {
            const int64_t y = bitmap.height - 1 - row;
            bitmap.pixels[static_cast<size_t>(y * bitmap.width + x)] = layout.palette[index];
        }
        ++x;
    };
    while (at + 2 <= size && row < bitmap.height) {
        const uint32_t count = bytes[at];
        const uint32_t value = bytes[at + 1];
        at += 2;
        if (count > 0) { // a run of one value (RLE4: two alternating indices)
            for (uint32_t i = 0; i < count && x < bitmap.width; ++i) {
                put(four ? (i % 2 == 0 ? value >> 4 : value & 0xF) : value);
            }
        } else if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of picture
            break;
        } else if (value == 2) { // delta: move right and up
            if (at + 2 > size) {
                break;
            }
            x += bytes[at];
            row += bytes[at + 1];
            at += 2;
        } else { // `value` indices stored as they stand, padded to 16 bits
            const size_t stored = four ? (value + 1) / 2 : value;
            if (stored > size - at) {
                break;
            }
            for (uint32_t i = 0; i < value; ++i) {
                const uint32_t byte = bytes[at + (four ? i / 2 : i)];
                put(four ? (i % 2 == 0 ? byte >> 4 : byte & 0xF) : byte);
            }
            at += stored + stored % 2;
        }
    }
}

} // namespace

uint32_t widenChannel(uint32_t value, int width) {
    if (width <= 0) {
        return 0;
    }
    if (width >= 8) {
        return value >> (width - 8) & 0xFF;
    }
    // The bits repeated from the top down until all eight are filled.
    uint32_t wide = 0;
    for (int shift = 8 - width; shift > -width; shift -= width) {
        wide |= shift >= 0 ? value << shift : value >> -shift;
    }
    return wide & 0xFF;
}

bool decodeBitmap(const uint8_t* bytes, size_t size, DecodedBitmap& bitmap) {
    bitmap = DecodedBitmap{};
    Layout layout;
    if (!readBitmapHeader(bytes, size, layout.header) || !readLayout(bytes, size, layout)) {
        return false;
    }
    const BitmapHeader& header = layout.header;
    if (header.pixelOffset >= size) {
        return false;
    }
    bitmap.width = static_cast<int>(header.width);
    bitmap.height = static_cast<int>(header.height);
    bitmap.pixels.assign(static_cast<size_t>(header.width * header.height), black);
    if (header.uncompressed()) {
        readRows(bytes, layout, bitmap);
    } else {
        readRuns(bytes, size, layout, bitmap);
    }
    return true;
}

bool bitmapChannelWidths(const uint8_t* bytes, size_t size, int widths[3]) {
    Layout layout;
    if (!readBitmapHeader(bytes, size, layout.header) || !readLayout(bytes, size, layout) ||
        (layout.header.bits != 16 && layout.header.bits != 32)) {
        return false;
    }
    for (int k = 0; k < 3; ++k) {
        widths[k] = Channel(layout.masks[k]).width;
    }
    return true;
}

bool readBitmapFile(const char* path, DecodedBitmap& bitmap) {
    bitmap = DecodedBitmap{};
    std::vector<char> bytes;
    return path != nullptr && readWholeFile(path, bytes) &&
           decodeBitmap(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bitmap);
}
