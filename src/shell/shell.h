// The application shell: the scene slots, the frame thread and the window's
// message handlers. The platform layer owns the window and its event loop and
// calls the handlers below; everything here is the same on every platform.
#pragma once

#include "platform/platform.h"

#include <atomic>
#include <cstdint>

// Scene slots: a scene plugs its update, draw and click handlers in here.
extern std::atomic<void (*)()> updateProc;
extern std::atomic<void (*)(DrawContext)> drawProc;
extern std::atomic<void (*)()> leftClickProc;
extern std::atomic<void (*)()> rightClickProc;

// Button releases latched for the click handlers; the last cursor position.
extern std::atomic<uint8_t> leftClickLatch;
extern std::atomic<uint8_t> rightClickLatch;
extern std::atomic<int32_t> mouseX;
extern std::atomic<int32_t> mouseY;

// Milliseconds the frame thread sleeps after each pass.
extern std::atomic<int32_t> frameIntervalMs;

// Resets the shell state (30 ms interval, latches, mouse, empty slots), starts
// the frame thread and then starts the scene with startScene().
void startFrameThread();

// Stops the frame thread after its current pass and waits until it has ended.
void stopFrameThread();

// One pass of the frame thread: the update under the scene lock, a paint
// request when a draw is installed, the latched clicks, then the sleep.
void frameThreadPass();

// For a platform without threads, whose own timer paces the frames: resets
// the shell state as startFrameThread does and starts the scene, with no
// frame thread; the timer then calls framePassWork once a tick.
void startSceneWithoutThread();
// The pass of the frame thread without its sleep.
void framePassWork();

// The key code of Escape, the one key the program answers.
constexpr int32_t escapeKey = 27;

// The window's messages, called on the UI thread by the platform layer.
// onCreate: the window and its back buffer exist; starts the frame thread and the scene.
void onCreate();
// onPaint: draws the scene into the back buffer; the platform then shows all of it.
void onPaint(DrawContext backBuffer);
// onKeyUp: Escape asks the window to close; every other key does nothing.
void onKeyUp(int32_t key);
// onMouseMove: records the cursor position in client coordinates.
void onMouseMove(int32_t x, int32_t y);
// Button releases latch only while the matching click handler is installed.
void onLeftButtonUp();
void onRightButtonUp();
// onDestroy: the window is closing; stops the frame thread before anything it
// uses is torn down.
void onDestroy();
