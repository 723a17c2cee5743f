// gallop-resave IMAGE_DIR OUT_DIR: saves the four sprite sheets of IMAGE_DIR
// again in the encodings that drawing programs commonly write, one folder of
// sheets each:
//
//   OUT_DIR/rle8/image/   8 bits a pixel, run-length encoded (RLE8)
//   OUT_DIR/pal8/image/   8 bits a pixel, plain palette
//   OUT_DIR/top24/image/  24 bits a pixel, rows stored top down
//   OUT_DIR/v5-32/image/  32 bits a pixel with bit-field masks and the
//                         124-byte (V5) header
//
// The pictures stay the same: every file written is read back with the
// programs' own reader and must give the source's pixels exactly. A sheet of
// more than 256 colours has no 8-bit copy; it is then copied as it is into
// the 8-bit folders, and a line says so. One line per file says what was
// written. Exits 0 when every file was written and reads back the same, 1
// otherwise, 2 on bad arguments.

#include "platform/bitmap_header.h"
#include "platform/bitmap_reader.h"

#include <algorithm>
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

void put16(Bytes& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(Bytes& out, uint32_t value) {
    put16(out, value & 0xffffu);
    put16(out, value >> 16);
}

// How one copy is stored.
struct Encoding {
    const char* folder;
    const char* what;
    uint32_t bits;
    uint32_t compression;
    uint32_t headerSize;
    bool topDown;
};

const Encoding encodings[] = {
    {"rle8", "8-bit RLE8", 8, bitmapRle8, 40, false},
    {"pal8", "8-bit palette", 8, bitmapUncompressed, 40, false},
    {"top24", "24-bit, top down", 24, bitmapUncompressed, 40, true},
    {"v5-32", "32-bit bit fields, V5 header", 32, bitmapBitFields, 124, false},
};

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
        } else {
            for (int x = 0; x < width; ++x) {
                out.push_back(static_cast<uint8_t>(row[x]));
                out.push_back(static_cast<uint8_t>(row[x] >> 8));
                out.push_back(static_cast<uint8_t>(row[x] >> 16));
                if (encoding.bits == 32) {
                    out.push_back(0xff); // opaque, though readers ignore alpha
                }
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

// The whole file: file header, info header (40 or 124 bytes), the masks of
// a 40-byte bit-field header or the palette, then the pixels.
Bytes encode(const DecodedBitmap& bitmap, const Encoding& encoding,
             const std::vector<uint32_t>& palette) {
    const Bytes pixels = pixelData(bitmap, encoding, palette);
    const uint32_t tableSize = static_cast<uint32_t>(palette.size()) * 4;
    const uint32_t pixelOffset =
        static_cast<uint32_t>(bitmapFileHeaderSize) + encoding.headerSize + tableSize;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + static_cast<uint32_t>(pixels.size()));
    put32(out, 0);
    put32(out, pixelOffset);
    put32(out, encoding.headerSize);
    put32(out, static_cast<uint32_t>(bitmap.width));
    put32(out, static_cast<uint32_t>(encoding.topDown ? -bitmap.height : bitmap.height));
    put16(out, 1);
    put16(out, encoding.bits);
    put32(out, encoding.compression);
    put32(out, static_cast<uint32_t>(pixels.size()));
    put32(out, 2835); // 72 dots an inch
    put32(out, 2835);
    put32(out, static_cast<uint32_t>(palette.size()));
    put32(out, 0);
    if (encoding.headerSize == 124) {
        for (uint32_t mask : {0x00ff0000u, 0x0000ff00u, 0x000000ffu, 0xff000000u}) {
            put32(out, mask);
        }
        put32(out, 0x73524742);            // 'sRGB'
        out.insert(out.end(), 36 + 12, 0); // endpoints and gamma, unused with sRGB
        put32(out, 4);                     // rendering intent: pictures
        put32(out, 0);                     // no profile
        put32(out, 0);
        put32(out, 0);
    }
    for (uint32_t colour : palette) {
        put32(out, colour); // blue, green, red, 0
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
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

// The written file reads back as the source's picture, stored as meant.
bool readsBack(const Bytes& bytes, const DecodedBitmap& source, const Encoding& encoding) {
    BitmapHeader header;
    DecodedBitmap again;
    return readBitmapHeader(bytes.data(), bytes.size(), header) && header.bits == encoding.bits &&
           header.compression == encoding.compression && header.headerSize == encoding.headerSize &&
           header.topDown == encoding.topDown && decodeBitmap(bytes.data(), bytes.size(), again) &&
           again.width == source.width && again.height == source.height &&
           again.pixels == source.pixels;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: gallop-resave IMAGE_DIR OUT_DIR\n");
        return 2;
    }
    const fs::path from = argv[1];
    const fs::path to = argv[2];
    bool ok = true;
    for (const char* sheet : {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"}) {
        const Bytes original = readFile(from / sheet);
        DecodedBitmap source;
        if (!decodeBitmap(original.data(), original.size(), source)) {
            std::fprintf(stderr, "gallop-resave: cannot read %s\n", (from / sheet).c_str());
            return 1;
        }
        const std::vector<uint32_t> palette = paletteOf(source);
        if (!palette.empty()) {
            std::printf("%s: %zu colours\n", sheet, palette.size());
        }
        for (const Encoding& encoding : encodings) {
            const fs::path folder = to / encoding.folder / "image";
            std::error_code code;
            fs::create_directories(folder, code);
            const bool eightBit = encoding.bits == 8;
            if (eightBit && palette.empty()) {
                std::printf("%s/%s: more than 256 colours, no 8-bit copy; the source is used\n",
                            encoding.folder, sheet);
                ok = writeFile(folder / sheet, original) && ok;
                continue;
            }
            const Bytes bytes =
                encode(source, encoding, eightBit ? palette : std::vector<uint32_t>{});
            const bool same =
                writeFile(folder / sheet, bytes) && readsBack(bytes, source, encoding);
            std::printf("%s/%s: %s, %zu bytes%s\n", encoding.folder, sheet, encoding.what,
                        bytes.size(), same ? "" : ": NOT the source's picture");
            ok = same && ok;
        }
    }
    return ok ? 0 : 1;
}
