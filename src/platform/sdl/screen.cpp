// The program's window and how its back buffer reaches the screen.
//
// Where no graphics hardware draws, a renderer would only run the GPU's work
// in software (Mesa's llvmpipe, softpipe or swrast), which costs a fair share
// of a core and a hundred megabytes for what is one copy of the back buffer
// per frame. So the back buffer is shown through the window's own surface
// (shared memory on X11); when that surface has the back buffer's size and
// layout, the frame is drawn straight into it and nothing is copied at all.
// A renderer is used only where the display has more pixels than the window
// has points and real hardware scales the back buffer up to whole-number
// blocks.

#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

struct PlatformScreen {
    SDL_Window* window = nullptr;
    // With a hardware renderer: a streaming texture of the back buffer's size and layout.
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    DrawContext backBuffer = nullptr;
    // Without one: whether the back buffer is the window surface itself, and
    // otherwise the window surface it was last copied to.
    bool drawsOnSurface = false;
    SDL_Surface* shownOn = nullptr;
};

namespace {

// True when the renderer is drawn by graphics hardware: not SDL's own
// software renderer, and not OpenGL done in software by Mesa.
bool drawnByHardware(SDL_Renderer* renderer) {
    SDL_RendererInfo info;
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE) != 0 ||
        std::strcmp(info.name, "software") == 0) {
        return false;
    }
    if (std::strncmp(info.name, "opengl", 6) != 0) {
        return true;
    }
    // The renderer's GL context is current here.
    using GetString = const unsigned char* (*)(unsigned);
    constexpr unsigned glRenderer = 0x1F01;
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const char* name =
        getString == nullptr ? nullptr : reinterpret_cast<const char*>(getString(glRenderer));
    if (name == nullptr) {
        return false;
    }
    for (const char* software : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
        if (std::strstr(name, software) != nullptr) {
            return false;
        }
    }
    return true;
}

// A renderer with whole-number scaling of the back buffer, where the display
// is of high density and the renderer runs on hardware; otherwise none.
void openHardwareRenderer(Screen screen, int width, int height) {
    int pixelWidth = width, pixelHeight = height;
    SDL_GetWindowSizeInPixels(screen->window, &pixelWidth, &pixelHeight);
    if (pixelWidth <= width && pixelHeight <= height) {
        return;
    }
    screen->renderer = SDL_CreateRenderer(screen->window, -1, SDL_RENDERER_ACCELERATED);
    if (screen->renderer != nullptr && drawnByHardware(screen->renderer)) {
        SDL_RenderSetLogicalSize(screen->renderer, width, height);
        SDL_RenderSetIntegerScale(screen->renderer, SDL_TRUE);
        screen->texture = SDL_CreateTexture(screen->renderer, SDL_PIXELFORMAT_RGB888,
                                            SDL_TEXTUREACCESS_STREAMING, width, height);
    }
    if (screen->texture == nullptr && screen->renderer != nullptr) {
        SDL_DestroyRenderer(screen->renderer);
        screen->renderer = nullptr;
    }
}

// Copies the back buffer row by row into `pixels`, a bitmap of its own layout.
void copyRows(const SDL_Surface* source, void* pixels, int pitch) {
    const size_t rowBytes = static_cast<size_t>(source->w) * sizeof(Uint32);
    for (int y = 0; y < source->h; ++y) {
        std::memcpy(static_cast<Uint8*>(pixels) + static_cast<ptrdiff_t>(y) * pitch,
                    static_cast<const Uint8*>(source->pixels) +
                        static_cast<ptrdiff_t>(y) * source->pitch,
                    rowBytes);
    }
}

// The renderer's logical size is the client size with whole-number scaling,
// so on a high-density display each pixel becomes a crisp block.
void presentWithRenderer(Screen screen, const SDL_Surface* source) {
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(screen->texture, nullptr, &pixels, &pitch) != 0) {
        return;
    }
    copyRows(source, pixels, pitch);
    SDL_UnlockTexture(screen->texture);
    SDL_RenderClear(screen->renderer);
    SDL_RenderCopy(screen->renderer, screen->texture, nullptr, nullptr);
    SDL_RenderPresent(screen->renderer);
}

