// The application shell: the scene slots, the frame thread and the state the
// window's message handling shares with it.
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
