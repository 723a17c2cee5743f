// gallop-record: plays the race without a window, update and draw in strict
// alternation, and records it as a JSON Lines trace, PNG frames, an animated
// GIF, a video clip and a hash of every frame. It uses the program's own race
// and view code.

#include "gif_movie.h"
#include "options.h"
#include "png_frames.h"
#include "trace.h"
#include "video_clip.h"

#include "platform/platform.h"
#include "race/records.h"
#include "race/setup.h"
#include "race/update.h"
#include "view/view.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int screenWidth = 800;
constexpr int screenHeight = 600;

const char* const dataFiles[] = {"deta/courseDeta.txt", "deta/rival.txt"};

int usageError(const std::string& message) {
    std::fprintf(stderr, "gallop-record: %s\n%s", message.c_str(), recordUsage().c_str());
    return 2;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "gallop-record: %s\n", message.c_str());
    return 1;
}

// Paths are UTF-8 strings throughout. A filesystem path made from them is
// told so, and gives its name back in UTF-8: on Windows a path of plain chars
// would go through the ANSI code page, which holds only some of the
// characters a folder name may have.
std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string utf8Name(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

// Output paths are taken relative to where the recorder was started, before
// it moves into the run directory.
std::string absolute(const std::string& path) {
    if (path.empty()) {
        return path;
    }
    std::error_code ignored;
    const std::filesystem::path full = std::filesystem::absolute(pathOf(path), ignored);
    return full.empty() ? path : utf8Name(full);
}

std::string framePath(const std::string& dir, int32_t t) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04d.png", static_cast<int>(t));
    return utf8Name(pathOf(dir) / name);
}

// Every colour a frame can hold: the back buffer starts black, and every copy
// takes its pixels from one of the four sheets.
std::vector<uint32_t> possibleColours(DrawContext backBuffer) {
    std::vector<uint32_t> all(static_cast<size_t>(screenWidth) * screenHeight, 0);
    if (images == nullptr) {
        return all;
    }
    const Sheet sheets[] = {images->courseSheet, images->horseSheet, images->uniformSheet,
                            images->gateSheet};
    std::vector<uint32_t> pixels;
    for (Sheet sheet : sheets) {
        DrawContext context = openSheet(backBuffer, sheet);
        if (readPixels(context, pixels)) {
            all.insert(all.end(), pixels.begin(), pixels.end());
        }
        closeSheet(context);
    }
    return all;
}

// A frame's line in the hashes file: the tick and the 64-bit FNV-1a hash of
// its pixels' red, green and blue bytes, row by row from the top. Two frames
// with the same line are, for any purpose of a test, the same picture.
std::string hashLine(int32_t t, const std::vector<uint32_t>& pixels) {
    uint64_t hash = 0xcbf29ce484222325u;
    for (uint32_t pixel : pixels) {
        for (int shift : {16, 8, 0}) {
            hash = (hash ^ ((pixel >> shift) & 0xffu)) * 0x100000001b3u;
        }
    }
    char line[48];
    std::snprintf(line, sizeof line, "%d %016llx\n", static_cast<int>(t),
                  static_cast<unsigned long long>(hash));
    return line;
}

