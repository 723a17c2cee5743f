// What the SDL2 implementation of the platform layer adds for the programs
// built on it: the windowed program tells it about its window, so that the
// error message becomes a message box and the close request reaches the
// window's event loop.
#pragma once

#include "platform/platform.h"

struct SDL_Window;
struct SDL_Surface;

// The main window, or null when running without one (recorder, tests).
void setPlatformWindow(SDL_Window* window);
SDL_Window* platformWindow();

// The windowed program shows its data-file message from a fresh copy of
// itself: true in that copy, which shows only the box (showMessageBoxProcess
// returns its exit code, 0 once the box was shown and dismissed).
bool isMessageBoxProcess();
int showMessageBoxProcess();
// The signal (SIGINT or SIGTERM) that ended the wait for the message box,
// and its process with it; 0 when none did.
int messageBoxInterruption();

// The event type that carries a close request to the window's event loop.
unsigned closeRequestEventType();

// The event type that carries a paint request. The event loop calls
// paintRequestTaken as it takes one off the queue, before it paints, so that a
// request made during the paint brings one more paint.
unsigned paintRequestEventType();
void paintRequestTaken();

// The software surface behind a draw context (SDL_PIXELFORMAT_RGB888, that is
// 0x00RRGGBB in a 32-bit word): for presenting the back buffer in a window.
// Null for a null context or a missing sheet. The context keeps ownership.
SDL_Surface* contextSurface(DrawContext context);

// A back buffer over the pixels of `surface`, which must be
// SDL_PIXELFORMAT_RGB888 and need no locking (null otherwise): drawing into
// it draws straight into the surface, cleared black here. deleteBackBuffer
// leaves the surface to its owner.
DrawContext createBackBufferOn(SDL_Surface* surface);

// The program's window with its back buffer. openScreen makes a fixed-size
// window titled "GALLOP" and a back buffer of the same size, all black; null,
// with SDL's error message set, when either cannot be had. The window stays
// hidden until showScreen, so that nothing appears for a program that ends
// before its first frame.
struct PlatformScreen;
typedef PlatformScreen* Screen;
Screen openScreen(int width, int height);
void showScreen(Screen screen);
// Gives the window an icon: `size` × `size` pixels, 0xAARRGGBB, row by row.
void setScreenIcon(Screen screen, const uint32_t* pixels, int size);
void closeScreen(Screen screen);
SDL_Window* screenWindow(Screen screen);
DrawContext screenBackBuffer(Screen screen);

// Shows the whole back buffer in the window: through the window's own
// surface, or through a hardware renderer that scales it up in whole-number
// blocks where the display is of high density. Call it after drawing, on the
// thread that runs the event loop.
void presentScreen(Screen screen);
// How presentScreen shows it: "window surface" or "hardware renderer".
const char* screenPresenter(Screen screen);
