// The raster helpers: pixels, hard-edged shapes, outlines, mirroring, and the
// BMP and ICO writers.
#include "raster.h"

#include "palette.h"
#include "platform/bitmap_writer.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

Image makeImage(int width, int height, Rgb fill) {
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, snap(fill));
    return image;
}

bool inside(const Image& image, int x, int y) {
    return x >= 0 && y >= 0 && x < image.width && y < image.height;
}

Rgb getPixel(const Image& image, int x, int y) {
    if (!inside(image, x, y)) {
        return kKey;
    }
    return image.pixels[static_cast<size_t>(y) * image.width + x];
}

void setPixel(Image& image, int x, int y, Rgb colour) {
    if (inside(image, x, y)) {
        image.pixels[static_cast<size_t>(y) * image.width + x] = snap(colour);
    }
}

static uint8_t channel(double value) {
    return static_cast<uint8_t>(std::clamp(static_cast<int>(std::lround(value)), 0, 255));
}

// Arithmetic that lands exactly on pure blue stays a drawn colour.
static Rgb notKey(Rgb colour) {
    return colour == kKey ? Rgb{0, 0, 254} : colour;
}

Rgb mix(Rgb a, Rgb b, double amount) {
    return snap(notKey({channel(a.r + (b.r - a.r) * amount), channel(a.g + (b.g - a.g) * amount),
                        channel(a.b + (b.b - a.b) * amount)}));
}

Rgb shade(Rgb colour, double factor) {
    return snap(notKey(
        {channel(colour.r * factor), channel(colour.g * factor), channel(colour.b * factor)}));
}

void fillRect(Image& image, int x, int y, int width, int height, Rgb colour) {
    for (int row = y; row < y + height; ++row) {
        for (int column = x; column < x + width; ++column) {
            setPixel(image, column, row, colour);
        }
    }
}

void fillPolygon(Image& image, const std::vector<Point>& points, Rgb colour) {
    if (points.size() < 3) {
        return;
    }
    double top = points[0].y;
    double bottom = points[0].y;
    for (const Point& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    int firstRow = std::max(0, static_cast<int>(std::floor(top)));
    int lastRow = std::min(image.height - 1, static_cast<int>(std::ceil(bottom)));
    std::vector<double> crossings;
    for (int row = firstRow; row <= lastRow; ++row) {
        double y = row + 0.5;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            Point a = points[i];
            Point b = points[(i + 1) % points.size()];
            if ((a.y <= y && b.y > y) || (b.y <= y && a.y > y)) {
                crossings.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
            }
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            int from = static_cast<int>(std::ceil(crossings[i] - 0.5));
            int to = static_cast<int>(std::ceil(crossings[i + 1] - 0.5));
            for (int column = from; column < to; ++column) {
                setPixel(image, column, row, colour);
            }
        }
    }
}

void fillEllipse(Image& image, double cx, double cy, double rx, double ry, Rgb colour) {
    if (rx <= 0 || ry <= 0) {
        return;
    }
    int firstRow = static_cast<int>(std::floor(cy - ry));
    int lastRow = static_cast<int>(std::ceil(cy + ry));
    for (int row = firstRow; row <= lastRow; ++row) {
        double dy = (row + 0.5 - cy) / ry;
        if (dy * dy > 1.0) {
            continue;
        }
        double half = rx * std::sqrt(1.0 - dy * dy);
        int from = static_cast<int>(std::ceil(cx - half - 0.5));
        int to = static_cast<int>(std::ceil(cx + half - 0.5));
        for (int column = from; column < to; ++column) {
            setPixel(image, column, row, colour);
        }
    }
}

