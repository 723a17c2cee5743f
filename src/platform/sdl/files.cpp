// Files, the error message and the close request, on SDL2 and the C library.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<SDL_Window*> mainWindow{nullptr};

} // namespace

void setPlatformWindow(SDL_Window* window) {
    mainWindow = window;
}
SDL_Window* platformWindow() {
    return mainWindow;
}

unsigned closeRequestEventType() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

bool readWholeFile(const char* path, std::vector<char>& bytes) {
    bytes.clear();
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
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

void displayDataFileError() {
    if (mainWindow.load() == nullptr ||
        SDL_ShowSimpleMessageBox(0, "", dataFileErrorText, nullptr) != 0) {
        std::fprintf(stderr, "%s\n", dataFileErrorText);
    }
}

void deliverCloseRequest() {
    if (mainWindow.load() != nullptr) {
        SDL_Event event{};
        event.type = closeRequestEventType();
        SDL_PushEvent(&event);
    }
}

bool errorOutputIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}
