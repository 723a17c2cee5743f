// fuzz-sheets: arbitrary bytes as the four sprite sheets go through the
// loading of the image set and whole frames of four race states, which
// between them take both view sides, both directions of travel, both track
// styles, the gate closed, open and hidden, and fewer runners than stalls.
//
// Input: image/course.bmp, horse.bmp, uniform.bmp and gate.bmp, in that
// order, between separator lines; a file left out is missing.
//
// Checked, besides every read and write by the sanitizers: a loaded sheet
// has a size, and sheets that cannot be used draw nothing at all. The art
// checker reads the same bytes: its findings name the sheet, and a sheet that
// could not be loaded has a finding that blocks.

#include "fuzz_support.h"

#include "sheets/check.h"

#include "race/records.h"
#include "race/setup.h"
#include "view/view.h"

namespace {

struct SceneState {
    int32_t section;
    uint8_t direction;
    uint8_t trackStyle;
    int32_t runnerCount;
    uint8_t gateShown;
    uint8_t gateOpen;
    int32_t progress; // how far the leader has run
    int32_t gaitFrame;
};

const SceneState states[] = {
    {1, 0, 0, 18, 1, 0, 0, 0},   // odd side, leftward, the field in the closed gate
    {1, 1, 1, 18, 1, 1, 100, 3}, // odd side, rightward, the gate rolling away
    {2, 0, 1, 18, 0, 1, 900, 1}, // even side, rightward, grandstand, gate gone
    {6, 1, 0, 16, 1, 0, 0, 2},   // even side, leftward, two empty stalls
};

// The race of a state: runners spread across the picture, every coat, stride
// frame and bracket, silks from both columns of the uniform sheet.
void makeRace(const SceneState& state) {
    releaseRaceRecords();
    race = new RaceState();
    race->section = state.section;
    race->direction = state.direction;
    race->trackStyle = state.trackStyle;
    race->startDistance = 1000;
    race->runnerCount = state.runnerCount;
    race->leaderDistance = 1000 - state.progress;
    race->cameraDistance = state.progress > 400 ? race->leaderDistance : 600;
    race->cameraFollow = state.progress > 400 ? 1 : 0;
    race->gateShown = state.gateShown;
    race->gateOpen = state.gateOpen;
    race->running = state.gateOpen;
    race->gaitFrame = state.gaitFrame;
    runners = new Runner[maxRunners]();
    for (int32_t i = 0; i < state.runnerCount; ++i) {
        Runner& runner = runners[i];
        runner.bracket = bracketFor(state.runnerCount, i + 1);
        runner.coat = i % 6;
        runner.silks = (37 * i) % 100;
        runner.distance = race->leaderDistance + 25 * i;
        runner.lane = 15 * i;
        runner.strideFrame = i % 10;
    }
}

const char* const sheetFiles[] = {"image/course.bmp", "image/horse.bmp", "image/uniform.bmp",
                                  "image/gate.bmp"};
const char* const sheetNames[] = {"course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string_view> files = splitParts(data, size, 4);
    for (size_t k = 0; k < 4; ++k) {
        putScratchFile(sheetFiles[k], k < files.size() ? files[k] : "", k < files.size());
    }
    {
        CurrentDirectory scratch;
        loadImageSet();
    }
    FUZZ_CHECK(images != nullptr);

    const Sheet sheets[] = {images->courseSheet, images->horseSheet, images->uniformSheet,
                            images->gateSheet};
    for (size_t k = 0; k < files.size() && k < 4; ++k) {
        const std::vector<ArtFinding> findings = checkSheet(
            sheetNames[k], reinterpret_cast<const uint8_t*>(files[k].data()), files[k].size());
        for (const ArtFinding& finding : findings) {
            FUZZ_CHECK(finding.sheet == sheetNames[k] && !finding.text.empty());
        }
        FUZZ_CHECK(sheets[k] != nullptr || !artIsUsable(findings));
    }

    bool anyLoaded = false;
    DrawContext buffer = fuzzBackBuffer();
    for (Sheet sheet : sheets) {
        if (sheet != nullptr) {
            DrawContext opened = openSheet(buffer, sheet);
            FUZZ_CHECK(contextWidth(opened) > 0 && contextHeight(opened) > 0);
            closeSheet(opened);
            anyLoaded = true;
        }
    }

    static const std::vector<uint32_t> grey(800 * 600, 0x808080);
    FUZZ_CHECK(writePixels(buffer, grey));
    for (const SceneState& state : states) {
        makeRace(state);
        drawScene(buffer);
    }
    FUZZ_CHECK(contextWidth(buffer) == 800 && contextHeight(buffer) == 600);
    if (!anyLoaded) {
        std::vector<uint32_t> after;
        FUZZ_CHECK(readPixels(buffer, after) && after == grey);
    }
    return 0;
}
