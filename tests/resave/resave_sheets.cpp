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
#include "platform/bitmap_writer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<uint8_t>;

const char* const defaultSheets[] = {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"};
const char* const defaultEncodings[] = {"rle8", "pal8", "top24", "v5-32"};

// The bits of a 0x00RRGGBB pixel that the encoding keeps: the top bits of
// each channel, as many as its mask has (all 8 without masks).
uint32_t keptBits(const BitmapEncoding& encoding) {
    uint32_t kept = 0;
    for (int k = 0; k < 3; ++k) {
        const int width =
            encoding.masks[k] == 0 ? 8 : std::min(8, std::popcount(encoding.masks[k]));
        kept |= (0xffu << (8 - width) & 0xffu) << (16 - 8 * k);
    }
    return kept;
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
bool readsBack(const Bytes& bytes, const DecodedBitmap& source, const BitmapEncoding& encoding) {
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

int usage() {
    std::fprintf(stderr,
                 "usage: gallop-resave IMAGE_DIR OUT_DIR [--sheets NAME,...] [ENCODING...]\n"
                 "encodings:");
    for (const BitmapEncoding& encoding : bitmapEncodings) {
        std::fprintf(stderr, " %s", encoding.name);
    }
    std::fprintf(stderr, "\n");
    return 2;
}

// Saves one sheet in every encoding chosen; false when one was not written
// or does not read back as it should.
bool resave(const fs::path& to, const std::string& sheet,
            const std::vector<const BitmapEncoding*>& chosen, const Bytes& original,
            const DecodedBitmap& source) {
    const std::vector<uint32_t> palette = bitmapPalette(source);
    if (!palette.empty()) {
        std::printf("%s: %zu colours\n", sheet.c_str(), palette.size());
    }
    bool ok = true;
    for (const BitmapEncoding* encoding : chosen) {
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
        const Bytes bytes =
            encodeBitmap(source, *encoding, eightBit ? palette : std::vector<uint32_t>{});
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
    std::vector<const BitmapEncoding*> chosen;
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
        } else if (const BitmapEncoding* encoding = bitmapEncodingNamed(arg)) {
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
            chosen.push_back(bitmapEncodingNamed(name));
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
