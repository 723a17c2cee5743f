// The headers of a BMP file, checked before a loader trusts the size they
// claim. A loader allocates the whole bitmap from the header alone, so a
// damaged file could ask for gigabytes; such a file is refused instead, and
// the sheet it was meant to be draws nothing. No system header here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The largest bitmap loaded as a sheet: each side at most 8192 pixels and at
// most 2^23 pixels in all, eight times the largest sheet the view reads.
constexpr int64_t maxBitmapSide = 8192;
constexpr int64_t maxBitmapPixels = int64_t{1} << 23;

// True when `bytes` hold a BMP file whose headers are sound: the "BM" mark, a
// core (12-byte) or an info header (40 bytes or more) inside the file, a
// width and height (either sign) from 1 to maxBitmapSide and no more than
// maxBitmapPixels in all, and, when the pixels are stored uncompressed, a
// depth of 1 to 32 bits and every row inside the file. Run-length encoded
// pixels are left for the loader to read, within the same size limits.
bool bitmapHeaderUsable(const uint8_t* bytes, size_t size);

// Reads the BMP file at `path` into `bytes` for a loader; false when it is
// missing or unreadable, or its headers are refused as above.
bool readUsableBitmap(const char* path, std::vector<char>& bytes);
