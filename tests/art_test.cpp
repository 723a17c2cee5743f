// The sprite sheets that gallop-art draws: their sizes, the mirrored sets for
// rightward travel, the seamless repeats the scrolling relies on, the shared
// palette, and that two runs write the same bytes. The sheets are read from the run directory named
// by the GALLOP_RUN_DIR environment variable (the build's run directory by
// default), where the `art` target wrote them and where gallop-art itself lives.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

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

uint32_t le32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// Reads a 24-bit uncompressed bottom-up BMP; an empty sheet for anything else.
Sheet loadBmp(const std::string& name) {
    std::vector<uint8_t> bytes = readBytes(fs::path(runDir()) / "image" / name);
    Sheet sheet;
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M' || le32(bytes, 30) != 0 ||
        (le32(bytes, 28) & 0xFFFF) != 24) {
        return sheet;
    }
    int width = static_cast<int>(le32(bytes, 18));
    int height = static_cast<int>(le32(bytes, 22));
    size_t offset = le32(bytes, 10);
    size_t rowSize = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (width <= 0 || height <= 0 || bytes.size() < offset + rowSize * height) {
        return sheet;
    }
    sheet.width = width;
    sheet.height = height;
    sheet.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &bytes[offset + rowSize * (height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            sheet.pixels[static_cast<size_t>(y) * width + x] =
                row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x];
        }
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

TEST(ArtSheets, TwoRunsWriteTheSameBytes) {
    fs::path program = fs::path(runDir()) / "gallop-art";
    ASSERT_TRUE(fs::exists(program)) << program;
    std::string pattern = (fs::temp_directory_path() / "gallop-art-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    fs::path scratch = pattern;
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) about
    // the inlined insert of a "literal" + std::string expression.
    std::string command;
    for (const std::string& word : {program.string(), scratch.string()}) {
        command += '"';
        command += word;
        command += "\" ";
    }
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp", "gallop.ico"}) {
        std::vector<uint8_t> again = readBytes(scratch / "image" / name);
        EXPECT_FALSE(again.empty()) << name;
        EXPECT_EQ(again, readBytes(fs::path(runDir()) / "image" / name)) << name;
    }
    fs::remove_all(scratch);
}

} // namespace
