// One race update and one full 18-runner frame. The frame is drawn from the
// real art of the run directory when the art target has made it, otherwise
// from the synthetic coordinate sheets of the tests.
//
//   build/<preset>/bench/gallop_bench [--benchmark_filter=...]

#include "sheets.h"

#include "platform/platform.h"
#include "race/records.h"
#include "race/setup.h"
#include "race/update.h"
#include "view/view.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A race of 18 runners, 150 ticks in: gate open, everyone moving, camera free.
void makeRace(int32_t section, int32_t direction, int32_t trackStyle) {
    releaseRaceRecords();
    race = new RaceState();
    race->runnerCount = 18;
    race->section = section;
    race->direction = static_cast<uint8_t>(direction);
    race->trackStyle = static_cast<uint8_t>(trackStyle);
    race->startDistance = 1000;
    race->leaderDistance = 900;
    race->cameraDistance = 600;
    race->gateShown = 1;
    race->gaitRunning = race->strideRunning = race->gateOpen = race->running = 1;
    race->gaitFrame = 2;
    runners = new Runner[18]();
    for (int32_t i = 0; i < 18; ++i) {
        Runner& r = runners[i];
        r.bracket = bracketFor(18, i + 1);
        r.coat = i % 6;
        r.silks = i;
        r.distance = 900 + 7 * i;
        r.lane = 15 * i;
        r.baseSpeed = 120 + 3 * i;
        r.stamina = 5 * r.baseSpeed;
        r.speed = r.baseSpeed;
        r.strideFrame = i % 10;
    }
    tick = 150;
    runStep = 49;
}

void loadSheets() {
    static bool loaded = false;
    if (loaded) {
        return;
    }
    loaded = true;
    const fs::path previous = fs::current_path();
    const fs::path art = fs::path(GALLOP_RUN_DIR) / "image" / "horse.bmp";
    fs::path dir;
    if (fs::exists(art)) {
        dir = GALLOP_RUN_DIR;
    } else {
        dir = fs::temp_directory_path() / "gallop-bench-sheets";
        writeTestSheets(dir.string());
    }
    fs::current_path(dir);
    loadImageSet();
    fs::current_path(previous);
}

void updateOnce(benchmark::State& state) {
    makeRace(3, 1, 0);
    const RaceState savedRace = *race;
    std::vector<Runner> savedRunners(runners, runners + 18);
    for (auto _ : state) {
        // Restore the mid-race state so every pass does the same work.
        *race = savedRace;
        std::memcpy(runners, savedRunners.data(), sizeof(Runner) * 18);
        tick = 150;
        runStep = 49;
        updateRace();
        benchmark::DoNotOptimize(runners[0].distance);
    }
}
BENCHMARK(updateOnce);

void restoreOnly(benchmark::State& state) {
    makeRace(3, 1, 0);
    const RaceState savedRace = *race;
    std::vector<Runner> savedRunners(runners, runners + 18);
    for (auto _ : state) {
        *race = savedRace;
        std::memcpy(runners, savedRunners.data(), sizeof(Runner) * 18);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(restoreOnly);

void drawFrame(benchmark::State& state) {
    loadSheets();
    // Argument: 0 odd side, turf; 1 even side with the backdrop and front rail.
    const bool even = state.range(0) == 1;
    makeRace(even ? 6 : 3, 1, even ? 1 : 0);
    DrawContext buffer = createBackBuffer(800, 600);
    for (auto _ : state) {
        race->gateShown = 1; // the gate stays in view (o = 200)
        drawScene(buffer);
        benchmark::ClobberMemory();
    }
    deleteBackBuffer(buffer);
    state.SetLabel(fs::exists(fs::path(GALLOP_RUN_DIR) / "image" / "horse.bmp") ? "real art"
                                                                                : "test sheets");
}
BENCHMARK(drawFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
