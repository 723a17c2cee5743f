// fuzz-tables: arbitrary bytes as deta/courseDeta.txt and deta/rival.txt go
// through both readers and the race setup, then a few updates and one draw.
//
// Input: one flag byte (bit 0: no course file, bit 1: no rival file), the
// course file, the separator line, the rival file.
//
// Checked: a setup that fails has shown the one message and asked once to
// close, and left no race, no runners and no rival table; a setup that works
// has done neither, seats 0 to 18 runners, each in bracket 1 to 8, and holds
// the race in its waiting state.

#include "fuzz_support.h"

#include "data/rivals.h"
#include "race/records.h"
#include "race/setup.h"
#include "race/update.h"
#include "view/view.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    CurrentDirectory runDir(buildRunDir());
    loadImageSet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const uint8_t flags = data[0];
    const std::vector<std::string_view> files = splitParts(data + 1, size - 1, 2);
    const bool coursePresent = (flags & 1) == 0;
    const bool rivalPresent = (flags & 2) == 0 && files.size() == 2;
    putScratchFile("deta/courseDeta.txt", files[0], coursePresent);
    putScratchFile("deta/rival.txt", rivalPresent ? files[1] : "", rivalPresent);

    const int messagesBefore = dataFileErrorCount();
    const int closesBefore = closeRequestCount();
    bool ready;
    {
        CurrentDirectory scratch;
        ready = setupRace();
    }
    const int messages = dataFileErrorCount() - messagesBefore;
    const int closes = closeRequestCount() - closesBefore;
    FUZZ_CHECK(rivals == nullptr);

    if (!ready) {
        FUZZ_CHECK(messages == 1 && closes == 1);
        FUZZ_CHECK(race == nullptr && runners == nullptr);
        return 0;
    }
    FUZZ_CHECK(coursePresent && rivalPresent);
    FUZZ_CHECK(messages == 0 && closes == 0);
    FUZZ_CHECK(race != nullptr);
    const int32_t count = race->runnerCount;
    FUZZ_CHECK(count >= 0 && count <= maxRunners);
    FUZZ_CHECK(count == 0 || runners != nullptr);
    FUZZ_CHECK(race->leaderDistance == race->startDistance);
    FUZZ_CHECK(race->cameraDistance == wrapSub(race->startDistance, 400));
    FUZZ_CHECK(race->gateShown == 1 && race->gateOpen == 0 && race->running == 0 &&
               race->cameraFollow == 0 && race->gaitRunning == 0 && race->strideRunning == 0);
    FUZZ_CHECK(race->trackStyle <= 1 && race->direction <= 1);
    for (int32_t i = 0; i < count; ++i) {
        const Runner& runner = runners[i];
        FUZZ_CHECK(runner.bracket >= 1 && runner.bracket <= 8);
        FUZZ_CHECK(runner.lane == 15 * i && runner.strideFrame == i % 10);
        FUZZ_CHECK(runner.distance == race->startDistance);
        FUZZ_CHECK(runner.stamina == wrapMul(5, runner.baseSpeed));
        FUZZ_CHECK(runner.speed == runner.baseSpeed && runner.carry == 0.0);
    }

    // The race on these values: the gate opens on the first update, the
    // runners move on the second, then one frame is drawn.
    tick = 100;
    runStep = 0;
    updateRace();
    updateRace();
    drawScene(fuzzBackBuffer());
    FUZZ_CHECK(race->runnerCount == count);
    for (int32_t i = 0; i < count; ++i) {
        FUZZ_CHECK(runners[i].lane >= -1 && runners[i].lane <= 15 * i);
    }
    return 0;
}
