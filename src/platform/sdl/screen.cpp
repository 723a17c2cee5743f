// The program's window and how its back buffer reaches the screen.

#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <cstring>

struct PlatformScreen {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr; // streaming, the back buffer's size and layout
    DrawContext backBuffer = nullptr;
};

Screen openScreen(int width, int height) {
    Screen screen = new PlatformScreen;
    // A fixed client area: not resizable, so the window cannot be maximised.
    screen->window = SDL_CreateWindow("GALLOP", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                      width, height, SDL_WINDOW_ALLOW_HIGHDPI);
    if (screen->window != nullptr) {
        screen->renderer = SDL_CreateRenderer(screen->window, -1, 0);
    }
    if (screen->renderer != nullptr) {
        SDL_RenderSetLogicalSize(screen->renderer, width, height);
        SDL_RenderSetIntegerScale(screen->renderer, SDL_TRUE);
        screen->texture = SDL_CreateTexture(screen->renderer, SDL_PIXELFORMAT_RGB888,
                                            SDL_TEXTUREACCESS_STREAMING, width, height);
    }
    if (screen->texture != nullptr) {
        screen->backBuffer = createBackBuffer(width, height);
    }
    if (screen->backBuffer == nullptr) {
        closeScreen(screen);
        return nullptr;
    }
    return screen;
}

void closeScreen(Screen screen) {
    if (screen == nullptr) {
        return;
    }
    deleteBackBuffer(screen->backBuffer);
    if (screen->texture != nullptr) {
        SDL_DestroyTexture(screen->texture);
    }
    if (screen->renderer != nullptr) {
        SDL_DestroyRenderer(screen->renderer);
    }
    if (screen->window != nullptr) {
        SDL_DestroyWindow(screen->window);
    }
    delete screen;
}

SDL_Window* screenWindow(Screen screen) {
    return screen->window;
}

DrawContext screenBackBuffer(Screen screen) {
    return screen->backBuffer;
}

// The renderer's logical size is the client size with whole-number scaling,
// so on a high-density display each pixel becomes a crisp block.
void presentScreen(Screen screen) {
    const SDL_Surface* source = contextSurface(screen->backBuffer);
    void* pixels = nullptr;
    int pitch = 0;
    if (source == nullptr || SDL_LockTexture(screen->texture, nullptr, &pixels, &pitch) != 0) {
        return;
    }
    const size_t rowBytes = static_cast<size_t>(source->w) * sizeof(Uint32);
    for (int y = 0; y < source->h; ++y) {
        std::memcpy(static_cast<Uint8*>(pixels) + static_cast<ptrdiff_t>(y) * pitch,
                    static_cast<const Uint8*>(source->pixels) +
                        static_cast<ptrdiff_t>(y) * source->pitch,
                    rowBytes);
    }
    SDL_UnlockTexture(screen->texture);
    SDL_RenderClear(screen->renderer);
    SDL_RenderCopy(screen->renderer, screen->texture, nullptr, nullptr);
    SDL_RenderPresent(screen->renderer);
}
