// Small raster helpers for drawing the sprite sheets pixel by pixel: hard-edged
// shapes (no blending, so every sprite edge stays crisp against the colour
// key), outlines, mirroring and the BMP, ICO and PNG writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};

inline bool operator==(Rgb a, Rgb b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}
inline bool operator!=(Rgb a, Rgb b) {
    return !(a == b);
}

// Pure blue: the see-through colour of every rail, sprite and stall cell.
constexpr Rgb kKey{0, 0, 255};

struct Point {
    double x, y;
};

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

Image makeImage(int width, int height, Rgb fill);
bool inside(const Image& image, int x, int y);
Rgb getPixel(const Image& image, int x, int y);
// Paints the palette entry nearest to `colour` (see palette.h).
void setPixel(Image& image, int x, int y, Rgb colour);

// Colour arithmetic: `amount` 0 keeps `a`, 1 gives `b`. Both give the nearest
// palette entry, never the colour key.
Rgb mix(Rgb a, Rgb b, double amount);
Rgb shade(Rgb colour, double factor);

// Filled shapes. A pixel is painted when its centre lies inside the shape.
void fillRect(Image& image, int x, int y, int width, int height, Rgb colour);
void fillPolygon(Image& image, const std::vector<Point>& points, Rgb colour);
void fillEllipse(Image& image, double cx, double cy, double rx, double ry, Rgb colour);
// A limb: a tapered band from `a` (radius ra) to `b` (radius rb) with round ends.
void fillCapsule(Image& image, Point a, Point b, double ra, double rb, Rgb colour);
void drawLine(Image& image, Point a, Point b, Rgb colour);

// A transparent layer of the given size (all colour key).
Image makeLayer(int width, int height);
// Paints every key pixel that touches (4-neighbour) a drawn pixel of the layer
// with `colour`, so the shape reads against anything behind it.
void outlineLayer(Image& layer, Rgb colour);
// Rim light: pixels of the layer whose pixel `reach` rows above is transparent
// take `light`, those whose pixel `reach` rows below is transparent take `dark`.
void rimShade(Image& layer, int reach, double light, double dark);
// Copies the drawn (non-key) pixels of `layer` onto `target` at (x, y).
void stamp(Image& target, const Image& layer, int x, int y);
// Copies a whole block (key included) from `source` to `target`.
void copyBlock(Image& target, int x, int y, const Image& source, int sx, int sy, int width,
               int height);
// Writes the left-right mirror of the block at (sx, sy) of `source` to (x, y).
void copyMirrored(Image& target, int x, int y, const Image& source, int sx, int sy, int width,
                  int height);

// Small deterministic hash for textures: the same inputs give the same value
// on every run and every machine.
uint32_t hash3(uint32_t a, uint32_t b, uint32_t c);

// A shipped sheet: an 8-bit run-length (RLE8) BMP whose palette is exactly
// the sheet's colours, every reader's pixels the same as drawn. Empty when
// the sheet has more than 256 colours, which the shared palette never gives.
std::vector<uint8_t> encodeSheet(const Image& image);
// A template to paint over: a plain 24-bit BMP, which every drawing program
// opens and saves in whatever depth the artist likes.
std::vector<uint8_t> encodeTemplate(const Image& image);
// An icon file holding every image given (square, at most 256 pixels), 32-bit
// with the colour key turned into full transparency.
std::vector<uint8_t> encodeIco(const std::vector<Image>& images);
// A PNG file, 8-bit RGBA, with the colour key turned into full transparency
// as in the icon file.
std::vector<uint8_t> encodePng(const Image& image);
// C++ source that defines `name`, the image's pixels as 0xAARRGGBB words row
// by row from the top, with the colour key clear as in the icon file, and
// `sizeName`, its width (the image is square): for a program that carries
// the icon inside itself.
std::vector<uint8_t> encodeSource(const Image& image, const std::string& name,
                                  const std::string& sizeName);
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
