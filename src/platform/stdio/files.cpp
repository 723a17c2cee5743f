// Files and arguments on the C library, for the platform layers that have no
// file interface of their own (SDL2, and the web build's file system). Their
// file names are bytes, and UTF-8 passes through unchanged.

#include "platform/platform.h"

#include <cstdio>

bool readWholeFile(const char* path, std::vector<char>& bytes) {
    bytes.clear();
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) {
        return false;
    }
    // Room for the whole file at once where its size can be told, so that a
    // sheet of megabytes is not copied again at every growth.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0) {
            bytes.reserve(static_cast<size_t>(size));
        }
        std::rewind(file);
    }
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    if (!ok) {
        bytes.clear();
    }
    return ok;
}

std::FILE* openFile(const char* path, const char* mode) {
    return std::fopen(path, mode);
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}
