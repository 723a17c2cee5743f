// The sprite sheets that gallop-art draws: their sizes, the mirrored sets for
// rightward travel, the seamless repeats the scrolling relies on, the shared
// palette, and that two runs write the same bytes. The sheets are read from the run directory named
// by the GALLOP_RUN_DIR environment variable (the build's run directory by
// default), where the `art` target wrote them and where gallop-art itself lives.
#include "platform/bitmap_header.h"
#include "platform/bitmap_reader.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

std::string runDir() {
    if (const char* fromEnvironment = std::getenv("GALLOP_RUN_DIR")) {
        return fromEnvironment;
    }
#ifdef GALLOP_RUN_DIR
    return GALLOP_RUN_DIR;
#else
    return "";
#endif
}

std::vector<uint8_t> readBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

struct Sheet {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0xRRGGBB, top row first

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Reads a sheet with the programs' own reader; an empty sheet when it is refused.
Sheet loadBmp(const std::string& name) {
    std::vector<uint8_t> bytes = readBytes(fs::path(runDir()) / "image" / name);
    DecodedBitmap bitmap;
    Sheet sheet;
    if (decodeBitmap(bytes.data(), bytes.size(), bitmap)) {
        sheet.width = bitmap.width;
        sheet.height = bitmap.height;
        sheet.pixels = std::move(bitmap.pixels);
    }
    return sheet;
}

constexpr uint32_t kKey = 0x0000FF;

struct SheetSize {
    const char* name;
    int width;
    int height;
};

TEST(ArtSheets, HaveTheirLayoutSizes) {
    const SheetSize sizes[] = {
        {"course.bmp", 860, 330},
        {"horse.bmp", 924, 1000},
        {"uniform.bmp", 152, 1000},
        {"gate.bmp", 728, 163},
    };
    for (const SheetSize& size : sizes) {
        Sheet sheet = loadBmp(size.name);
        EXPECT_EQ(sheet.width, size.width) << size.name;
        EXPECT_EQ(sheet.height, size.height) << size.name;
    }
}

// A block of cells whose mirror image lies `down` rows lower (or, for the gate,
// `across` pixels to the right).
struct MirroredCells {
    const char* name;
    int x, y;          // first cell
    int width, height; // of one cell
    int columns, rows;
    int across, down; // where the mirror of a cell lies
};

TEST(ArtSheets, RightwardCellsMirrorTheLeftwardOnes) {
    const MirroredCells blocks[] = {
        {"horse.bmp", 0, 0, 140, 100, 6, 5, 0, 500},  // horses: coat × pose
        {"horse.bmp", 840, 0, 84, 60, 1, 8, 0, 500},  // jockeys: bracket 1–8
        {"uniform.bmp", 0, 0, 38, 20, 4, 25, 0, 500}, // silks 0–99
        {"gate.bmp", 0, 0, 182, 163, 2, 1, 364, 0},   // closed and open stall
    };
    for (const MirroredCells& block : blocks) {
        Sheet sheet = loadBmp(block.name);
        ASSERT_GT(sheet.width, 0) << block.name;
        int mismatches = 0;
        for (int column = 0; column < block.columns; ++column) {
            for (int row = 0; row < block.rows; ++row) {
                int left = block.x + column * block.width;
                int top = block.y + row * block.height;
                for (int y = 0; y < block.height; ++y) {
                    for (int x = 0; x < block.width; ++x) {
                        uint32_t mirrored = sheet.at(left + block.across + block.width - 1 - x,
                                                     top + block.down + y);
                        mismatches += sheet.at(left + x, top + y) != mirrored;
                    }
                }
            }
        }
        EXPECT_EQ(mismatches, 0) << block.name << " at x " << block.x;
    }
}

// Every sprite cell is see-through at its corners, and has something drawn.
TEST(ArtSheets, SpriteCellsStandOnTheColourKey) {
    const MirroredCells blocks[] = {
        {"horse.bmp", 0, 0, 140, 100, 6, 10, 0, 0}, {"horse.bmp", 840, 500, 84, 60, 1, 8, 0, 0},
        {"horse.bmp", 840, 0, 84, 60, 1, 8, 0, 0},  {"uniform.bmp", 0, 0, 38, 20, 4, 50, 0, 0},
        {"gate.bmp", 0, 0, 182, 163, 4, 1, 0, 0},
    };
    for (const MirroredCells& block : blocks) {
        Sheet sheet = loadBmp(block.name);
        ASSERT_GT(sheet.width, 0) << block.name;
        for (int column = 0; column < block.columns; ++column) {
            for (int row = 0; row < block.rows; ++row) {
                int left = block.x + column * block.width;
                int top = block.y + row * block.height;
                int right = left + block.width - 1;
                int bottom = top + block.height - 1;
                EXPECT_EQ(sheet.at(left, top), kKey) << block.name << " " << left << "," << top;
                EXPECT_EQ(sheet.at(right, bottom), kKey) << block.name << " " << left << "," << top;
                int drawn = 0;
                for (int y = top; y <= bottom; ++y) {
                    for (int x = left; x <= right; ++x) {
                        drawn += sheet.at(x, y) != kKey;
                    }
                }
                EXPECT_GT(drawn, block.width * block.height / 10)
                    << block.name << " " << left << "," << top;
            }
        }
    }
}

// The course strips are read 800 wide from a scrolling offset, so each repeats
// with its scroll period across the whole sheet.
struct Repeat {
    const char* what;
    int top, height, period;
    bool opaque;
};

TEST(ArtSheets, CourseStripsRepeatWithTheirScrollPeriod) {
    const Repeat strips[] = {
        {"turf band", 0, 50, 80, true},    {"dirt band", 50, 50, 80, true},
        {"turf rail", 100, 40, 16, false}, {"dirt rail", 140, 40, 16, false},
        {"backdrop", 180, 150, 48, true},
    };
    Sheet course = loadBmp("course.bmp");
    ASSERT_EQ(course.width, 860);
    for (const Repeat& strip : strips) {
        int breaks = 0;
        int keyed = 0;
        for (int y = strip.top; y < strip.top + strip.height; ++y) {
            for (int x = 0; x < course.width; ++x) {
                keyed += course.at(x, y) == kKey;
                if (x + strip.period < course.width) {
                    breaks += course.at(x, y) != course.at(x + strip.period, y);
                }
            }
        }
        EXPECT_EQ(breaks, 0) << strip.what;
        if (strip.opaque) {
            EXPECT_EQ(keyed, 0) << strip.what;
        } else {
            EXPECT_GT(keyed, 0) << strip.what;
            EXPECT_LT(keyed, course.width * strip.height) << strip.what;
        }
    }
}

TEST(ArtSheets, TrackBandsStackWithoutASeam) {
    // The track is six copies of a band, and the far course 40-row slices of
    // one: the band's texture repeats every 10 rows.
    Sheet course = loadBmp("course.bmp");
    ASSERT_EQ(course.width, 860);
    for (int band = 0; band < 2; ++band) {
        int breaks = 0;
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < course.width; ++x) {
                breaks += course.at(x, 50 * band + y) != course.at(x, 50 * band + y + 10);
            }
        }
        EXPECT_EQ(breaks, 0) << "band " << band;
    }
}

