#include "platform/sdl/bmp_file.h"

#include "platform/bitmap_header.h"

#include <SDL.h>

#include <climits>
#include <vector>

SDL_Surface* loadBmpFile(const char* path) {
    std::vector<char> bytes;
    if (!readUsableBitmap(path, bytes) || bytes.size() > static_cast<size_t>(INT_MAX)) {
        return nullptr;
    }
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (stream == nullptr) {
        return nullptr;
    }
    return SDL_LoadBMP_RW(stream, 1);
}
