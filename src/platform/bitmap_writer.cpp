#include "platform/bitmap_writer.h"

#include "platform/bitmap_header.h"

#include <algorithm>
#include <bit>
#include <map>

namespace {

constexpr BitmapMasks noBitmapMasks = {0, 0, 0, 0};
constexpr BitmapMasks masks8888 = {0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000};
constexpr BitmapMasks masks565 = {0xf800, 0x07e0, 0x001f, 0};
constexpr BitmapMasks masksBlue3 = {0x00ff0000, 0x0000ff00, 0x00000007, 0xff000000};

} // namespace

void putLe16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void putLe32(std::vector<uint8_t>& out, uint32_t value) {
    putLe16(out, value & 0xffffu);
    putLe16(out, value >> 16);
}

const std::vector<BitmapEncoding> bitmapEncodings = {
    {"rle8", "8-bit RLE8", 8, bitmapRle8, 40, false, noBitmapMasks, 0},
    {"pal8", "8-bit palette", 8, bitmapUncompressed, 40, false, noBitmapMasks, 0},
    {"plain24", "24-bit", 24, bitmapUncompressed, 40, false, noBitmapMasks, 0},
    {"core24", "24-bit, core header", 24, bitmapUncompressed, bitmapCoreHeaderSize, false,
     noBitmapMasks, 0},
    {"top24", "24-bit, top down", 24, bitmapUncompressed, 40, true, noBitmapMasks, 0},
    {"profile24", "24-bit, V5 header, embedded profile", 24, bitmapUncompressed, 124, false,
     noBitmapMasks, 64},
    {"plain32", "32-bit", 32, bitmapUncompressed, 40, false, masks8888, 0},
    {"v5-32", "32-bit bit fields, V5 header", 32, bitmapBitFields, 124, false, masks8888, 0},
    {"top-fields32", "32-bit bit fields, top down", 32, bitmapBitFields, 40, true, masks8888, 0},
    {"alpha-fields32", "32-bit alpha bit fields, 56-byte header", 32, bitmapAlphaBitFields, 56,
     false, masks8888, 0},
    {"blue3-32", "32-bit bit fields, 3-bit blue", 32, bitmapBitFields, 40, false, masksBlue3, 0},
    {"fields16-565", "16-bit 5-6-5 bit fields", 16, bitmapBitFields, 40, false, masks565, 0},
};

namespace {

bool bitFields(const BitmapEncoding& encoding) {
    return encoding.compression == bitmapBitFields || encoding.compression == bitmapAlphaBitFields;
}

// The masks written after a 40-byte header: three, or four with alpha.
uint32_t masksAfterHeader(const BitmapEncoding& encoding) {
    if (encoding.headerSize != bitmapInfoHeaderSize || !bitFields(encoding)) {
        return 0;
    }
    return encoding.compression == bitmapAlphaBitFields ? 4 : 3;
}

// A 0x00RRGGBB pixel as a 16- or 32-bit word: each channel's top bits in
// its mask, and alpha opaque, though readers ignore it.
uint32_t packed(uint32_t pixel, const BitmapMasks& masks) {
    uint32_t word = 0;
    for (int k = 0; k < 3; ++k) {
        if (masks[k] == 0) {
            continue; // a channel the encoding leaves out
        }
        const uint32_t channel = pixel >> (16 - 8 * k) & 0xff;
        const int width = std::popcount(masks[k]);
        const uint32_t field = width >= 8 ? channel << (width - 8) : channel >> (8 - width);
        word |= field << std::countr_zero(masks[k]);
    }
    return word | masks[3];
}

} // namespace

std::vector<uint32_t> bitmapPalette(const DecodedBitmap& bitmap) {
    std::vector<uint32_t> colours = bitmap.pixels;
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    return colours.size() <= 256 ? colours : std::vector<uint32_t>{};
}

namespace {

// One row of palette indices as RLE8: runs of two or more alike as encoded
// runs, other stretches of three or more as absolute runs (padded to a whole
// word), single pixels as runs of one; the row ends with an end of line.
void rle8Row(const uint8_t* row, int width, std::vector<uint8_t>& out) {
    int x = 0;
    while (x < width) {
        int same = 1;
        while (x + same < width && same < 255 && row[x + same] == row[x]) {
            ++same;
        }
        if (same >= 2) {
            out.push_back(static_cast<uint8_t>(same));
            out.push_back(row[x]);
            x += same;
            continue;
        }
        int literal = 1; // up to the next pair of equal pixels
        while (x + literal < width && literal < 255 &&
               !(x + literal + 1 < width && row[x + literal] == row[x + literal + 1])) {
            ++literal;
        }
        if (literal < 3) {
            for (int i = 0; i < literal; ++i) {
                out.push_back(1);
                out.push_back(row[x + i]);
            }
        } else {
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(literal));
            out.insert(out.end(), row + x, row + x + literal);
            if (literal % 2 != 0) {
                out.push_back(0);
            }
        }
        x += literal;
    }
    out.push_back(0);
    out.push_back(0);
}

