// The page's side of the web build: what the page's script calls. The script
// fetches the data files and the sheets into the in-memory file system,
// starts the race, and then, on a timer of frameIntervalMs, runs one frame
// pass (the update, then the paint) and puts the back buffer on the canvas.
// Keys and the mouse arrive as the window's messages do on the other builds.

#include "platform/platform.h"
#include "platform/web/web_platform.h"
#include "race/records.h"
#include "shell/shell.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int clientWidth = 800;
constexpr int clientHeight = 600;

DrawContext backBuffer = nullptr;
std::vector<uint32_t> words;     // the back buffer read out, 0xRRGGBB
std::vector<uint8_t> canvasRgba; // the same as the canvas takes it: red, green, blue, alpha

// The results of gallopPass.
constexpr int passShowsFrame = 1;
constexpr int passWithoutFrame = 0;
constexpr int passEndsRace = -1;

} // namespace

extern "C" {

// Starts a race from the files now under deta/ and image/: a fresh black
// back buffer and the counters at 0, as when the program starts. Returns 1
// when the race runs, 0 when a data file could not be used (the message has
// then been shown).
EMSCRIPTEN_KEEPALIVE int gallopStart() {
    deleteBackBuffer(backBuffer);
    backBuffer = createBackBuffer(clientWidth, clientHeight);
    canvasRgba.assign(static_cast<size_t>(clientWidth) * clientHeight * 4, 0);
    tick = 0;
    runStep = 0;
    clearCloseRequest();
    takePaintRequest();
    startSceneWithoutThread();
    if (updateProc.load() == nullptr || closeRequested()) {
        updateProc = nullptr;
        drawProc = nullptr;
        return 0;
    }
    return 1;
}

// One frame pass: the update, then the paint it asked for. Returns
// passShowsFrame when gallopPixels holds a new frame, passWithoutFrame when
// nothing was drawn, and passEndsRace once the race has asked to close; the
// last frame shown then stays, as the window would have closed before
// painting again.
EMSCRIPTEN_KEEPALIVE int gallopPass() {
    if (closeRequested()) {
        return passEndsRace;
    }
    framePassWork();
    if (closeRequested()) {
        updateProc = nullptr;
        drawProc = nullptr;
        return passEndsRace;
    }
    if (!takePaintRequest()) {
        return passWithoutFrame;
    }
    onPaint(backBuffer);
    if (!readPixels(backBuffer, words)) {
        return passWithoutFrame;
    }
    for (size_t i = 0; i < words.size(); ++i) {
        canvasRgba[i * 4 + 0] = static_cast<uint8_t>(words[i] >> 16);
        canvasRgba[i * 4 + 1] = static_cast<uint8_t>(words[i] >> 8);
        canvasRgba[i * 4 + 2] = static_cast<uint8_t>(words[i]);
        canvasRgba[i * 4 + 3] = 255;
    }
    return passShowsFrame;
}

// The last frame drawn, 800 × 600 in the canvas's byte order.
EMSCRIPTEN_KEEPALIVE const uint8_t* gallopPixels() {
    return canvasRgba.data();
}

EMSCRIPTEN_KEEPALIVE int gallopWidth() {
    return clientWidth;
}

EMSCRIPTEN_KEEPALIVE int gallopHeight() {
    return clientHeight;
}

EMSCRIPTEN_KEEPALIVE int gallopTick() {
    return tick;
}

EMSCRIPTEN_KEEPALIVE int gallopFrameIntervalMs() {
    return frameIntervalMs;
}

// A key released: Escape ends the race as it closes the window.
EMSCRIPTEN_KEEPALIVE void gallopKeyUp(int key) {
    onKeyUp(key);
}

EMSCRIPTEN_KEEPALIVE void gallopMouseMove(int x, int y) {
    onMouseMove(x, y);
}

EMSCRIPTEN_KEEPALIVE void gallopButtonUp(int button) {
    if (button == 0) {
        onLeftButtonUp();
    } else if (button == 2) {
        onRightButtonUp();
    }
}

} // extern "C"
