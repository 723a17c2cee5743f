// The one BMP reader of the SDL and web builds: a file's pixels as exact
// 0x00RRGGBB words, top row first, whatever the layout it was saved in. No
// system header here.
//
// It reads the core (12-byte) header and the 40-, 52-, 56-, 108- and 124-byte
// headers; 1-, 2-, 4- and 8-bit palettes of any length; RLE8 and RLE4; 16-
// and 32-bit pixels, plain or with bit-field masks of any position and width;
// 24-bit pixels; rows stored bottom up or top down. Alpha is ignored.
//
// What the format leaves open:
// - a channel narrower than 8 bits is widened by repeating its bits, as GDI
//   does, so that its widest value becomes 255 (5 bits abcde give abcdeabc;
//   channels of 1 to 3 bits are repeated until the byte is full); a channel
//   wider than 8 bits keeps its top 8 bits;
// - a pixel that an RLE stream never sets is black, and so is a pixel whose
//   palette index lies past the palette;
// - an RLE stream that runs off the picture or stops early keeps what it set
//   inside the picture;
// - embedded JPEG or PNG, RLE marked as stored top down, a depth or a
//   compression that do not go together are refused, as are headers refused
//   by readBitmapHeader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DecodedBitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0x00RRGGBB, top row first, width × height
};

// Decodes the BMP file in `bytes`; false, with `bitmap` empty, when it is
// refused. Allocates no more than the picture's own width × height words.
bool decodeBitmap(const uint8_t* bytes, size_t size, DecodedBitmap& bitmap);

// Reads and decodes the BMP file at `path`; false when it is missing,
// unreadable or refused.
bool readBitmapFile(const char* path, DecodedBitmap& bitmap);

// The widths in bits of the red, green and blue channels of a 16- or 32-bit
// file, as the reader takes them from its masks; false for other depths and
// for files the reader refuses.
bool bitmapChannelWidths(const uint8_t* bytes, size_t size, int widths[3]);

// A channel of `width` bits (0 to 32) widened or narrowed to 8 bits.
uint32_t widenChannel(uint32_t value, int width);
