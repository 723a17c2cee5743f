// BMP files written from a picture of 0x00RRGGBB pixels, in the encodings
// that drawing programs commonly save: palette and run-length, 16-, 24- and
// 32-bit, with the various headers. gallop-art writes the shipped sheets
// with it (8-bit run-length, their own palette) and the tests save sheets
// again in every encoding. No system header here.
#pragma once

#include "platform/bitmap_reader.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using BitmapMasks = std::array<uint32_t, 4>; // red, green, blue, alpha

// How one file is stored.
struct BitmapEncoding {
    const char* name;
    const char* what;
    uint32_t bits;
    uint32_t compression;
    uint32_t headerSize; // 12 (core), 40, 56 or 124
    bool topDown;
    // Of 16- and 32-bit pixels; written with bit fields only, the alpha mask
    // where the header has room for it. Alpha is set in every pixel.
    BitmapMasks masks;
    uint32_t profileBytes; // of an embedded colour profile (124-byte header only)
};

// Every encoding the writer knows, by name: rle8, pal8, plain24, core24,
// top24, profile24, plain32, v5-32, top-fields32, alpha-fields32, blue3-32
// and fields16-565.
extern const std::vector<BitmapEncoding> bitmapEncodings;
// The encoding of that name, or null.
const BitmapEncoding* bitmapEncodingNamed(const std::string& name);

// The picture's colours, ascending, when there are at most 256; else empty.
std::vector<uint32_t> bitmapPalette(const DecodedBitmap& bitmap);

// The whole file: file header, bitmap header, the masks of a 40-byte
// bit-field header or the palette, the pixels, and the colour profile if
// there is one. An 8-bit encoding takes `palette` (from bitmapPalette, every
// colour of the picture); the others take an empty one.
std::vector<uint8_t> encodeBitmap(const DecodedBitmap& bitmap, const BitmapEncoding& encoding,
                                  const std::vector<uint32_t>& palette);

// Little-endian words, as every field of the file is stored.
void putLe16(std::vector<uint8_t>& out, uint32_t value);
void putLe32(std::vector<uint8_t>& out, uint32_t value);
