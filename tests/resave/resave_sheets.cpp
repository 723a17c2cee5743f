// gallop-resave IMAGE_DIR OUT_DIR [--sheets NAME,...] [ENCODING...]: saves
// sprite sheets of IMAGE_DIR again in other BMP encodings, one folder of
// sheets each, OUT_DIR/ENCODING/image/NAME. The encodings:
//
//   rle8            8 bits a pixel, run-length encoded (RLE8)
//   pal8            8 bits a pixel, plain palette
//   plain24         24 bits a pixel, the usual way
//   core24          24 bits a pixel with the 12-byte core header
//   top24           24 bits a pixel, rows stored top down
//   profile24       24 bits a pixel, V5 (124-byte) header naming an
//                   embedded colour profile stored after the pixels
//   plain32         32 bits a pixel, no masks
//   v5-32           32 bits a pixel, bit-field masks in the V5 header
//   top-fields32    32 bits a pixel, bit-field masks, rows top down
//   alpha-fields32  32 bits a pixel, alpha bit fields (compression 6) in a
//                   56-byte header
//   blue3-32        32 bits a pixel, bit fields with a blue channel of
//                   3 bits (lossy)
//   fields16-565    16 bits a pixel, 5-6-5 bit fields (lossy)
//
// Without --sheets it saves course.bmp, horse.bmp, uniform.bmp and gate.bmp;
// without encodings, rle8, pal8, top24 and v5-32.
//
// Every file written is read back with the programs' own reader and must
// give the source's pixels: exactly, or, where a channel has fewer than 8
// bits, the source's top bits in that channel (the bits the encoding keeps;
// the reader fills the rest). A sheet of more than 256 colours has no 8-bit
// copy; it is then copied as it is into the 8-bit folders, and a line says
// so. One line per file says what was written. Exits 0 when every file was
// written and reads back as it should, 1 otherwise, 2 on bad arguments.

#include "platform/bitmap_header.h"
#include "platform/bitmap_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;
using Masks = std::array<uint32_t, 4>; // red, green, blue, alpha

void put16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(Bytes& out, uint32_t value) {
    put16(out, value & 0xffffu);
    put16(out, value >> 16);
}

constexpr Masks noMasks = {0, 0, 0, 0};
constexpr Masks masks8888 = {0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000};
constexpr Masks masks565 = {0xf800, 0x07e0, 0x001f, 0};
constexpr Masks masksBlue3 = {0x00ff0000, 0x0000ff00, 0x00000007, 0xff000000};

// How one copy is stored.
struct Encoding {
    const char* name;
    const char* what;
    uint32_t bits;
    uint32_t compression;
    uint32_t headerSize; // 12 (core), 40, 56 or 124
    bool topDown;
    // Of 16- and 32-bit pixels; written with bit fields only, the alpha mask
    // where the header has room for it. Alpha is set in every pixel.
    Masks masks;
    uint32_t profileBytes; // of an embedded colour profile (124-byte header only)
};

const Encoding encodings[] = {
    {"rle8", "8-bit RLE8", 8, bitmapRle8, 40, false, noMasks, 0},
    {"pal8", "8-bit palette", 8, bitmapUncompressed, 40, false, noMasks, 0},
    {"plain24", "24-bit", 24, bitmapUncompressed, 40, false, noMasks, 0},
    {"core24", "24-bit, core header", 24, bitmapUncompressed, bitmapCoreHeaderSize, false, noMasks,
     0},
    {"top24", "24-bit, top down", 24, bitmapUncompressed, 40, true, noMasks, 0},
    {"profile24", "24-bit, V5 header, embedded profile", 24, bitmapUncompressed, 124, false,
     noMasks, 64},
    {"plain32", "32-bit", 32, bitmapUncompressed, 40, false, masks8888, 0},
    {"v5-32", "32-bit bit fields, V5 header", 32, bitmapBitFields, 124, false, masks8888, 0},
    {"top-fields32", "32-bit bit fields, top down", 32, bitmapBitFields, 40, true, masks8888, 0},
    {"alpha-fields32", "32-bit alpha bit fields, 56-byte header", 32, bitmapAlphaBitFields, 56,
     false, masks8888, 0},
    {"blue3-32", "32-bit bit fields, 3-bit blue", 32, bitmapBitFields, 40, false, masksBlue3, 0},
    {"fields16-565", "16-bit 5-6-5 bit fields", 16, bitmapBitFields, 40, false, masks565, 0},
};

