// The frame thread, the scene slots and the window's message handlers.

#include "shell/shell.h"

#include "race/scene.h"

std::atomic<void (*)()> updateProc{nullptr};
std::atomic<void (*)(DrawContext)> drawProc{nullptr};
std::atomic<void (*)()> leftClickProc{nullptr};
std::atomic<void (*)()> rightClickProc{nullptr};

std::atomic<uint8_t> leftClickLatch{0};
std::atomic<uint8_t> rightClickLatch{0};
std::atomic<int32_t> mouseX{0};
std::atomic<int32_t> mouseY{0};

std::atomic<int32_t> frameIntervalMs{30};

namespace {

Thread frameThread = nullptr;
std::atomic<bool> frameThreadStopping{false};

// Scene code runs under the scene lock, so that a paint never sees half an
// update. A close request made inside is delivered once the lock is released.
void callLocked(void (*proc)()) {
    lockScene();
    proc();
    unlockScene();
}

void frameThreadMain(void* /*unused*/) {
    while (!frameThreadStopping) {
        frameThreadPass();
    }
}

} // namespace

void frameThreadPass() {
    framePassWork();
    sleepMs(frameIntervalMs);
}

void framePassWork() {
    if (void (*update)() = updateProc) {
        callLocked(update);
    }
    if (drawProc.load() != nullptr) {
        requestPaint();
    }
    // A latch stays set until its handler clears it, so a handler that wants
    // one call per click clears its own latch.
    if (void (*left)() = leftClickProc; left != nullptr && leftClickLatch == 1) {
        callLocked(left);
    }
    if (void (*right)() = rightClickProc; right != nullptr && rightClickLatch == 1) {
        callLocked(right);
    }
}

namespace {

void resetShell() {
    frameIntervalMs = 30;
    leftClickLatch = 0;
    rightClickLatch = 0;
    mouseX = 0;
    mouseY = 0;
    updateProc = nullptr;
    drawProc = nullptr;
    leftClickProc = nullptr;
    rightClickProc = nullptr;
}

} // namespace

void startFrameThread() {
    resetShell();
    frameThreadStopping = false;
    frameThread = startThread(frameThreadMain, nullptr);
    // The thread is already running empty passes when the scene starts.
    startScene();
}

void startSceneWithoutThread() {
    resetShell();
    startScene();
}

void stopFrameThread() {
    frameThreadStopping = true;
    joinThread(frameThread);
    frameThread = nullptr;
}

void onCreate() {
    startFrameThread();
}

void onPaint(DrawContext backBuffer) {
    if (void (*draw)(DrawContext) = drawProc) {
        lockScene();
        draw(backBuffer);
        unlockScene();
    }
}

void onKeyUp(int32_t key) {
    if (key == escapeKey) {
        sendCloseRequest();
    }
}

void onMouseMove(int32_t x, int32_t y) {
    // Each coordinate is kept as an unsigned 16-bit word, as the window
    // system reports positions.
    mouseX = static_cast<uint16_t>(x);
    mouseY = static_cast<uint16_t>(y);
}

void onLeftButtonUp() {
    if (leftClickProc.load() != nullptr) {
        leftClickLatch = 1;
    }
}

void onRightButtonUp() {
    if (rightClickProc.load() != nullptr) {
        rightClickLatch = 1;
    }
}

void onDestroy() {
    stopFrameThread();
}
