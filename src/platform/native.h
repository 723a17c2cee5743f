// Each platform's own part of the platform layer, which the shared part
// (requests.cpp) builds on. No system header here.
#pragma once

// The program's one error message, "データファイルの読み込みに失敗しました", in
// UTF-8. Each platform shows it in its own encoding.
extern const char* const dataFileErrorText;

// Shows the one error message: a message box, or standard error without a window.
void displayDataFileError();

// Sends the close request to the main window at once (on Win32 a SendMessageA
// that returns once the window has handled it; on SDL an event on the window's
// queue). Does nothing without a window.
void deliverCloseRequest();

// Takes and releases the operating system's lock behind the scene lock.
void takeSceneLock();
void releaseSceneLock();

// Asks the window to paint the whole client area; requests made before one
// paint merge into that paint. Does nothing without a window.
void deliverPaintRequest();
