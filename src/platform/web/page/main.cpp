// The page's side of the web build: what the page's script calls. The script
// fetches the data files and the sheets into the in-memory file system,
// starts the race, and then, on a timer of frameIntervalMs, runs one frame
// pass (the update, then the paint) and puts the back buffer on the canvas.
// Keys and the mouse arrive as the window's messages do on the other builds.
// For the page's own panels around the canvas it also hands out the runners
// as they stood after tick 700, the finishing order, and the loaded sprite
// sheets, from which the page cuts its coat and silks swatches, and it checks
// the sheets a visitor gives against the layouts.

#include "platform/pixel_copy.h"
#include "platform/platform.h"
#include "platform/web/web_platform.h"
#include "race/records.h"
#include "shell/shell.h"
#include "view/view.h"
#include "view/viewmath.h"

#include "sheets/check.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int clientWidth = 800;
constexpr int clientHeight = 600;

DrawContext backBuffer = nullptr;
std::vector<uint32_t> words;     // the back buffer read out, 0xRRGGBB
std::vector<uint8_t> canvasRgba; // the same as the canvas takes it: red, green, blue, alpha

// The runners as they stood after the race's last tick, taken when the pass
// of that tick ends; empty until then. The trace's line of the same tick
// holds the same records.
constexpr int32_t finishTick = 700;
std::vector<Runner> finish;

// One cell of a sheet read out for the page, red, green, blue, alpha, with
// the colour key see-through.
std::vector<uint8_t> sheetRgba;

// What the checker last found in the sheets, and one of its findings (null
// past the last).
std::vector<ArtFinding> findings;

const ArtFinding* finding(int index) {
    return index >= 0 && static_cast<size_t>(index) < findings.size()
               ? &findings[static_cast<size_t>(index)]
               : nullptr;
}

// One field of a runner's record: 0 the distance still to run, 1 the
// bracket, 2 the coat, 3 the silks.
int runnerField(const Runner& runner, int field) {
    switch (field) {
    case 0:
        return runner.distance;
    case 1:
        return runner.bracket;
    case 2:
        return runner.coat;
    case 3:
        return runner.silks;
    default:
        return 0;
    }
}

// The results of gallopPass.
constexpr int passShowsFrame = 1;
constexpr int passWithoutFrame = 0;
constexpr int passEndsRace = -1;

// Pixels 0xRRGGBB as the canvas takes them, red, green, blue, alpha, into
// `rgba` (already 4 bytes a pixel); with `keySeeThrough` the colour key gets
// alpha 0, as a keyed copy would skip it.
void toRgba(const std::vector<uint32_t>& pixels, std::vector<uint8_t>& rgba, bool keySeeThrough) {
    // A word a pixel, whose bytes in wasm's little-endian memory are red,
    // green, blue and alpha: a quarter of the stores of a byte at a time,
    // which matters on a slow phone at every frame.
    uint8_t* out = rgba.data();
    for (const uint32_t pixel : pixels) {
        const uint32_t alpha = keySeeThrough && pixel == pixelColourKey ? 0u : 0xff000000u;
        const uint32_t word =
            alpha | ((pixel & 0xffu) << 16) | (pixel & 0xff00u) | ((pixel >> 16) & 0xffu);
        std::memcpy(out, &word, sizeof word);
        out += sizeof word;
    }
}

// The loaded sheet `index` (1 horse, 2 uniform; the order of the image set),
// or null when there is no such sheet.
Sheet loadedSheet(int index) {
    if (images == nullptr || (index != 1 && index != 2)) {
        return nullptr;
    }
    return index == 1 ? images->horseSheet : images->uniformSheet;
}

// One frame pass: the update, then the paint it asked for. With `draw` false
// the paint goes to no picture at all: it still does what a paint does to
// the race (the leader, the camera, the gate), so that a pass the page does
// not show leaves the race exactly where a shown one would.
int framePass(bool draw) {
    if (closeRequested()) {
        return passEndsRace;
    }
    framePassWork();
    if (tick == finishTick && race != nullptr) {
        finish.assign(runners, runners + activeRunnerCount());
    }
    if (closeRequested()) {
        updateProc = nullptr;
        drawProc = nullptr;
        return passEndsRace;
    }
    if (!takePaintRequest()) {
        return passWithoutFrame;
    }
    if (!draw) {
        onPaint(nullptr);
        return passWithoutFrame;
    }
    onPaint(backBuffer);
    if (!readPixels(backBuffer, words)) {
        return passWithoutFrame;
    }
    toRgba(words, canvasRgba, false);
    return passShowsFrame;
}

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
    finish.clear();
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

// One frame pass, drawn. Returns passShowsFrame when gallopPixels holds a
// new frame, passWithoutFrame when nothing was drawn, and passEndsRace once
// the race has asked to close; the last frame shown then stays, as the
// window would have closed before painting again.
EMSCRIPTEN_KEEPALIVE int gallopPass() {
    return framePass(true);
}

// One frame pass that no one will see: the same update and the same paint,
// into no picture. The page runs the passes it is late for this way, and
// draws only the one the clock has come to. Returns as gallopPass, never
// passShowsFrame.
EMSCRIPTEN_KEEPALIVE int gallopPassUnseen() {
    return framePass(false);
}

// 1 once the gate has opened: from then on the runners race.
EMSCRIPTEN_KEEPALIVE int gallopGateOpen() {
    return race != nullptr && race->gateOpen != 0 ? 1 : 0;
}

