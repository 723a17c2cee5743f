// What the Win32 implementation of the platform layer adds for the windowed
// program: it tells the layer about its main window, so that close and paint
// requests reach it, and asks whether a close request has to wait for the
// scene lock to be released.
#pragma once

#include "platform/platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

// UTF-8 to UTF-16 and back, for the system's wide functions. Empty for text
// that is not valid in the encoding it comes in.
std::wstring toWide(const char* utf8);
std::string toUtf8(const wchar_t* wide);

// readWholeFile for a path already in UTF-16.
bool readWholeFileWide(const std::wstring& path, std::vector<char>& bytes);

// The main window, or null before it exists and after it is gone.
void setPlatformWindow(HWND window);
HWND platformWindow();

// The handles behind the opaque types of the platform layer.
inline HDC contextDC(DrawContext context) {
    return reinterpret_cast<HDC>(context);
}
inline DrawContext toContext(HDC dc) {
    return reinterpret_cast<DrawContext>(dc);
}
inline HBITMAP sheetBitmap(Sheet sheet) {
    return reinterpret_cast<HBITMAP>(sheet);
}
inline Sheet toSheet(HBITMAP bitmap) {
    return reinterpret_cast<Sheet>(bitmap);
}
