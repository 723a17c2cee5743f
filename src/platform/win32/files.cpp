// Files, the error message and the close request, on KERNEL32 and USER32.

#include "platform/native.h"
#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

#include <atomic>

namespace {

std::atomic<HWND> mainWindow{nullptr};

// "データファイルの読み込みに失敗しました" as code-page-932 bytes: MessageBoxA
// takes ANSI text, which reads correctly where the ANSI code page is 932.
const char dataFileErrorText[] = "\x83\x66\x81\x5b\x83\x5e\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc"
                                 "\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x82\xc9\x8e\xb8\x94\x73\x82\xb5"
                                 "\x82\xdc\x82\xb5\x82\xbd";

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
    // No owner window and no caption: the system shows its default title.
    MessageBoxA(nullptr, dataFileErrorText, nullptr, MB_OK);
}

void deliverCloseRequest() {
    if (HWND window = mainWindow) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
}
