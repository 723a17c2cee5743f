// The windowed program on SDL2: the main window, its back buffer, the event
// loop that turns window events into the shell's handlers, and the paint that
// shows the back buffer.

#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"
#include "shell/shell.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int clientWidth = 800;
constexpr int clientHeight = 600;

struct Screen {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr; // streaming, the back buffer's size and layout
    DrawContext backBuffer = nullptr;
};

// The scene's draw into the back buffer, then the whole back buffer to the
// window. The renderer's logical size is the client size with whole-number
// scaling, so on a high-density display each pixel becomes a crisp block.
void paint(const Screen& screen) {
    onPaint(screen.backBuffer);
    const SDL_Surface* source = contextSurface(screen.backBuffer);
    void* pixels = nullptr;
    int pitch = 0;
    if (source == nullptr || SDL_LockTexture(screen.texture, nullptr, &pixels, &pitch) != 0) {
        return;
    }
    const size_t rowBytes = static_cast<size_t>(source->w) * sizeof(Uint32);
    for (int y = 0; y < source->h; ++y) {
        std::memcpy(static_cast<Uint8*>(pixels) + static_cast<ptrdiff_t>(y) * pitch,
                    static_cast<const Uint8*>(source->pixels) +
                        static_cast<ptrdiff_t>(y) * source->pitch,
                    rowBytes);
    }
    SDL_UnlockTexture(screen.texture);
    SDL_RenderClear(screen.renderer);
    SDL_RenderCopy(screen.renderer, screen.texture, nullptr, nullptr);
    SDL_RenderPresent(screen.renderer);
}

bool openScreen(Screen& screen) {
    // A fixed client area: not resizable, so the window cannot be maximised.
    screen.window = SDL_CreateWindow("GALLOP", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                     clientWidth, clientHeight, SDL_WINDOW_ALLOW_HIGHDPI);
    if (screen.window == nullptr) {
        return false;
    }
    screen.renderer = SDL_CreateRenderer(screen.window, -1, 0);
    if (screen.renderer == nullptr) {
        return false;
    }
    SDL_RenderSetLogicalSize(screen.renderer, clientWidth, clientHeight);
    SDL_RenderSetIntegerScale(screen.renderer, SDL_TRUE);
    screen.texture = SDL_CreateTexture(screen.renderer, SDL_PIXELFORMAT_RGB888,
                                       SDL_TEXTUREACCESS_STREAMING, clientWidth, clientHeight);
    screen.backBuffer = createBackBuffer(clientWidth, clientHeight);
    return screen.texture != nullptr && screen.backBuffer != nullptr;
}

void closeScreen(Screen& screen) {
    deleteBackBuffer(screen.backBuffer);
    if (screen.texture != nullptr) {
        SDL_DestroyTexture(screen.texture);
    }
    if (screen.renderer != nullptr) {
        SDL_DestroyRenderer(screen.renderer);
    }
    if (screen.window != nullptr) {
        SDL_DestroyWindow(screen.window);
    }
    screen = Screen{};
}

// Runs until the window is asked to close: by the race, by Escape, by the
// window manager or by an interrupt.
void runEventLoop(const Screen& screen) {
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

} // namespace

int main(int /*argc*/, char* /*argv*/[]) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "gallop: cannot open a window: %s\n", SDL_GetError());
        return 1;
    }
    Screen screen;
    if (!openScreen(screen)) {
        std::fprintf(stderr, "gallop: cannot open a window: %s\n", SDL_GetError());
        closeScreen(screen);
        SDL_Quit();
        return 1;
    }
    setPlatformWindow(screen.window);
    // Starts the frame thread and then the race, before any event is handled.
    onCreate();
    runEventLoop(screen);
    // The frame thread ends before the window and the back buffer it paints
    // into go away.
    onDestroy();
    setPlatformWindow(nullptr);
    closeScreen(screen);
    SDL_Quit();
    return 0;
}