void fillCapsule(Image& image, Point a, Point b, double ra, double rb, Rgb colour) {
    double dx = b.x - a.x;
    double dy = b.y - a.y;
    double length = std::sqrt(dx * dx + dy * dy);
    if (length > 0.0) {
        double nx = -dy / length;
        double ny = dx / length;
        fillPolygon(image,
                    {{a.x + nx * ra, a.y + ny * ra},
                     {b.x + nx * rb, b.y + ny * rb},
                     {b.x - nx * rb, b.y - ny * rb},
                     {a.x - nx * ra, a.y - ny * ra}},
                    colour);
    }
    fillEllipse(image, a.x, a.y, ra, ra, colour);
    fillEllipse(image, b.x, b.y, rb, rb, colour);
}

void drawLine(Image& image, Point a, Point b, Rgb colour) {
    int x0 = static_cast<int>(std::floor(a.x));
    int y0 = static_cast<int>(std::floor(a.y));
    int x1 = static_cast<int>(std::floor(b.x));
    int y1 = static_cast<int>(std::floor(b.y));
    int dx = std::abs(x1 - x0);
    int dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1;
    int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    while (true) {
        setPixel(image, x0, y0, colour);
        if (x0 == x1 && y0 == y1) {
            break;
        }
        int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += sx;
        }
        if (twice <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

Image makeLayer(int width, int height) {
    return makeImage(width, height, kKey);
}

void outlineLayer(Image& layer, Rgb colour) {
    Image original = layer;
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            if (getPixel(original, x, y) != kKey) {
                continue;
            }
            if (getPixel(original, x - 1, y) != kKey || getPixel(original, x + 1, y) != kKey ||
                getPixel(original, x, y - 1) != kKey || getPixel(original, x, y + 1) != kKey) {
                setPixel(layer, x, y, colour);
            }
        }
    }
}

void rimShade(Image& layer, int reach, double light, double dark) {
    Image original = layer;
    for (int y = 0; y < layer.height; ++y) {
        for (int x = 0; x < layer.width; ++x) {
            Rgb colour = getPixel(original, x, y);
            if (colour == kKey) {
                continue;
            }
            if (getPixel(original, x, y - reach) == kKey) {
                setPixel(layer, x, y, shade(colour, light));
            } else if (getPixel(original, x, y + reach) == kKey) {
                setPixel(layer, x, y, shade(colour, dark));
            }
        }
    }
}

void stamp(Image& target, const Image& layer, int x, int y) {
    for (int row = 0; row < layer.height; ++row) {
        for (int column = 0; column < layer.width; ++column) {
            Rgb colour = getPixel(layer, column, row);
            if (colour != kKey) {
                setPixel(target, x + column, y + row, colour);
            }
        }
    }
}

void copyBlock(Image& target, int x, int y, const Image& source, int sx, int sy, int width,
               int height) {
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            setPixel(target, x + column, y + row, getPixel(source, sx + column, sy + row));
        }
    }
}

void copyMirrored(Image& target, int x, int y, const Image& source, int sx, int sy, int width,
                  int height) {
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            setPixel(target, x + width - 1 - column, y + row,
                     getPixel(source, sx + column, sy + row));
        }
    }
}

uint32_t hash3(uint32_t a, uint32_t b, uint32_t c) {
    uint32_t h =
        a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// BITMAPINFOHEADER: 40 bytes, no compression, no palette.
static void putInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits,
                          uint32_t imageSize) {
    putLe32(out, 40);
    putLe32(out, static_cast<uint32_t>(width));
    putLe32(out, static_cast<uint32_t>(height));
    putLe16(out, 1);
    putLe16(out, static_cast<uint32_t>(bits));
    putLe32(out, 0);
    putLe32(out, imageSize);
    putLe32(out, 2835);
    putLe32(out, 2835);
    putLe32(out, 0);
    putLe32(out, 0);
}

namespace {

// The picture as the programs' reader gives it back: 0x00RRGGBB, top row first.
DecodedBitmap asBitmap(const Image& image) {
    DecodedBitmap bitmap;
    bitmap.width = image.width;
    bitmap.height = image.height;
    bitmap.pixels.reserve(image.pixels.size());
    for (Rgb colour : image.pixels) {
        bitmap.pixels.push_back(uint32_t{colour.r} << 16 | uint32_t{colour.g} << 8 | colour.b);
    }
    return bitmap;
}

} // namespace

