// Bitmaps and copies in memory: the sheets decoded by stb_image, the back
// buffer a plain array, both one 32-bit word per pixel (0x00RRGGBB), copied
// by the shared exact loops so that the colour key matches to the bit.

#include "platform/pixel_copy.h"
#include "platform/platform.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#include <stb_image.h>

#include <climits>
#include <new>
#include <vector>

struct PlatformSheet {
    std::vector<uint32_t> storage;
    PixelRows rows;
    PixelRuns runs; // the opaque runs of every row, for keyed copies
};

struct PlatformDrawContext {
    PixelRows rows;                // rows.pixels is null for a missing sheet
    std::vector<uint32_t> storage; // a back buffer's own pixels; empty for an opened sheet
    bool ownsPixels;               // a back buffer owns its pixels; an opened sheet does not
    PixelRuns* runs = nullptr;     // an opened sheet's runs; null for a back buffer
};

namespace {

const PixelRows noRows{nullptr, 0, 0, 0};

const PixelRows& rowsOf(DrawContext context) {
    return context == nullptr ? noRows : context->rows;
}

// A sheet's bytes as stb_image decodes them, three per pixel (red, green,
// blue), turned into words. A BMP's palette or 24-bit colours arrive unchanged.
Sheet sheetFromRgb(const unsigned char* rgb, int width, int height) {
    Sheet sheet = new (std::nothrow) PlatformSheet{};
    if (sheet == nullptr) {
        return nullptr;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    sheet->storage.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* pixel = rgb + i * 3;
        sheet->storage[i] = uint32_t{pixel[0]} << 16 | uint32_t{pixel[1]} << 8 | pixel[2];
    }
    sheet->rows = PixelRows{sheet->storage.data(), width, height, width};
    prepareSheet(sheet->rows, sheet->runs);
    return sheet;
}

} // namespace

Sheet loadSheet(const char* path) {
    std::vector<char> bytes;
    if (path == nullptr || !readWholeFile(path, bytes) || bytes.empty() ||
        bytes.size() > static_cast<size_t>(INT_MAX)) {
        return nullptr;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    unsigned char* rgb =
        stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                              static_cast<int>(bytes.size()), &width, &height, &channels, 3);
    if (rgb == nullptr) {
        return nullptr;
    }
    Sheet sheet = sheetFromRgb(rgb, width, height);
    stbi_image_free(rgb);
    return sheet;
}

void deleteSheet(Sheet sheet) {
    delete sheet;
}

DrawContext openSheet(DrawContext /*target*/, Sheet sheet) {
    if (sheet == nullptr) {
        return new PlatformDrawContext{noRows, {}, false};
    }
    return new PlatformDrawContext{sheet->rows, {}, false, &sheet->runs};
}

void closeSheet(DrawContext context) {
    if (context != nullptr && !context->ownsPixels) {
        delete context;
    }
}

void copyOpaque(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx,
                int sy) {
    copyPixelsOpaque(rowsOf(target), x, y, w, h, rowsOf(source), sx, sy);
}

void copyKeyed(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx, int sy) {
    if (source != nullptr && source->runs != nullptr) {
        copyPixelsKeyedRuns(rowsOf(target), x, y, w, h, rowsOf(source), *source->runs, sx, sy);
    } else {
        copyPixelsKeyed(rowsOf(target), x, y, w, h, rowsOf(source), sx, sy);
    }
}

DrawContext createBackBuffer(int width, int height) {
    if (width <= 0 || height <= 0 || width > INT_MAX / height) {
        return nullptr;
    }
    DrawContext buffer = new (std::nothrow) PlatformDrawContext{noRows, {}, true};
    if (buffer == nullptr) {
        return nullptr;
    }
    buffer->storage.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    buffer->rows = PixelRows{buffer->storage.data(), width, height, width};
    return buffer;
}

void deleteBackBuffer(DrawContext buffer) {
    if (buffer != nullptr && buffer->ownsPixels) {
        delete buffer;
    }
}

int contextWidth(DrawContext context) {
    return rowsOf(context).pixels == nullptr ? 0 : rowsOf(context).width;
}

int contextHeight(DrawContext context) {
    return rowsOf(context).pixels == nullptr ? 0 : rowsOf(context).height;
}

bool readPixels(DrawContext context, std::vector<uint32_t>& rgb) {
    rgb.clear();
    const PixelRows& rows = rowsOf(context);
    if (rows.pixels == nullptr) {
        return false;
    }
    rgb.reserve(static_cast<size_t>(rows.width) * static_cast<size_t>(rows.height));
    for (int y = 0; y < rows.height; ++y) {
        const uint32_t* in = rows.pixels + static_cast<int64_t>(y) * rows.pitch;
        for (int x = 0; x < rows.width; ++x) {
            rgb.push_back(in[x] & pixelRgbMask);
        }
    }
    return true;
}

bool writePixels(DrawContext context, const std::vector<uint32_t>& rgb) {
    if (context == nullptr || !context->ownsPixels || rgb.size() != context->storage.size()) {
        return false;
    }
    for (size_t i = 0; i < rgb.size(); ++i) {
        context->storage[i] = rgb[i] & pixelRgbMask;
    }
    return true;
}
