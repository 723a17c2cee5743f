// Files, the error message and the close request, on KERNEL32 and USER32.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

#include <io.h>

#include <atomic>
#include <cstdio>
#include <string>

namespace {

std::atomic<HWND> mainWindow{nullptr};

// The error message as UTF-16, which reads the same whatever the system's
// ANSI code page.
std::wstring dataFileErrorWide() {
    const int length = MultiByteToWideChar(CP_UTF8, 0, dataFileErrorText, -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<size_t>(length) : 1, L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, dataFileErrorText, -1, wide.data(), length);
    }
    return wide;
}

} // namespace

void setPlatformWindow(HWND window) {
    mainWindow = window;
}
HWND platformWindow() {
    return mainWindow;
}

bool readWholeFile(const char* path, std::vector<char>& bytes) {
    bytes.clear();
    // Read-only and with no sharing: a file another program holds open
    // cannot be opened, and reads as missing.
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    MessageBoxW(nullptr, dataFileErrorWide().c_str(), nullptr, MB_OK);
}

void deliverCloseRequest() {
    if (HWND window = mainWindow) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
}

bool errorOutputIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