std::vector<uint8_t> encodeSheet(const Image& image) {
    const DecodedBitmap bitmap = asBitmap(image);
    const std::vector<uint32_t> palette = bitmapPalette(bitmap);
    if (palette.empty()) {
        return {};
    }
    return encodeBitmap(bitmap, *bitmapEncodingNamed("rle8"), palette);
}

std::vector<uint8_t> encodeTemplate(const Image& image) {
    return encodeBitmap(asBitmap(image), *bitmapEncodingNamed("plain24"), {});
}

namespace {

struct Rgba {
    uint8_t r, g, b, a;
};

// Icons have real transparency: the colour key becomes a clear pixel.
Rgba opaqueOrClear(Rgb colour) {
    if (colour == kKey) {
        return {0, 0, 0, 0};
    }
    return {colour.r, colour.g, colour.b, 255};
}

} // namespace

std::vector<uint8_t> encodeIco(const std::vector<Image>& images) {
    std::vector<std::vector<uint8_t>> entries;
    for (const Image& image : images) {
        int size = image.width;
        uint32_t maskRow = ((static_cast<uint32_t>(size) + 31) / 32) * 4;
        std::vector<uint8_t> dib;
        putInfoHeader(dib, size, size * 2, 32, static_cast<uint32_t>(size * size * 4));
        for (int y = size - 1; y >= 0; --y) {
            for (int x = 0; x < size; ++x) {
                Rgba colour = opaqueOrClear(getPixel(image, x, y));
                dib.insert(dib.end(), {colour.b, colour.g, colour.r, colour.a});
            }
        }
        for (int y = size - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskRow, 0);
            for (int x = 0; x < size; ++x) {
                if (getPixel(image, x, y) == kKey) {
                    row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                }
            }
            dib.insert(dib.end(), row.begin(), row.end());
        }
        entries.push_back(dib);
    }
    std::vector<uint8_t> out;
    putLe16(out, 0);
    putLe16(out, 1);
    putLe16(out, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<uint8_t>(images[i].width));
        out.push_back(static_cast<uint8_t>(images[i].height));
        out.push_back(0);
        out.push_back(0);
        putLe16(out, 1);
        putLe16(out, 32);
        putLe32(out, static_cast<uint32_t>(entries[i].size()));
        putLe32(out, offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const std::vector<uint8_t>& entry : entries) {
        out.insert(out.end(), entry.begin(), entry.end());
    }
    return out;
}

std::vector<uint8_t> encodePng(const Image& image) {
    std::vector<uint8_t> rgba;
    rgba.reserve(image.pixels.size() * 4);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            Rgba colour = opaqueOrClear(getPixel(image, x, y));
            rgba.insert(rgba.end(), {colour.r, colour.g, colour.b, colour.a});
        }
    }
    int length = 0;
    unsigned char* png =
        stbi_write_png_to_mem(rgba.data(), image.width * 4, image.width, image.height, 4, &length);
    if (png == nullptr) {
        return {};
    }
    std::vector<uint8_t> out(png, png + length);
    std::free(png);
    return out;
}

std::vector<uint8_t> encodeSource(const Image& image, const std::string& name,
                                  const std::string& sizeName) {
    std::string text =
        "// Drawn by gallop-art: do not edit.\n#include <cstdint>\n\nextern const int " + sizeName +
        " = " + std::to_string(image.width) + ";\nextern const uint32_t " + name + "[] = {\n";
    char word[16];
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            Rgba colour = opaqueOrClear(getPixel(image, x, y));
            std::snprintf(word, sizeof word, "0x%02x%02x%02x%02x,", colour.a, colour.r, colour.g,
                          colour.b);
            text += word;
            text += x % 8 == 7 ? "\n" : " ";
        }
    }
    text += "};\n";
    return std::vector<uint8_t>(text.begin(), text.end());
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
