// What the libFuzzer targets share: splitting an input into files in a
// scratch run directory, and the checks that stop a run.
#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

std::vector<std::string_view> splitParts(const uint8_t* data, size_t size, size_t count) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> parts;
    while (parts.size() + 1 < count) {
        const size_t at = rest.find(filePartSeparator);
        if (at == std::string_view::npos) {
            break;
        }
        parts.push_back(rest.substr(0, at));
        rest.remove_prefix(at + filePartSeparator.size());
    }
    parts.push_back(rest);
    return parts;
}

namespace {

void removeScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(scratchDir(), ignored);
}

} // namespace

const std::string& scratchDir() {
    // Never freed, so that it outlives the removal at exit.
    static const std::string* const dir = new std::string([] {
        std::string pattern = (std::filesystem::temp_directory_path() / "gallop-fuzz-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("gallop fuzz: cannot make a scratch directory");
            std::abort();
        }
        std::filesystem::create_directories(pattern + "/deta");
        std::filesystem::create_directories(pattern + "/image");
        return pattern;
    }());
    static const int removal = std::atexit(removeScratchDir);
    (void)removal;
    return *dir;
}

void putScratchFile(const char* relativePath, std::string_view bytes, bool present) {
    const std::string path = scratchDir() + "/" + relativePath;
    if (!present) {
        std::remove(path.c_str());
        return;
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

CurrentDirectory::CurrentDirectory(const std::string& dir) : previous(open(".", O_RDONLY)) {
    FUZZ_CHECK(previous >= 0 && chdir(dir.c_str()) == 0);
}

CurrentDirectory::~CurrentDirectory() {
    FUZZ_CHECK(fchdir(previous) == 0);
    close(previous);
}

std::string buildRunDir() {
    const char* fromEnvironment = std::getenv("GALLOP_RUN_DIR");
    return fromEnvironment != nullptr ? fromEnvironment : GALLOP_RUN_DIR;
}

DrawContext fuzzBackBuffer() {
    static DrawContext buffer = createBackBuffer(800, 600);
    FUZZ_CHECK(buffer != nullptr);
    return buffer;
}

void fuzzCheck(bool holds, const char* condition, const char* file, int line) {
    if (!holds) {
        std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
        std::abort();
    }
}
