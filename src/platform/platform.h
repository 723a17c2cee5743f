// The platform layer: the only code that knows the operating system or the
// graphics library. Race, data and view code reach the outside world through
// these procedures alone. Three implementations exist, chosen at build time:
// the Win32 one (USER32, GDI32, MSIMG32, KERNEL32), a portable one on SDL2,
// which the recorder and the tests also use without any window, and one for a
// browser page and node, built with Emscripten.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---- Files and the one error message -------------------------------------

// Every path handed to the platform layer is UTF-8, whatever the system's own
// encoding of file names: on Windows it becomes UTF-16 at the system call, so
// that a folder named in any script is found.

// Reads the whole file at `path` (relative to the current directory) into
// `bytes`. Returns false, leaving `bytes` empty, when the file cannot be opened.
bool readWholeFile(const char* path, std::vector<char>& bytes);

// Opens the file at `path` with the C library's `mode` ("rb", "wb"...), as
// std::fopen does. Null, with errno set, when it cannot be opened.
std::FILE* openFile(const char* path, const char* mode);

// The program's command-line arguments in UTF-8, the program's name first.
// On Windows they are read from the system's UTF-16 command line, so that an
// argument outside the ANSI code page arrives whole; elsewhere they are
// argv as it stands.
std::vector<std::string> programArguments(int argc, char** argv);

// Shows the program's one error message, "データファイルの読み込みに失敗しました",
// in a message box with no owner, no caption of its own and only an OK button.
// Without a window (recorder, tests) the text goes to standard error.
void showDataFileError();

// Asks the main window to close. Safe to call from either thread and after the
// window is gone (it then does nothing but count).
void sendCloseRequest();

// How many times each of the two calls above has been made since start-up.
// The recorder stops on the first close request; tests check both.
int closeRequestCount();
int dataFileErrorCount();

// ---- Bitmaps and copies ---------------------------------------------------

// A loaded sprite sheet (a bitmap handle on Win32).
struct PlatformSheet;
typedef PlatformSheet* Sheet;

// Something to draw into or copy from: the back buffer, or a sheet opened for
// one draw (a device context on Win32).
struct PlatformDrawContext;
typedef PlatformDrawContext* DrawContext;

// Loads a BMP file at its own size with exact colours. Null when the file is
// missing, unreadable or not a bitmap; every copy from a null sheet draws nothing.
Sheet loadSheet(const char* path);
void deleteSheet(Sheet sheet);

// Opens `sheet` for one draw into `target`: a memory context compatible with
// the target with the sheet selected. Close it before the drawing operation
// returns; closing leaves the sheet intact.
DrawContext openSheet(DrawContext target, Sheet sheet);
void closeSheet(DrawContext context);

// Copies the w × h block at (sx, sy) of `source` to (x, y) of `target`, the
// same size on both sides. The copy is clipped to the target, and nothing
// outside the source bitmap is ever read.
void copyOpaque(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx, int sy);

// As copyOpaque, but source pixels of exactly pure blue (red 0, green 0,
// blue 255) are skipped: the colour key of every sprite, rail and stall.
void copyKeyed(DrawContext target, int x, int y, int w, int h, DrawContext source, int sx, int sy);

// ---- Back buffers and pixel access -----------------------------------------

// An off-screen bitmap to draw into, `width` × `height`, all black at first
// (the 800×600 back buffer of the window and of the recorder). Null when the
// size is not positive or the memory cannot be had.
DrawContext createBackBuffer(int width, int height);
void deleteBackBuffer(DrawContext buffer);

// The size of what a context draws into or copies from: a back buffer, or a
// sheet opened for one draw. 0 × 0 for a null context or a missing sheet.
int contextWidth(DrawContext context);
int contextHeight(DrawContext context);

// Reads every pixel of `context`, row by row from the top left, as 0xRRGGBB.
// False, leaving `rgb` empty, for a null context or a missing sheet.
bool readPixels(DrawContext context, std::vector<uint32_t>& rgb);

// Writes every pixel of a back buffer from `rgb` (0xRRGGBB, row by row; the
// size must be width × height). False, changing nothing, otherwise.
bool writePixels(DrawContext context, const std::vector<uint32_t>& rgb);

// ---- The frame thread, the scene lock and paint requests ------------------

// A running thread (a thread handle on Win32).
struct PlatformThread;
typedef PlatformThread* Thread;

// Starts a thread that runs routine(parameter). Null when it cannot be started
// (always in a browser page, which has one thread).
Thread startThread(void (*routine)(void*), void* parameter);
// Waits until the thread's routine has returned, then releases the thread.
// A null thread is ignored.
void joinThread(Thread thread);

// Sleeps for at least `milliseconds`. For 0 or less it does not wait, though
// on Windows it lets any other ready thread run first. A browser page cannot
// block: there the page's timer waits between passes, and this returns at
// once.
void sleepMs(int32_t milliseconds);

// The scene lock keeps the frame thread's update and the window's paint apart.
// It is never held while asking the window for anything: a close request made
// while this thread holds the lock is delivered by unlockScene, after the
// lock has been released.
void lockScene();
void unlockScene();

// Asks the window to paint, that is to draw the scene into the back buffer
// and show the whole back buffer. Requests made before the paint runs merge
// into one. Safe from either thread; without a window it only counts.
void requestPaint();
// How many times requestPaint has been called since start-up.
int paintRequestCount();

// ---- The console ------------------------------------------------------------

// True when standard error goes to a terminal, where a tool may show progress.
bool errorOutputIsTerminal();
