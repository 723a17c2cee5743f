// gallop-art OUTDIR: draws the sprite sheets and the icon and writes
// OUTDIR/image/course.bmp, horse.bmp, uniform.bmp and gate.bmp (8-bit
// run-length BMPs) and gallop.ico.
// gallop-art --icons OUTDIR SIZE...: draws the icon at each size (16 to 256)
// and writes OUTDIR/SIZExSIZE/apps/gallop.png, the layout of an icon theme.
// gallop-art --icon-source FILE SIZE: writes the icon at that size as C++
// source, for the Linux window program to carry.
// gallop-art --template OUTDIR: writes OUTDIR/image/*.bmp as templates to
// paint over, every cell outlined and labelled.
// gallop-art --check DIR: reads DIR/image/*.bmp and says what would draw
// wrongly; exits 1 when a sheet cannot be drawn as laid out.
// gallop-art --help, gallop-art --version: the usage, the version.
// The output depends on nothing but this program, so every run writes the
// same bytes.
#include "sheets.h"
#include "template.h"

#include "sheets/check.h"

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

const char usageText[] = "usage: gallop-art OUTDIR                (draws OUTDIR/image/*.bmp)\n"
                         "       gallop-art --icons OUTDIR SIZE...   (SIZE 16 to 256)\n"
                         "       gallop-art --icon-source FILE SIZE  (the icon as C++ source)\n"
                         "       gallop-art --template OUTDIR        (sheets to paint over)\n"
                         "       gallop-art --check DIR              (checks DIR/image/*.bmp)\n"
                         "       gallop-art --help | --version\n";

int usage() {
    std::fputs(usageText, stderr);
    return 2;
}

// Prints the findings sheet by sheet; 0 when the sheets can be drawn as laid
// out, 1 when one cannot.
int check(const std::string& directory) {
    const std::vector<ArtFinding> findings = checkArtFolder(directory);
    int warnings = 0;
    for (const std::string& sheet : artSheetNames()) {
        bool any = false;
        for (const ArtFinding& finding : findings) {
            if (finding.sheet == sheet) {
                std::printf("%-8s%s %s\n", finding.blocking ? "error" : "warning", sheet.c_str(),
                            finding.text.c_str());
                warnings += !finding.blocking;
                any = true;
            }
        }
        if (!any) {
            std::printf("%-8s%s\n", "ok", sheet.c_str());
        }
    }
    if (!artIsUsable(findings)) {
        std::printf("Not usable: a sheet cannot be drawn as laid out.\n");
        return 1;
    }
    std::printf("Usable, with %d %s.\n", warnings, warnings == 1 ? "warning" : "warnings");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(usageText, stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("gallop-art %s\n", GALLOP_VERSION);
        return 0;
    }
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
    if (argc == 4 && std::strcmp(argv[1], "--icon-source") == 0) {
        int size = iconSize(argv[3]);
        if (size == 0 || argv[2][0] == '\0') {
            return usage();
        }
        return writeAll({{std::filesystem::absolute(argv[2]),
                          encodeSource(drawIcon(size), "windowIconPixels", "windowIconSize")}});
    }
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
        return check(argv[2]);
    }
    if (argc == 3 && std::strcmp(argv[1], "--template") == 0) {
        std::vector<Output> outputs;
        for (const auto& [name, sheet] : drawTemplates()) {
            outputs.push_back(
                {std::filesystem::path(argv[2]) / "image" / name, encodeTemplate(sheet)});
        }
        return writeAll(outputs);
    }
    if (argc >= 2 && argv[1][0] == '-') {
        const char* const known[] = {"--icons",    "--icon-source", "--check",
                                     "--template", "--help",        "--version"};
        bool isKnown = false;
        for (const char* name : known) {
            isKnown = isKnown || std::strcmp(argv[1], name) == 0;
        }
        if (!isKnown) {
            std::fprintf(stderr, "gallop-art: unknown option '%s'\n", argv[1]);
        }
        return usage();
    }
    if (argc != 2) {
        return usage();
    }
    std::filesystem::path directory = std::filesystem::path(argv[1]) / "image";
    return writeAll({
        {directory / "course.bmp", encodeSheet(drawCourseSheet())},
        {directory / "horse.bmp", encodeSheet(drawHorseSheet())},
        {directory / "uniform.bmp", encodeSheet(drawUniformSheet())},
        {directory / "gate.bmp", encodeSheet(drawGateSheet())},
        {directory / "gallop.ico", encodeIco(drawIcons())},
    });
}
