// Files, the error message and the close request, on KERNEL32 and USER32.
// Paths arrive in UTF-8 and go to the system in UTF-16: the ANSI functions
// would turn every character outside the ANSI code page into '?', and open
// a file that does not exist.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

#include <io.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace {

std::atomic<HWND> mainWindow{nullptr};

} // namespace

std::wstring toWide(const char* utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

std::string toUtf8(const wchar_t* wide) {
    const int length =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, utf8.data(), length, nullptr,
                        nullptr);
    utf8.resize(static_cast<size_t>(length) - 1);
    return utf8;
}

void setPlatformWindow(HWND window) {
    mainWindow = window;
}
HWND platformWindow() {
    return mainWindow;
}

bool readWholeFile(const char* path, std::vector<char>& bytes) {
    bytes.clear();
    return path != nullptr && readWholeFileWide(toWide(path), bytes);
}

bool readWholeFileWide(const std::wstring& path, std::vector<char>& bytes) {
    bytes.clear();
    if (path.empty()) {
        return false;
    }
    // Read-only and with no sharing: a file another program holds open
    // cannot be opened, and reads as missing.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE;
    if (ok && size > 0) {
        bytes.resize(size);
        DWORD got = 0;
        // One read of the whole file; a short read is a failure, not a
        // shorter table.
        ok = ReadFile(file, bytes.data(), size, &got, nullptr) != 0 && got == size;
    }
    CloseHandle(file);
    if (!ok) {
        bytes.clear();
    }
    return ok;
}

void displayDataFileError() {
    // Without a window (the recorder) nobody would be there to dismiss a box.
    if (mainWindow.load() == nullptr) {
        std::fprintf(stderr, "%s\n", dataFileErrorText);
        return;
    }
    // No owner window and no caption: the system shows its default title.
    // The text as UTF-16, which reads the same whatever the system's ANSI
    // code page.
    MessageBoxW(nullptr, toWide(dataFileErrorText).c_str(), nullptr, MB_OK);
}

std::FILE* openFile(const char* path, const char* mode) {
    const std::wstring widePath = path != nullptr ? toWide(path) : std::wstring();
    if (widePath.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    return _wfopen(widePath.c_str(), toWide(mode).c_str());
}

void deliverCloseRequest() {
    if (HWND window = mainWindow) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
}

bool errorOutputIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
