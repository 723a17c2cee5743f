// Shared by the libFuzzer targets: cutting one input into several files, a
// scratch run directory to hold them, and the checks that stop a run.
#pragma once

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The line that separates the files packed into one fuzz input.
constexpr std::string_view filePartSeparator = "\n==next file==\n";

// Cuts `data` at each separator into at most `count` parts; the last part
// keeps any further separators. Fewer separators give fewer parts.
std::vector<std::string_view> splitParts(const uint8_t* data, size_t size, size_t count);

// A run directory of this process's own (under the temporary directory, with
// deta/ and image/), removed when the process ends.
const std::string& scratchDir();

// Writes `bytes` to `relativePath` in the scratch directory, or removes the
// file there when `present` is false.
void putScratchFile(const char* relativePath, std::string_view bytes, bool present = true);

// While one of these lives, the current directory is `dir` (the scratch
// directory when none is given); the one before comes back at its end. The
// fuzzer's own paths (corpus, artifacts) stay relative to where it started.
struct CurrentDirectory {
    explicit CurrentDirectory(const std::string& dir = scratchDir());
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;
    int previous;
};

// The run directory that holds the program's data files and drawn sheets:
// GALLOP_RUN_DIR from the environment, else the build's own.
std::string buildRunDir();

// An 800×600 back buffer, made once.
DrawContext fuzzBackBuffer();

// Stops the run with a message when an invariant does not hold.
#define FUZZ_CHECK(condition) fuzzCheck((condition), #condition, __FILE__, __LINE__)
void fuzzCheck(bool holds, const char* condition, const char* file, int line);