// The back buffer copied into the window surface at its top left, or in
// whole-number blocks in the middle of a larger surface, then shown.
void presentOnSurface(Screen screen, SDL_Surface* source) {
    SDL_Surface* surface = SDL_GetWindowSurface(screen->window);
    if (surface == nullptr) {
        return;
    }
    if (surface != screen->shownOn) {
        // A new surface (the first, or after a change of size) starts black around the picture.
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        screen->shownOn = surface;
    }
    const int scale = std::max(1, std::min(surface->w / source->w, surface->h / source->h));
    SDL_Rect place{0, 0, source->w * scale, source->h * scale};
    if (scale > 1) {
        place.x = (surface->w - place.w) / 2;
        place.y = (surface->h - place.h) / 2;
        SDL_BlitScaled(source, nullptr, surface, &place);
    } else if (surface->format->format == source->format->format && surface->w >= source->w &&
               surface->h >= source->h && !SDL_MUSTLOCK(surface)) {
        // The usual case: the same layout, so whole rows (SDL's blit would
        // go pixel by pixel).
        copyRows(source, surface->pixels, surface->pitch);
    } else {
        SDL_BlitSurface(source, nullptr, surface, &place);
    }
    SDL_UpdateWindowSurface(screen->window);
}

// The window surface is replaced when the window changes size. Its pixels
// stay in place until SDL_GetWindowSurface is asked for the new one, so the
// back buffer moves into memory of its own with every pixel it holds.
void moveBackBufferOffSurface(Screen screen) {
    DrawContext own =
        createBackBuffer(contextWidth(screen->backBuffer), contextHeight(screen->backBuffer));
    if (own == nullptr) {
        return;
    }
    copyOpaque(own, 0, 0, contextWidth(own), contextHeight(own), screen->backBuffer, 0, 0);
    deleteBackBuffer(screen->backBuffer);
    screen->backBuffer = own;
    screen->drawsOnSurface = false;
    screen->shownOn = nullptr;
}

} // namespace

Screen openScreen(int width, int height) {
    Screen screen = new PlatformScreen;
    // A fixed client area: not resizable, so the window cannot be maximised.
    screen->window = SDL_CreateWindow("GALLOP", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                      width, height, SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN);
    if (screen->window != nullptr) {
        openHardwareRenderer(screen, width, height);
    }
    if (screen->window != nullptr && screen->renderer == nullptr) {
        // The window surface as plain memory, never through a renderer of its own.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_Surface* surface = SDL_GetWindowSurface(screen->window);
        if (surface == nullptr) {
            closeScreen(screen);
            return nullptr;
        }
        if (surface->w == width && surface->h == height) {
            screen->backBuffer = createBackBufferOn(surface);
            screen->drawsOnSurface = screen->backBuffer != nullptr;
            screen->shownOn = surface;
        }
    }
    if (screen->window != nullptr && screen->backBuffer == nullptr) {
        screen->backBuffer = createBackBuffer(width, height);
    }
    if (screen->backBuffer == nullptr) {
        closeScreen(screen);
        return nullptr;
    }
    return screen;
}

void showScreen(Screen screen) {
    SDL_ShowWindow(screen->window);
}

void setScreenIcon(Screen screen, const uint32_t* pixels, int size) {
    // SDL copies the pixels into the window's properties (_NET_WM_ICON on X11).
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint32_t*>(pixels), size, size, 32, size * static_cast<int>(sizeof(uint32_t)),
        SDL_PIXELFORMAT_ARGB8888);
    if (icon != nullptr) {
        SDL_SetWindowIcon(screen->window, icon);
        SDL_FreeSurface(icon);
    }
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

const char* screenPresenter(Screen screen) {
    return screen->renderer != nullptr ? "hardware renderer" : "window surface";
}

void presentScreen(Screen screen) {
    SDL_Surface* source = contextSurface(screen->backBuffer);
    if (source == nullptr) {
        return;
    }
    if (screen->renderer != nullptr) {
        presentWithRenderer(screen, source);
        return;
    }
    if (screen->drawsOnSurface) {
        if (SDL_UpdateWindowSurface(screen->window) == 0) {
            return;
        }
        moveBackBufferOffSurface(screen);
        if (screen->drawsOnSurface) {
            return;
        }
        source = contextSurface(screen->backBuffer);
    }
    presentOnSurface(screen, source);
}
