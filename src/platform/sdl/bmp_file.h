// Loading a BMP file into an SDL surface, with its headers checked first.
#pragma once

struct SDL_Surface;

// The file at `path` as SDL loads it, once its headers have passed
// bitmapHeaderUsable. Null when the file is missing, unreadable or refused.
SDL_Surface* loadBmpFile(const char* path);
