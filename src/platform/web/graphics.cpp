// Bitmaps and copies in memory: the sheets decoded by the project's own BMP
// reader (the same as the SDL build's), the back buffer a plain array, both
// one 32-bit word per pixel (0x00RRGGBB), copied by the shared exact loops so
// that the colour key matches to the bit.

#include "platform/bitmap_reader.h"
#include "platform/pixel_copy.h"
#include "platform/platform.h"
#include "platform/web/web_platform.h"

#include <climits>
#include <new>
#include <string>
#include <utility>
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

} // namespace

namespace {

// The sheet decoded from a BMP file's bytes, or null when they are refused.
Sheet decodeSheet(const std::vector<char>& bytes) {
    DecodedBitmap bitmap;
    if (!decodeBitmap(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), bitmap)) {
        return nullptr;
    }
    Sheet sheet = new (std::nothrow) PlatformSheet{};
    if (sheet == nullptr) {
        return nullptr;
    }
    sheet->storage = std::move(bitmap.pixels);
    sheet->rows = PixelRows{sheet->storage.data(), bitmap.width, bitmap.height, bitmap.width};
    prepareSheet(sheet->rows, sheet->runs);
    return sheet;
}

// A sheet decoded ahead of its load, with the bytes it was decoded from.
struct SheetAhead {
    std::string path;
    std::vector<char> bytes;
    Sheet sheet;
};
std::vector<SheetAhead> sheetsAhead;

// Forgets the sheet decoded ahead from `path`, if any; hands it out when
// `bytes` are the ones it was decoded from, and deletes it otherwise.
Sheet takeSheetAhead(const char* path, const std::vector<char>& bytes) {
    for (auto ahead = sheetsAhead.begin(); ahead != sheetsAhead.end(); ++ahead) {
        if (ahead->path == path) {
            Sheet sheet = ahead->bytes == bytes ? ahead->sheet : nullptr;
            if (sheet == nullptr) {
                delete ahead->sheet;
            }
            sheetsAhead.erase(ahead);
            return sheet;
        }
    }
    return nullptr;
}

} // namespace

void decodeSheetAhead(const char* path) {
    std::vector<char> bytes;
    if (path == nullptr || !readWholeFile(path, bytes)) {
        return;
    }
    delete takeSheetAhead(path, {}); // one decoded before from this path
    Sheet sheet = decodeSheet(bytes);
    if (sheet != nullptr) {
        sheetsAhead.push_back(SheetAhead{path, std::move(bytes), sheet});
    }
}

Sheet loadSheet(const char* path) {
    std::vector<char> bytes;
    if (path == nullptr || !readWholeFile(path, bytes)) {
        return nullptr;
    }
    Sheet ahead = takeSheetAhead(path, bytes);
    return ahead != nullptr ? ahead : decodeSheet(bytes);
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
