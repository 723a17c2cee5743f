// Bitmaps and copies on SDL2 software surfaces. No window or video subsystem
// is needed: the project's own BMP reader decodes the sheets, SDL surfaces
// hold the pixels, and the two copies
// are exact copies of 32-bit words, so the colour key matches exactly and
// nothing outside either bitmap is ever touched. Each sheet keeps the opaque
// runs of its rows, found once when it is loaded, for its keyed copies.

#include "platform/bitmap_reader.h"
#include "platform/pixel_copy.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"

#include <SDL.h>

// Every surface held here is SDL_PIXELFORMAT_RGB888: one 32-bit word per
// pixel, 0x00RRGGBB in native byte order (the top byte unused).
struct PlatformSheet {
    DecodedBitmap bitmap; // the pixels, which the surface draws from in place
    SDL_Surface* surface;
    PixelRuns runs;
};

struct PlatformDrawContext {
    SDL_Surface* surface; // null for a missing sheet
    bool isBackBuffer;    // a back buffer, not a sheet opened for one draw
    bool ownsSurface;     // a back buffer of its own, not over the window's surface
    PixelRuns* runs;      // an opened sheet's runs; null for a back buffer
};

namespace {

SDL_Surface* surfaceOf(DrawContext context) {
    return context == nullptr ? nullptr : context->surface;
}

uint32_t* row(SDL_Surface* surface, int64_t y) {
    return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                       y * static_cast<int64_t>(surface->pitch));
}

bool lockIfNeeded(SDL_Surface* surface) {
    return !SDL_MUSTLOCK(surface) || SDL_LockSurface(surface) == 0;
}
void unlockIfNeeded(SDL_Surface* surface) {
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
}

PixelRows rowsOf(SDL_Surface* surface) {
    return PixelRows{static_cast<uint32_t*>(surface->pixels), surface->w, surface->h,
                     surface->pitch / static_cast<int64_t>(sizeof(uint32_t))};
}

template <bool keyed>
void copy(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx, int sy) {
    SDL_Surface* to = surfaceOf(target);
    SDL_Surface* from = surfaceOf(source);
    if (to == nullptr || from == nullptr || !lockIfNeeded(to)) {
        return;
    }
    if (from != to && !lockIfNeeded(from)) {
        unlockIfNeeded(to);
        return;
    }
    if (keyed && source->runs != nullptr) {
        copyPixelsKeyedRuns(rowsOf(to), x, y, w, h, rowsOf(from), *source->runs, sx, sy);
    } else if (keyed) {
        copyPixelsKeyed(rowsOf(to), x, y, w, h, rowsOf(from), sx, sy);
    } else {
        copyPixelsOpaque(rowsOf(to), x, y, w, h, rowsOf(from), sx, sy);
    }
    if (from != to) {
        unlockIfNeeded(from);
    }
    unlockIfNeeded(to);
}

SDL_Surface* makeSurface(int width, int height) {
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888);
    if (surface != nullptr) {
        SDL_FillRect(surface, nullptr, 0);
    }
    return surface;
}

} // namespace

Sheet loadSheet(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    Sheet sheet = new PlatformSheet{{}, nullptr, {}};
    if (!readBitmapFile(path, sheet->bitmap)) {
        delete sheet;
        return nullptr;
    }
    // A surface over the decoded words, which are already in its layout.
    DecodedBitmap& bitmap = sheet->bitmap;
    sheet->surface = SDL_CreateRGBSurfaceWithFormatFrom(
        bitmap.pixels.data(), bitmap.width, bitmap.height, 32,
        bitmap.width * static_cast<int>(sizeof(uint32_t)), SDL_PIXELFORMAT_RGB888);
    if (sheet->surface == nullptr) {
        delete sheet;
        return nullptr;
    }
    prepareSheet(rowsOf(sheet->surface), sheet->runs);
    return sheet;
}

void deleteSheet(Sheet sheet) {
    if (sheet == nullptr) {
        return;
    }
    SDL_FreeSurface(sheet->surface);
    delete sheet;
}

DrawContext openSheet(DrawContext /*target*/, Sheet sheet) {
    if (sheet == nullptr) {
        return new PlatformDrawContext{nullptr, false, false, nullptr};
    }
    return new PlatformDrawContext{sheet->surface, false, false, &sheet->runs};
}

void closeSheet(DrawContext context) {
    if (context != nullptr && !context->isBackBuffer) {
        delete context;
    }
}

void copyOpaque(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx,
                int sy) {
    copy<false>(target, x, y, w, h, source, sx, sy);
}

void copyKeyed(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx, int sy) {
    copy<true>(target, x, y, w, h, source, sx, sy);
}

DrawContext createBackBuffer(int width, int height) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    SDL_Surface* surface = makeSurface(width, height);
    if (surface == nullptr) {
        return nullptr;
    }
    return new PlatformDrawContext{surface, true, true, nullptr};
}

void deleteBackBuffer(DrawContext buffer) {
    if (buffer == nullptr || !buffer->isBackBuffer) {
        return;
    }
    if (buffer->ownsSurface) {
        SDL_FreeSurface(buffer->surface);
    }
    delete buffer;
}

int contextWidth(DrawContext context) {
    SDL_Surface* surface = surfaceOf(context);
    return surface == nullptr ? 0 : surface->w;
}

int contextHeight(DrawContext context) {
    SDL_Surface* surface = surfaceOf(context);
    return surface == nullptr ? 0 : surface->h;
}

bool readPixels(DrawContext context, std::vector<uint32_t>& rgb) {
    rgb.clear();
    SDL_Surface* surface = surfaceOf(context);
    if (surface == nullptr || !lockIfNeeded(surface)) {
        return false;
    }
    rgb.resize(static_cast<size_t>(surface->w) * static_cast<size_t>(surface->h));
    for (int y = 0; y < surface->h; ++y) {
        const uint32_t* in = row(surface, y);
        uint32_t* out = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(surface->w);
        for (int x = 0; x < surface->w; ++x) {
            out[x] = in[x] & pixelRgbMask;
        }
    }
    unlockIfNeeded(surface);
    return true;
}

bool writePixels(DrawContext context, const std::vector<uint32_t>& rgb) {
    SDL_Surface* surface = surfaceOf(context);
    if (surface == nullptr || !context->isBackBuffer ||
        rgb.size() != static_cast<size_t>(surface->w) * static_cast<size_t>(surface->h) ||
        !lockIfNeeded(surface)) {
        return false;
    }
    for (int y = 0; y < surface->h; ++y) {
        uint32_t* out = row(surface, y);
        const uint32_t* in = rgb.data() + static_cast<size_t>(y) * static_cast<size_t>(surface->w);
        for (int x = 0; x < surface->w; ++x) {
            out[x] = in[x] & pixelRgbMask;
        }
    }
    unlockIfNeeded(surface);
    return true;
}

DrawContext createBackBufferOn(SDL_Surface* surface) {
    if (surface == nullptr || surface->format->format != SDL_PIXELFORMAT_RGB888 ||
        SDL_MUSTLOCK(surface)) {
        return nullptr;
    }
    SDL_FillRect(surface, nullptr, 0);
    return new PlatformDrawContext{surface, true, false, nullptr};
}

SDL_Surface* contextSurface(DrawContext context) {
    return surfaceOf(context);
}
