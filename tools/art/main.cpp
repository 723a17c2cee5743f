// gallop-art OUTDIR: draws the sprite sheets and the icon and writes
// OUTDIR/image/course.bmp, horse.bmp, uniform.bmp, gate.bmp and gallop.ico.
// The output depends on nothing but this program, so every run writes the
// same bytes.
#include "sheets.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: gallop-art OUTDIR\n");
        return 2;
    }
    std::filesystem::path directory = std::filesystem::path(argv[1]) / "image";
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error) {
        std::fprintf(stderr, "gallop-art: cannot create %s\n", directory.string().c_str());
        return 1;
    }
    struct Output {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    const Output outputs[] = {
        {"course.bmp", encodeBmp(drawCourseSheet())},   {"horse.bmp", encodeBmp(drawHorseSheet())},
        {"uniform.bmp", encodeBmp(drawUniformSheet())}, {"gate.bmp", encodeBmp(drawGateSheet())},
        {"gallop.ico", encodeIco(drawIcons())},
    };
    for (const Output& output : outputs) {
        std::string path = (directory / output.name).string();
        if (!writeFile(path, output.bytes)) {
            std::fprintf(stderr, "gallop-art: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
