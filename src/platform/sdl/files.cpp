// The error message and the close request, on SDL2.

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

// The box is shown over the main window. Without a window SDL places its X11
// box by the first display's data, as it reads it in the child process that
// draws the box, and that child was seen to crash there now and then; the
// message then went to standard error, where no user sees it.
void displayDataFileError() {
    SDL_Window* window = mainWindow.load();
    if (window == nullptr || SDL_ShowSimpleMessageBox(0, "", dataFileErrorText, window) != 0) {
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
