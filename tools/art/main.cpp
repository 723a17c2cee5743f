// gallop-art OUTDIR: draws the sprite sheets and the icon and writes
// OUTDIR/image/course.bmp, horse.bmp, uniform.bmp, gate.bmp and gallop.ico.
// gallop-art --icons OUTDIR SIZE...: draws the icon at each size (16 to 256)
// and writes OUTDIR/SIZExSIZE/apps/gallop.png, the layout of an icon theme.
// The output depends on nothing but this program, so every run writes the
// same bytes.
#include "sheets.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

struct Output {
    std::filesystem::path path;
    std::vector<uint8_t> bytes;
};

int writeAll(const std::vector<Output>& outputs) {
    for (const Output& output : outputs) {
        std::error_code error;
        std::filesystem::create_directories(output.path.parent_path(), error);
        std::string path = output.path.string();
        if (error || output.bytes.empty() || !writeFile(path, output.bytes)) {
            std::fprintf(stderr, "gallop-art: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}

// A size in pixels, 16 to 256, written in plain decimal; 0 for anything else.
int iconSize(const char* text) {
    char* end = nullptr;
    long size = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || text[0] < '0' || text[0] > '9' || size < 16 || size > 256) {
        return 0;
    }
    return static_cast<int>(size);
}

int usage() {
    std::fprintf(stderr, "usage: gallop-art OUTDIR\n"
                         "       gallop-art --icons OUTDIR SIZE...   (SIZE 16 to 256)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "--icons") == 0) {
        std::vector<Output> outputs;
        for (int i = 3; i < argc; ++i) {
            int size = iconSize(argv[i]);
            if (size == 0) {
                return usage();
            }
            std::string folder = std::to_string(size) + "x" + std::to_string(size);
            outputs.push_back({std::filesystem::path(argv[2]) / folder / "apps" / "gallop.png",
                               encodePng(drawIcon(size))});
        }
        return writeAll(outputs);
    }
    if (argc != 2 || argv[1][0] == '-') {
        return usage();
    }
    std::filesystem::path directory = std::filesystem::path(argv[1]) / "image";
    return writeAll({
        {directory / "course.bmp", encodeBmp(drawCourseSheet())},
        {directory / "horse.bmp", encodeBmp(drawHorseSheet())},
        {directory / "uniform.bmp", encodeBmp(drawUniformSheet())},
        {directory / "gate.bmp", encodeBmp(drawGateSheet())},
        {directory / "gallop.ico", encodeIco(drawIcons())},
    });
}
