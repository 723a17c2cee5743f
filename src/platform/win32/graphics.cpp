// Bitmaps and copies on GDI32 and MSIMG32. A sheet is a device-compatible
// bitmap loaded with LoadImageW; a draw context is a memory device context.
// Every copy is first clipped to both bitmaps, so GDI never reads outside a
// sheet and source and destination rectangles always have equal sizes.

#include "platform/bitmap_header.h"
#include "platform/copy_clip.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr COLORREF colourKey = RGB(0, 0, 255);

// The back buffers made here: only they are deleted and written as a whole.
// They are made and used on the window's thread alone.
std::vector<HDC>& backBuffers() {
    static std::vector<HDC> made;
    return made;
}

bool isBackBuffer(HDC dc) {
    const std::vector<HDC>& made = backBuffers();
    return std::find(made.begin(), made.end(), dc) != made.end();
}

// The size of the bitmap selected into `dc`; 0 × 0 for a null context.
SIZE bitmapSize(HDC dc) {
    SIZE size{0, 0};
    BITMAP info{};
    if (dc != nullptr && GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof info, &info) != 0) {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    return size;
}

// The part of the copy that lies inside both bitmaps.
bool clip(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx, int sy,
          CopySpan& span) {
    if (target == nullptr || source == nullptr) {
        return false;
    }
    const SIZE to = bitmapSize(contextDC(target));
    const SIZE from = bitmapSize(contextDC(source));
    return clipCopy(to.cx, to.cy, from.cx, from.cy, x, y, w, h, sx, sy, span);
}

// A 32-bit top-down device-independent layout: each pixel one word,
// 0x00RRGGBB, rows from the top.
BITMAPINFO topDownInfo(SIZE size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// `path` (UTF-8) made absolute against the current directory, in UTF-16;
// empty when it cannot be.
std::wstring fullPath(const char* path) {
    const std::wstring wide = toWide(path);
    if (wide.empty()) {
        return {};
    }
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return {};
    }
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) {
        return {};
    }
    full.resize(length);
    return full;
}

size_t pixelCount(SIZE size) {
    return static_cast<size_t>(size.cx) * static_cast<size_t>(size.cy);
}

} // namespace

Sheet loadSheet(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    // The path resolved against the current directory: given a relative
    // path, LoadImageW also looks in the program's own folder first, and
    // would draw another file than the one checked here. In UTF-16 from here
    // on, so that a folder named outside the ANSI code page is found.
    const std::wstring full = fullPath(path);
    if (full.empty()) {
        return nullptr;
    }
    // A file whose headers claim a size it cannot hold is refused, as on
    // every platform, before GDI allocates the bitmap they describe.
    std::vector<char> bytes;
    if (!readWholeFileWide(full, bytes) ||
        !bitmapHeaderUsable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())) {
        return nullptr;
    }
    // A device-compatible bitmap at the file's own size.
    return toSheet(static_cast<HBITMAP>(
        LoadImageW(nullptr, full.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
}

void deleteSheet(Sheet sheet) {
    if (sheet != nullptr) {
        DeleteObject(sheetBitmap(sheet));
    }
}

DrawContext openSheet(DrawContext target, Sheet sheet) {
    if (sheet == nullptr) {
        return nullptr;
    }
    HDC dc = CreateCompatibleDC(contextDC(target));
    if (dc == nullptr) {
        return nullptr;
    }
    if (SelectObject(dc, sheetBitmap(sheet)) == nullptr) {
        DeleteDC(dc);
        return nullptr;
    }
    return toContext(dc);
}

void closeSheet(DrawContext context) {
    // The context's first bitmap is not selected back: deleting the context
    // leaves the sheet intact and free to be selected again.
    if (context != nullptr && !isBackBuffer(contextDC(context))) {
        DeleteDC(contextDC(context));
    }
}

void copyOpaque(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx,
                int sy) {
    CopySpan span;
    if (clip(target, x, y, w, h, source, sx, sy, span)) {
        BitBlt(contextDC(target), span.x, span.y, span.w, span.h, contextDC(source), span.sx,
               span.sy, SRCCOPY);
    }
}

void copyKeyed(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx, int sy) {
    CopySpan span;
    if (clip(target, x, y, w, h, source, sx, sy, span)) {
        TransparentBlt(contextDC(target), span.x, span.y, span.w, span.h, contextDC(source),
                       span.sx, span.sy, span.w, span.h, colourKey);
    }
}

DrawContext createBackBuffer(int width, int height) {
    if (width <= 0 || height <= 0) {
        return nullptr;
    }
    // Compatible with the window when there is one, else with the screen.
    HWND window = platformWindow();
    HDC windowDC = GetDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(windowDC, width, height);
    HDC dc = CreateCompatibleDC(windowDC);
    ReleaseDC(window, windowDC);
    if (bitmap == nullptr || dc == nullptr || SelectObject(dc, bitmap) == nullptr) {
        if (dc != nullptr) {
            DeleteDC(dc);
        }
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        return nullptr;
    }
    SetBkMode(dc, TRANSPARENT);
    backBuffers().push_back(dc);
    return toContext(dc);
}

void deleteBackBuffer(DrawContext buffer) {
    HDC dc = contextDC(buffer);
    if (buffer == nullptr || !isBackBuffer(dc)) {
        return;
    }
    std::vector<HDC>& made = backBuffers();
    made.erase(std::find(made.begin(), made.end(), dc));
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

int contextWidth(DrawContext context) {
    return bitmapSize(contextDC(context)).cx;
}

int contextHeight(DrawContext context) {
    return bitmapSize(contextDC(context)).cy;
}

bool readPixels(DrawContext context, std::vector<uint32_t>& rgb) {
    rgb.clear();
    const SIZE size = bitmapSize(contextDC(context));
    if (size.cx <= 0 || size.cy <= 0) {
        return false;
    }
    // Copied into a section of known layout, whatever the device's own.
    BITMAPINFO info = topDownInfo(size);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(contextDC(context));
    bool ok = section != nullptr && dc != nullptr && SelectObject(dc, section) != nullptr &&
              BitBlt(dc, 0, 0, size.cx, size.cy, contextDC(context), 0, 0, SRCCOPY) != 0;
    if (ok) {
        GdiFlush();
        rgb.resize(pixelCount(size));
        std::memcpy(rgb.data(), bits, rgb.size() * sizeof(uint32_t));
        for (uint32_t& pixel : rgb) {
            pixel &= 0x00FFFFFFu;
        }
    }
    if (dc != nullptr) {
        DeleteDC(dc);
    }
    if (section != nullptr) {
        DeleteObject(section);
    }
    return ok;
}

bool writePixels(DrawContext context, const std::vector<uint32_t>& rgb) {
    HDC dc = contextDC(context);
    const SIZE size = bitmapSize(dc);
    if (context == nullptr || !isBackBuffer(dc) || size.cx <= 0 || size.cy <= 0 ||
        rgb.size() != pixelCount(size)) {
        return false;
    }
    BITMAPINFO info = topDownInfo(size);
    return SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(size.cx), static_cast<DWORD>(size.cy), 0,
                             0, 0, static_cast<UINT>(size.cy), rgb.data(), &info,
                             DIB_RGB_COLORS) != 0;
}
