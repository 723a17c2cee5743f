// The windowed program on SDL2: the main window, its back buffer, the event
// loop that turns window events into the shell's handlers, and the paint that
// shows the back buffer.

#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/window/icon.h"
#include "shell/shell.h"

#include <SDL.h>

#include <cstdio>
#include <string>

namespace {

constexpr int clientWidth = 800;
constexpr int clientHeight = 600;

// The scene's draw into the back buffer, then the whole back buffer to the window.
void paint(Screen screen) {
    onPaint(screenBackBuffer(screen));
    presentScreen(screen);
}

// Runs until the window is asked to close: by the race, by Escape, by the
// window manager or by an interrupt.
void runEventLoop(Screen screen) {
    SDL_Event event;
    while (SDL_WaitEvent(&event) != 0) {
        if (event.type == closeRequestEventType() || event.type == SDL_QUIT) {
            return;
        }
        if (event.type == paintRequestEventType()) {
            paintRequestTaken();
            paint(screen);
            continue;
        }
        switch (event.type) {
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                return;
            }
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                paint(screen);
            }
            break;
        case SDL_RENDER_TARGETS_RESET:
        case SDL_RENDER_DEVICE_RESET:
            paint(screen);
            break;
        case SDL_KEYUP:
            onKeyUp(event.key.keysym.sym == SDLK_ESCAPE ? escapeKey : 0);
            break;
        case SDL_MOUSEMOTION:
            onMouseMove(event.motion.x, event.motion.y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (event.button.button == SDL_BUTTON_LEFT) {
                onLeftButtonUp();
            } else if (event.button.button == SDL_BUTTON_RIGHT) {
                onRightButtonUp();
            }
            break;
        default:
            break;
        }
    }
}

// SDL falls back to drawing off screen when no display takes the window: the
// race would then run where no one sees it and end as if it had been shown.
// Unless SDL_VIDEODRIVER names the drivers to use, only drivers that show a
// window are tried, so that a display that cannot be reached is reported.
void useOnlyVisibleVideoDrivers() {
    if (SDL_getenv("SDL_VIDEODRIVER") != nullptr) {
        return;
    }
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const std::string name = SDL_GetVideoDriver(i);
        if (name != "offscreen" && name != "dummy" && name != "evdev") {
            drivers += (drivers.empty() ? "" : ",") + name;
        }
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
}

// --help and --version are answered on standard output, with no window;
// any other argument is ignored, as the program takes none.
bool answerInformationRequest(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help") {
            std::fputs("usage: gallop [--help | --version]\n"
                       "Plays the horse race in an 800x600 window, with the data files deta/\n"
                       "and the sprite sheets image/ of the current directory. The window\n"
                       "closes itself after 700 ticks (about 21 seconds), or at once on Escape.\n"
                       "Other arguments are ignored.\n"
                       "  --help     print this help and exit\n"
                       "  --version  print the version and exit\n",
                       stdout);
            return true;
        }
        if (argument == "--version") {
            std::printf("gallop %s\n", GALLOP_VERSION);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (isMessageBoxProcess()) {
        return showMessageBoxProcess();
    }
    if (answerInformationRequest(argc, argv)) {
        return 0;
    }
    useOnlyVisibleVideoDrivers();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "gallop: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    Screen screen = openScreen(clientWidth, clientHeight);
    if (screen == nullptr) {
        std::fprintf(stderr, "gallop: cannot open a window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    setScreenIcon(screen, windowIconPixels, windowIconSize);
    setPlatformWindow(screenWindow(screen));
    // Starts the frame thread and then the race, before any event is handled.
    // The window appears only once the race is set up: when a data file
    // cannot be used, the message box shows alone and the program ends.
    onCreate();
    if (closeRequestCount() == 0) {
        showScreen(screen);
    }
    runEventLoop(screen);
    // The frame thread ends before the window and the back buffer it paints
    // into go away.
    onDestroy();
    setPlatformWindow(nullptr);
    closeScreen(screen);
    SDL_Quit();
    // Ended by a signal while the message box was up: the shell's way of
    // saying so.
    const int signal = messageBoxInterruption();
    return signal != 0 ? 128 + signal : 0;
}