// Where runner `index` (gate order) was drawn in the last paint, in canvas
// pixels: `field` 0 the left and 1 the top of its silks' 38 × 20 cell, over
// which the page marks a visitor's pick. Positions far off the picture are
// held to ±2^24, as the copies hold them. 0 without such a runner.
EMSCRIPTEN_KEEPALIVE int gallopRunnerPlace(int index, int field) {
    if (index < 0 || index >= activeRunnerCount()) {
        return 0;
    }
    bool odd = false;
    const bool rightward = viewTravelsRightward(&odd);
    const RunnerPlace place = runnerPlace(runners[index], odd, rightward);
    return viewmath::coord(field == 0 ? place.silksX : place.silksY);
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

// The finishing order's records: how many runners stood at the end of tick
// 700 (0 before it), and, for runner `index` in gate order, one of its
// fields: 0 the distance still to run, 1 the bracket, 2 the coat, 3 the silks.
EMSCRIPTEN_KEEPALIVE int gallopFinishCount() {
    return static_cast<int>(finish.size());
}

EMSCRIPTEN_KEEPALIVE int gallopFinishField(int index, int field) {
    if (index < 0 || static_cast<size_t>(index) >= finish.size()) {
        return 0;
    }
    return runnerField(finish[static_cast<size_t>(index)], field);
}

// The runners of the race now set up, as they stand: how many, and one
// field of runner `index` in gate order, as gallopFinishField. The page's
// race card shows them before the gate opens.
EMSCRIPTEN_KEEPALIVE int gallopRunnerCount() {
    return activeRunnerCount();
}

EMSCRIPTEN_KEEPALIVE int gallopRunnerField(int index, int field) {
    if (index < 0 || index >= activeRunnerCount()) {
        return 0;
    }
    return runnerField(runners[index], field);
}

// The start distance of the race now set up, from which the runners count
// down; 0 when no race is set up.
EMSCRIPTEN_KEEPALIVE int gallopStartDistance() {
    return race == nullptr ? 0 : race->startDistance;
}

// The size of loaded sheet `index` in pixels; 0 when it is not loaded.
EMSCRIPTEN_KEEPALIVE int gallopSheetWidth(int index) {
    DrawContext sheet = openSheet(backBuffer, loadedSheet(index));
    const int width = contextWidth(sheet);
    closeSheet(sheet);
    return width;
}

EMSCRIPTEN_KEEPALIVE int gallopSheetHeight(int index) {
    DrawContext sheet = openSheet(backBuffer, loadedSheet(index));
    const int height = contextHeight(sheet);
    closeSheet(sheet);
    return height;
}

// Reads out one cell of loaded sheet `index`, `width` × `height` pixels at
// `x`, `y`, as red, green, blue, alpha, the colour key see-through; only the
// cell is read, not the whole sheet. Returns the pixels, or null when the
// sheet is not loaded or the cell does not lie wholly inside it.
EMSCRIPTEN_KEEPALIVE const uint8_t* gallopSheetCell(int index, int x, int y, int width,
                                                    int height) {
    sheetRgba.clear();
    Sheet loaded = loadedSheet(index);
    DrawContext sheet = openSheet(backBuffer, loaded);
    const bool inside = loaded != nullptr && x >= 0 && y >= 0 && width > 0 && height > 0 &&
                        x <= contextWidth(sheet) - width && y <= contextHeight(sheet) - height;
    DrawContext cell = inside ? createBackBuffer(width, height) : nullptr;
    if (cell != nullptr) {
        copyOpaque(cell, 0, 0, width, height, sheet, x, y);
    }
    closeSheet(sheet);
    const bool read = cell != nullptr && readPixels(cell, words);
    deleteBackBuffer(cell);
    if (!read) {
        return nullptr;
    }
    sheetRgba.resize(words.size() * 4);
    toRgba(words, sheetRgba, true);
    return sheetRgba.data();
}

// Checks the four sheets now under image/ against the layouts, as
// gallop-art --check does a folder. Returns how many findings there are; 0
// when every sheet draws as laid out. A missing sheet is a blocking finding.
EMSCRIPTEN_KEEPALIVE int gallopCheckSheets() {
    findings = checkArtFolder(".");
    return static_cast<int>(findings.size());
}

// Finding `index` of the last check: the sheet's file name, whether it keeps
// the sheet from being drawn as laid out, and its plain sentence (without the
// sheet's name).
EMSCRIPTEN_KEEPALIVE const char* gallopFindingSheet(int index) {
    return finding(index) == nullptr ? "" : finding(index)->sheet.c_str();
}

EMSCRIPTEN_KEEPALIVE int gallopFindingBlocking(int index) {
    return finding(index) != nullptr && finding(index)->blocking ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const char* gallopFindingText(int index) {
    return finding(index) == nullptr ? "" : finding(index)->text.c_str();
}

// Decodes sheet `index` (0 course, 1 horse, 2 uniform, 3 gate; the order of
// the image set) from the file now under image/, ahead of gallopStart, which
// then takes it ready-made if the file is still the same. The page calls it
// for one sheet a task, so that no one task decodes all four.
EMSCRIPTEN_KEEPALIVE void gallopDecodeSheetAhead(int index) {
    static const char* const paths[] = {"image/course.bmp", "image/horse.bmp", "image/uniform.bmp",
                                        "image/gate.bmp"};
    if (index >= 0 && index < 4) {
        decodeSheetAhead(paths[index]);
    }
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
