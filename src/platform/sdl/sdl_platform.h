// What the SDL2 implementation of the platform layer adds for the programs
// built on it: the windowed program tells it about its window, so that the
// error message becomes a message box and the close request reaches the
// window's event loop.
#pragma once

struct SDL_Window;

// The main window, or null when running without one (recorder, tests).
void setPlatformWindow(SDL_Window* window);
SDL_Window* platformWindow();

// The event type that carries a close request to the window's event loop.
unsigned closeRequestEventType();