// The recorder's GIF keeps one of its 256 palette indices for unchanged
// pixels; the sheets' colours and the black of the letterbox must fit in the
// rest for the recording to be exact.
TEST(ArtSheets, ShareAPaletteThatFitsAGif) {
    std::set<uint32_t> colours{0x000000};
    for (const char* name : {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"}) {
        Sheet sheet = loadBmp(name);
        ASSERT_GT(sheet.width, 0) << name;
        colours.insert(sheet.pixels.begin(), sheet.pixels.end());
    }
    EXPECT_LE(colours.size(), 255u);
}

// Every sheet is stored as an 8-bit run-length BMP whose palette holds exactly
// its own colours, each once: a fraction of the size of a 24-bit file.
TEST(ArtSheets, AreRunLengthEncodedWithTheirOwnPalette) {
    for (const char* name : {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"}) {
        std::vector<uint8_t> bytes = readBytes(fs::path(runDir()) / "image" / name);
        BitmapHeader header;
        ASSERT_TRUE(readBitmapHeader(bytes.data(), bytes.size(), header)) << name;
        EXPECT_EQ(header.bits, 8u) << name;
        EXPECT_EQ(header.compression, bitmapRle8) << name;
        Sheet sheet = loadBmp(name);
        std::set<uint32_t> colours(sheet.pixels.begin(), sheet.pixels.end());
        std::set<uint32_t> palette;
        for (uint32_t i = 0; i < header.colorsUsed; ++i) {
            const size_t at = bitmapFileHeaderSize + header.headerSize + 4 * i;
            palette.insert(uint32_t{bytes[at + 2]} << 16 | uint32_t{bytes[at + 1]} << 8 |
                           bytes[at]);
        }
        EXPECT_EQ(header.colorsUsed, colours.size()) << name;
        EXPECT_EQ(palette, colours) << name;
    }
}

// Runs gallop-art from the run directory with the given arguments; its exit
// code, or -1 when it did not run.
int runArt(const std::vector<std::string>& arguments) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // the inlined insert of a "literal" + std::string expression.
    std::string command = "\"";
    command += (fs::path(runDir()) / "gallop-art").string();
    command += "\" 2>/dev/null";
    for (const std::string& word : arguments) {
        command += " \"";
        command += word;
        command += '"';
    }
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ArtSheets, TwoRunsWriteTheSameBytes) {
    ScratchDir scratch;
    ASSERT_EQ(runArt({scratch.path().string()}), 0);
    for (const char* name : {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp", "gallop.ico"}) {
        std::vector<uint8_t> again = readBytes(scratch.path() / "image" / name);
        EXPECT_FALSE(again.empty()) << name;
        EXPECT_EQ(again, readBytes(fs::path(runDir()) / "image" / name)) << name;
    }
}

// The templates load in the race and check clean, as the shipped sheets do;
// like them, they are the same bytes on every run.
TEST(ArtTemplates, CheckCleanAndCarryARace) {
    ScratchDir scratch;
    const fs::path first = scratch.path() / "first";
    const fs::path again = scratch.path() / "again";
    ASSERT_EQ(runArt({"--template", first.string()}), 0);
    ASSERT_EQ(runArt({"--template", again.string()}), 0);
    for (const char* name : {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"}) {
        std::vector<uint8_t> bytes = readBytes(first / "image" / name);
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(bytes, readBytes(again / "image" / name)) << name;
        EXPECT_NE(bytes, readBytes(fs::path(runDir()) / "image" / name)) << name;
    }
    EXPECT_EQ(runArt({"--check", first.string()}), 0);
    EXPECT_EQ(runArt({"--check", runDir()}), 0);
#ifdef GALLOP_RECORD_EXE
    // A whole race drawn from the templates; its frames show their white ink.
    fs::copy(fs::path(GALLOP_SOURCE_DIR) / "deta", first / "deta", fs::copy_options::recursive);
    std::string command = "\"";
    command += GALLOP_RECORD_EXE;
    command += "\" --dir \"" + first.string() + "\" --frames \"" + (first / "frames").string() +
               "\" --at 50,300 >/dev/null";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    for (const char* frame : {"frame-0050.png", "frame-0300.png"}) {
        Png png;
        ASSERT_TRUE(readPng(first / "frames" / frame, png)) << frame;
        size_t ink = 0;
        for (uint32_t pixel : png.pixels) {
            ink += (pixel & 0xFFFFFF) == 0xFFFFFF;
        }
        EXPECT_GT(ink, 1000u) << frame;
    }
#endif
}

// A folder that cannot be drawn as laid out exits 1; a bad command line 2.
TEST(ArtCheck, ExitsWithWhatItFound) {
    ScratchDir scratch;
    ASSERT_EQ(runArt({"--template", scratch.path().string()}), 0);
    fs::remove(scratch.path() / "image" / "gate.bmp");
    EXPECT_EQ(runArt({"--check", scratch.path().string()}), 1);
    EXPECT_EQ(runArt({"--check"}), 2);
    EXPECT_EQ(runArt({"--check", scratch.path().string(), "more"}), 2);
    EXPECT_EQ(runArt({"--template"}), 2);
}

// The icon file's images, 32-bit bottom-up with an AND mask, as 0xAARRGGBB
// top row first, by size.
std::map<int, std::vector<uint32_t>> icoImages(const std::vector<uint8_t>& ico) {
    std::map<int, std::vector<uint32_t>> images;
    for (size_t entry = 0; ico.size() >= 6 && entry < static_cast<size_t>(ico[4] | ico[5] << 8);
         ++entry) {
        size_t at = 6 + 16 * entry;
        int size = ico[at] == 0 ? 256 : ico[at];
        size_t pixels = bitmapU32(&ico[at + 12]) + 40;
        std::vector<uint32_t>& image = images[size];
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                image.push_back(
                    bitmapU32(&ico[pixels + 4 * (static_cast<size_t>(size - 1 - y) * size + x)]));
            }
        }
    }
    return images;
}

// The icon as PNG files for the desktop's menu: one per size asked for, the
// same head as the icon file's at 16 and 32, with clear corners and a head
// that fills a good part of the square at every size.
TEST(ArtIcons, DrawThePngIconsAtTheSizesAskedFor) {
    ScratchDir scratch;
    const std::vector<std::string> sizes = {"16", "22", "32", "48", "256"};
    std::vector<std::string> arguments = {"--icons", scratch.path().string()};
    arguments.insert(arguments.end(), sizes.begin(), sizes.end());
    ASSERT_EQ(runArt(arguments), 0);
    std::map<int, std::vector<uint32_t>> ico =
        icoImages(readBytes(fs::path(runDir()) / "image" / "gallop.ico"));
    ASSERT_EQ(ico.size(), 2u);
    for (const std::string& text : sizes) {
        int size = std::stoi(text);
        Png icon;
        ASSERT_TRUE(
            readPng(scratch.path() / (text + "x" + text) / "apps" / "gallop.png", icon, true))
            << size;
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        EXPECT_EQ(icon.pixels.front() >> 24, 0u) << size;
        size_t opaque = 0;
        for (uint32_t pixel : icon.pixels) {
            EXPECT_TRUE(pixel >> 24 == 0 || pixel >> 24 == 255) << size;
            opaque += pixel >> 24 == 255;
        }
        EXPECT_GT(opaque, icon.pixels.size() / 3) << size;
        EXPECT_LT(opaque, icon.pixels.size() * 3 / 4) << size;
        if (ico.count(size) != 0) {
            EXPECT_EQ(icon.pixels, ico[size]) << size;
        }
    }
}

// Sizes outside 16 to 256, or not plain numbers, are refused as usage errors
// before anything is written.
TEST(ArtIcons, RefuseSizesTheyCannotDraw) {
    ScratchDir scratch;
    for (const char* size : {"15", "257", "0", "-32", "32px", "", "+32"}) {
        EXPECT_EQ(runArt({"--icons", scratch.path().string(), "48", size}), 2) << size;
    }
    EXPECT_EQ(runArt({"--icons", scratch.path().string()}), 2);
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

} // namespace