const char* const defaultSheets[] = {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"};
const char* const defaultEncodings[] = {"rle8", "pal8", "top24", "v5-32"};

bool bitFields(const Encoding& encoding) {
    return encoding.compression == bitmapBitFields || encoding.compression == bitmapAlphaBitFields;
}

// The masks written after a 40-byte header: three, or four with alpha.
uint32_t masksAfterHeader(const Encoding& encoding) {
    if (encoding.headerSize != bitmapInfoHeaderSize || !bitFields(encoding)) {
        return 0;
    }
    return encoding.compression == bitmapAlphaBitFields ? 4 : 3;
}

// The bits of a 0x00RRGGBB pixel that the encoding keeps: the top bits of
// each channel, as many as its mask has (all 8 without masks).
uint32_t keptBits(const Encoding& encoding) {
    uint32_t kept = 0;
    for (int k = 0; k < 3; ++k) {
        const int width =
            encoding.masks[k] == 0 ? 8 : std::min(8, std::popcount(encoding.masks[k]));
        kept |= (0xffu << (8 - width) & 0xffu) << (16 - 8 * k);
    }
    return kept;
}

// A 0x00RRGGBB pixel as a 16- or 32-bit word: each channel's top bits in
// its mask, and alpha opaque, though readers ignore it.
uint32_t packed(uint32_t pixel, const Masks& masks) {
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

// The picture's colours, ascending, when there are at most 256; else empty.
std::vector<uint32_t> paletteOf(const DecodedBitmap& bitmap) {
    std::vector<uint32_t> colours = bitmap.pixels;
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    return colours.size() <= 256 ? colours : std::vector<uint32_t>{};
}

// One row of palette indices as RLE8: runs of two or more alike as encoded
// runs, other stretches of three or more as absolute runs (padded to a whole
// word), single pixels as runs of one; the row ends with an end of line.
void rle8Row(const uint8_t* row, int width, Bytes& out) {
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
Bytes pixelData(const DecodedBitmap& bitmap, const Encoding& encoding,
                const std::vector<uint32_t>& palette) {
    const int width = bitmap.width;
    const int height = bitmap.height;
    std::map<uint32_t, uint8_t> index;
    for (size_t i = 0; i < palette.size(); ++i) {
        index[palette[i]] = static_cast<uint8_t>(i);
    }
    Bytes out;
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
                (encoding.bits == 16 ? put16 : put32)(out, word);
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

// The whole file: file header, bitmap header, the masks of a 40-byte
// bit-field header or the palette, the pixels, and the colour profile if
// there is one.
Bytes encode(const DecodedBitmap& bitmap, const Encoding& encoding,
             const std::vector<uint32_t>& palette) {
    const Bytes pixels = pixelData(bitmap, encoding, palette);
    const uint32_t tableSize =
        (static_cast<uint32_t>(palette.size()) + masksAfterHeader(encoding)) * 4;
    const uint32_t pixelOffset =
        static_cast<uint32_t>(bitmapFileHeaderSize) + encoding.headerSize + tableSize;
    const uint32_t pixelBytes = static_cast<uint32_t>(pixels.size());
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + pixelBytes + encoding.profileBytes);
    put32(out, 0);
    put32(out, pixelOffset);
    put32(out, encoding.headerSize);
    if (encoding.headerSize == bitmapCoreHeaderSize) {
        put16(out, static_cast<uint32_t>(bitmap.width));
        put16(out, static_cast<uint32_t>(bitmap.height));
        put16(out, 1);
        put16(out, encoding.bits);
    } else {
        put32(out, static_cast<uint32_t>(bitmap.width));
        put32(out, static_cast<uint32_t>(encoding.topDown ? -bitmap.height : bitmap.height));
        put16(out, 1);
        put16(out, encoding.bits);
        put32(out, encoding.compression);
        put32(out, pixelBytes);
        put32(out, 2835); // 72 dots an inch
        put32(out, 2835);
        put32(out, static_cast<uint32_t>(palette.size()));
        put32(out, 0);
    }
    if (encoding.headerSize > bitmapInfoHeaderSize) {
        for (uint32_t mask : bitFields(encoding) ? encoding.masks : noMasks) {
            put32(out, mask);
        }
    }
    if (encoding.headerSize == 124) {
        // The colour space: sRGB, or the profile embedded after the pixels
        // (64 bytes of zeros: readers of sheets do not look at it).
        put32(out, encoding.profileBytes != 0 ? 0x4d424544 : 0x73524742); // 'MBED', 'sRGB'
        out.insert(out.end(), 36 + 12, 0); // endpoints and gamma, unused here
        put32(out, 4);                     // rendering intent: pictures
        put32(out, encoding.profileBytes != 0 ? encoding.headerSize + tableSize + pixelBytes : 0);
        put32(out, encoding.profileBytes);
        put32(out, 0);
    }
    for (uint32_t i = 0; i < masksAfterHeader(encoding); ++i) {
        put32(out, encoding.masks[i]);
    }
    for (uint32_t colour : palette) {
        put32(out, colour); // blue, green, red, 0
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    out.insert(out.end(), encoding.profileBytes, 0);
    return out;
}

bool writeFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

Bytes readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The written file reads back as the source's picture, stored as meant, in
// every bit that the encoding keeps.
bool readsBack(const Bytes& bytes, const DecodedBitmap& source, const Encoding& encoding) {
    BitmapHeader header;
    DecodedBitmap again;
    if (!readBitmapHeader(bytes.data(), bytes.size(), header) || header.bits != encoding.bits ||
        header.compression != encoding.compression || header.headerSize != encoding.headerSize ||
        header.topDown != encoding.topDown || !decodeBitmap(bytes.data(), bytes.size(), again) ||
        again.width != source.width || again.height != source.height) {
        return false;
    }
    const uint32_t kept = keptBits(encoding);
    return std::equal(
        again.pixels.begin(), again.pixels.end(), source.pixels.begin(),
        [kept](uint32_t read, uint32_t meant) { return (read & kept) == (meant & kept); });
}

const Encoding* encodingNamed(const std::string& name) {
    for (const Encoding& encoding : encodings) {
        if (name == encoding.name) {
            return &encoding;
        }
    }
    return nullptr;
}

int usage() {
    std::fprintf(stderr,
                 "usage: gallop-resave IMAGE_DIR OUT_DIR [--sheets NAME,...] [ENCODING...]\n"
                 "encodings:");
    for (const Encoding& encoding : encodings) {
        std::fprintf(stderr, " %s", encoding.name);
    }
    std::fprintf(stderr, "\n");
    return 2;
}

// Saves one sheet in every encoding chosen; false when one was not written
// or does not read back as it should.
bool resave(const fs::path& to, const std::string& sheet,
            const std::vector<const Encoding*>& chosen, const Bytes& original,
            const DecodedBitmap& source) {
    const std::vector<uint32_t> palette = paletteOf(source);
    if (!palette.empty()) {
        std::printf("%s: %zu colours\n", sheet.c_str(), palette.size());
    }
    bool ok = true;
    for (const Encoding* encoding : chosen) {
        const fs::path folder = to / encoding->name / "image";
        std::error_code code;
        fs::create_directories(folder, code);
        const bool eightBit = encoding->bits == 8;
        if (eightBit && palette.empty()) {
            std::printf("%s/%s: more than 256 colours, no 8-bit copy; the source is used\n",
                        encoding->name, sheet.c_str());
            ok = writeFile(folder / sheet, original) && ok;
            continue;
        }
        const Bytes bytes = encode(source, *encoding, eightBit ? palette : std::vector<uint32_t>{});
        const bool same = writeFile(folder / sheet, bytes) && readsBack(bytes, source, *encoding);
        std::printf("%s/%s: %s, %zu bytes%s\n", encoding->name, sheet.c_str(), encoding->what,
                    bytes.size(), same ? "" : ": NOT the source's picture");
        ok = same && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> places;
    std::vector<std::string> sheets;
    std::vector<const Encoding*> chosen;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--sheets") {
            if (i + 1 >= argc) {
                return usage();
            }
            std::string list = argv[++i];
            for (size_t start = 0; start <= list.size();) {
                const size_t comma = std::min(list.find(',', start), list.size());
                if (comma == start) {
                    return usage();
                }
                sheets.push_back(list.substr(start, comma - start));
                start = comma + 1;
            }
        } else if (places.size() < 2) {
            places.push_back(arg);
        } else if (const Encoding* encoding = encodingNamed(arg)) {
            chosen.push_back(encoding);
        } else {
            std::fprintf(stderr, "gallop-resave: no encoding named %s\n", arg.c_str());
            return usage();
        }
    }
    if (places.size() != 2) {
        return usage();
    }
    if (sheets.empty()) {
        sheets.assign(std::begin(defaultSheets), std::end(defaultSheets));
    }
    if (chosen.empty()) {
        for (const char* name : defaultEncodings) {
            chosen.push_back(encodingNamed(name));
        }
    }
    const fs::path from = places[0];
    const fs::path to = places[1];
    bool ok = true;
    for (const std::string& sheet : sheets) {
        const Bytes original = readFile(from / sheet);
        DecodedBitmap source;
        if (!decodeBitmap(original.data(), original.size(), source)) {
            std::fprintf(stderr, "gallop-resave: cannot read %s\n", (from / sheet).c_str());
            return 1;
        }
        ok = resave(to, sheet, chosen, original, source) && ok;
    }
    return ok ? 0 : 1;
}