// The pixels, rows in the order the encoding stores them.
std::vector<uint8_t> pixelData(const DecodedBitmap& bitmap, const BitmapEncoding& encoding,
                               const std::vector<uint32_t>& palette) {
    const int width = bitmap.width;
    const int height = bitmap.height;
    std::map<uint32_t, uint8_t> index;
    for (size_t i = 0; i < palette.size(); ++i) {
        index[palette[i]] = static_cast<uint8_t>(i);
    }
    std::vector<uint8_t> out;
    std::vector<uint8_t> indices(static_cast<size_t>(width));
    for (int stored = 0; stored < height; ++stored) {
        const int y = encoding.topDown ? stored : height - 1 - stored;
        const uint32_t* row = bitmap.pixels.data() + static_cast<size_t>(y) * width;
        const size_t start = out.size();
        if (encoding.bits == 8) {
            for (int x = 0; x < width; ++x) {
                indices[static_cast<size_t>(x)] = index[row[x]];
            }
            if (encoding.compression == bitmapRle8) {
                rle8Row(indices.data(), width, out);
                continue;
            }
            out.insert(out.end(), indices.begin(), indices.end());
        } else if (encoding.bits == 24) {
            for (int x = 0; x < width; ++x) {
                out.push_back(static_cast<uint8_t>(row[x]));
                out.push_back(static_cast<uint8_t>(row[x] >> 8));
                out.push_back(static_cast<uint8_t>(row[x] >> 16));
            }
        } else {
            for (int x = 0; x < width; ++x) {
                const uint32_t word = packed(row[x], encoding.masks);
                (encoding.bits == 16 ? putLe16 : putLe32)(out, word);
            }
        }
        while ((out.size() - start) % 4 != 0) {
            out.push_back(0);
        }
    }
    if (encoding.compression == bitmapRle8) {
        out.push_back(0);
        out.push_back(1); // end of picture
    }
    return out;
}

} // namespace

std::vector<uint8_t> encodeBitmap(const DecodedBitmap& bitmap, const BitmapEncoding& encoding,
                                  const std::vector<uint32_t>& palette) {
    const std::vector<uint8_t> pixels = pixelData(bitmap, encoding, palette);
    const uint32_t tableSize =
        (static_cast<uint32_t>(palette.size()) + masksAfterHeader(encoding)) * 4;
    const uint32_t pixelOffset =
        static_cast<uint32_t>(bitmapFileHeaderSize) + encoding.headerSize + tableSize;
    const uint32_t pixelBytes = static_cast<uint32_t>(pixels.size());
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    putLe32(out, pixelOffset + pixelBytes + encoding.profileBytes);
    putLe32(out, 0);
    putLe32(out, pixelOffset);
    putLe32(out, encoding.headerSize);
    if (encoding.headerSize == bitmapCoreHeaderSize) {
        putLe16(out, static_cast<uint32_t>(bitmap.width));
        putLe16(out, static_cast<uint32_t>(bitmap.height));
        putLe16(out, 1);
        putLe16(out, encoding.bits);
    } else {
        putLe32(out, static_cast<uint32_t>(bitmap.width));
        putLe32(out, static_cast<uint32_t>(encoding.topDown ? -bitmap.height : bitmap.height));
        putLe16(out, 1);
        putLe16(out, encoding.bits);
        putLe32(out, encoding.compression);
        putLe32(out, pixelBytes);
        putLe32(out, 2835); // 72 dots an inch
        putLe32(out, 2835);
        putLe32(out, static_cast<uint32_t>(palette.size()));
        putLe32(out, 0);
    }
    if (encoding.headerSize > bitmapInfoHeaderSize) {
        for (uint32_t mask : bitFields(encoding) ? encoding.masks : noBitmapMasks) {
            putLe32(out, mask);
        }
    }
    if (encoding.headerSize == 124) {
        // The colour space: sRGB, or the profile embedded after the pixels
        // (64 bytes of zeros: readers of sheets do not look at it).
        putLe32(out, encoding.profileBytes != 0 ? 0x4d424544 : 0x73524742); // 'MBED', 'sRGB'
        out.insert(out.end(), 36 + 12, 0); // endpoints and gamma, unused here
        putLe32(out, 4);                   // rendering intent: pictures
        putLe32(out, encoding.profileBytes != 0 ? encoding.headerSize + tableSize + pixelBytes : 0);
        putLe32(out, encoding.profileBytes);
        putLe32(out, 0);
    }
    for (uint32_t i = 0; i < masksAfterHeader(encoding); ++i) {
        putLe32(out, encoding.masks[i]);
    }
    for (uint32_t colour : palette) {
        putLe32(out, colour); // blue, green, red, 0
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    out.insert(out.end(), encoding.profileBytes, 0);
    return out;
}

const BitmapEncoding* bitmapEncodingNamed(const std::string& name) {
    for (const BitmapEncoding& encoding : bitmapEncodings) {
        if (name == encoding.name) {
            return &encoding;
        }
    }
    return nullptr;
}