struct Outputs {
    std::FILE* trace = nullptr;
    std::FILE* hashes = nullptr;
    GifMovie gif;
    VideoClip video;
    ~Outputs() {
        for (std::FILE* file : {trace, hashes}) {
            if (file != nullptr) {
                std::fclose(file);
            }
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments = programArguments(argc, argv);
    std::vector<char*> argumentPointers;
    for (std::string& argument : arguments) {
        argumentPointers.push_back(argument.data());
    }
    argumentPointers.push_back(nullptr);
    RecordOptions options;
    std::string error;
    if (!parseOptions(static_cast<int>(arguments.size()), argumentPointers.data(), options,
                      error)) {
        return usageError(error);
    }
    if (options.help) {
        std::fputs(recordUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("gallop-record %s\n", GALLOP_VERSION);
        return 0;
    }
    const std::string tracePath = absolute(options.trace);
    const std::string framesDir = absolute(options.frames);
    const std::string gifPath = absolute(options.gif);
    const std::string hashesPath = absolute(options.hashes);
    const std::string videoPath = absolute(options.video);

    if (!options.dir.empty()) {
        std::error_code code;
        std::filesystem::current_path(pathOf(options.dir), code);
        if (code) {
            return failure("cannot enter the run directory '" + options.dir +
                           "': " + code.message());
        }
    }
    // A data file's full name for messages, in the system's own separators.
    const std::filesystem::path runDir = std::filesystem::current_path();
    auto fullName = [&](const char* file) { return utf8Name((runDir / file).make_preferred()); };

    // The readers report a missing file only with the program's one message;
    // name the file first.
    for (const char* file : dataFiles) {
        std::FILE* probe = openFile(file, "rb");
        if (probe == nullptr) {
            return failure("cannot read data file '" + fullName(file) +
                           "': " + std::strerror(errno));
        }
        std::fclose(probe);
    }
    if (!setupRace()) {
        releaseRace();
        return failure("cannot set the race up from '" + fullName(dataFiles[0]) + "' and '" +
                       fullName(dataFiles[1]) + "' (too few records?)");
    }

    Outputs out;
    if (!tracePath.empty()) {
        out.trace = openFile(tracePath.c_str(), "wb");
        if (out.trace == nullptr) {
            releaseRace();
            return failure("cannot write the trace '" + tracePath + "': " + std::strerror(errno));
        }
    }
    if (!hashesPath.empty()) {
        out.hashes = openFile(hashesPath.c_str(), "wb");
        if (out.hashes == nullptr) {
            releaseRace();
            return failure("cannot write the hashes '" + hashesPath + "': " + std::strerror(errno));
        }
    }
    if (!framesDir.empty()) {
        std::error_code code;
        std::filesystem::create_directories(pathOf(framesDir), code);
        if (code) {
            releaseRace();
            return failure("cannot make the frames folder '" + framesDir + "': " + code.message());
        }
    }

    loadImageSet();
    DrawContext backBuffer = createBackBuffer(screenWidth, screenHeight);
    if (backBuffer == nullptr) {
        releaseRace();
        return failure("cannot make the 800x600 back buffer");
    }
    auto finish = [&](int code) {
        deleteBackBuffer(backBuffer);
        releaseRace();
        return code;
    };

    if (!gifPath.empty() &&
        !out.gif.open(gifPath, screenWidth, screenHeight, possibleColours(backBuffer), error)) {
        return finish(failure("cannot write the GIF '" + gifPath + "': " + error));
    }
    if (!videoPath.empty() && !out.video.open(videoPath, screenWidth, screenHeight, error)) {
        return finish(failure("cannot write the video '" + videoPath + "': " + error));
    }

    auto writeTrace = [&]() {
        if (out.trace == nullptr) {
            return true;
        }
        const std::string line = traceLine();
        return std::fwrite(line.data(), 1, line.size(), out.trace) == line.size();
    };
    if (!writeTrace()) {
        return finish(failure("cannot write the trace '" + tracePath + "'"));
    }

    const bool progress = errorOutputIsTerminal() && options.ticks > 0;
    // With a clip, the frames the encoder has finished, which trail the race.
    auto showVideoProgress = [&](int encoded) {
        std::fprintf(stderr, "\rgallop-record: frame %d of %d encoded", encoded,
                     static_cast<int>(options.ticks));
    };
    const int closesBefore = closeRequestCount();
    std::vector<uint32_t> pixels;
    int32_t drawn = 0;
    for (int32_t t = 1; t <= options.ticks; ++t) {
        updateRace();
        const bool closing = closeRequestCount() != closesBefore;
        if (!closing) {
            drawScene(backBuffer);
            ++drawn;
        }
        if (!writeTrace()) {
            return finish(failure("cannot write the trace '" + tracePath + "'"));
        }
        if (closing) {
            break;
        }
        const bool wantFrame = !framesDir.empty() && (!options.atGiven || options.at.count(t) != 0);
        if (wantFrame || !gifPath.empty() || !videoPath.empty() || out.hashes != nullptr) {
            readPixels(backBuffer, pixels);
        }
        if (out.hashes != nullptr) {
            const std::string line = hashLine(t, pixels);
            if (std::fwrite(line.data(), 1, line.size(), out.hashes) != line.size()) {
                return finish(failure("cannot write the hashes '" + hashesPath + "'"));
            }
        }
        if (wantFrame &&
            !writePng(framePath(framesDir, t), screenWidth, screenHeight, pixels, error)) {
            return finish(failure("cannot write '" + framePath(framesDir, t) + "': " + error));
        }
        if (!gifPath.empty() && !out.gif.addFrame(pixels, error)) {
            return finish(failure("cannot write the GIF '" + gifPath + "': " + error));
        }
        if (!videoPath.empty() && !out.video.addFrame(pixels, error)) {
            return finish(failure("cannot write the video '" + videoPath + "': " + error));
        }
        if (progress && !videoPath.empty()) {
            showVideoProgress(out.video.encodedCount());
        } else if (progress && (t % 10 == 0 || t == options.ticks)) {
            std::fprintf(stderr, "\rgallop-record: tick %d of %d", static_cast<int>(t),
                         static_cast<int>(options.ticks));
        }
    }
    if (!videoPath.empty()) {
        // A clip needs one frame at least: with no draw at all, the black back buffer.
        if (out.video.frameCount() == 0) {
            readPixels(backBuffer, pixels);
            if (!out.video.addFrame(pixels, error)) {
                return finish(failure("cannot write the video '" + videoPath + "': " + error));
            }
        }
        if (!out.video.close(error, progress ? showVideoProgress : std::function<void(int)>())) {
            return finish(failure("cannot write the video '" + videoPath + "': " + error));
        }
    }
    if (progress) {
        std::fprintf(stderr, "\rgallop-record: %d ticks recorded, %d frames drawn\n",
                     static_cast<int>(tick), static_cast<int>(drawn));
    }

    if (!gifPath.empty()) {
        // A GIF needs one image at least: with no draw at all, the black back buffer.
        if (out.gif.frameCount() == 0) {
            readPixels(backBuffer, pixels);
            if (!out.gif.addFrame(pixels, error)) {
                return finish(failure("cannot write the GIF '" + gifPath + "': " + error));
            }
        }
        if (!out.gif.close(error)) {
            return finish(failure("cannot write the GIF '" + gifPath + "': " + error));
        }
    }
    for (auto [file, path, what] : {std::tuple{&out.trace, &tracePath, "trace"},
                                    std::tuple{&out.hashes, &hashesPath, "hashes"}}) {
        if (*file != nullptr) {
            const bool ok = std::fclose(*file) == 0;
            *file = nullptr;
            if (!ok) {
                return finish(
                    failure(std::string("cannot write the ") + what + " '" + *path + "'"));
            }
        }
    }
    return finish(0);
}
