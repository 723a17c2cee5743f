// gallop-bench: what one tick costs, with the shipped art of the run
// directory. It runs there (or enters the folder it lives in, which is the
// run directory of the build):
//
//   cd build/dev/run && ./gallop-bench --benchmark_repetitions=9
//
//  - BM_updateRace: one update of 18 running runners;
//  - BM_drawScene/<side>_<direction>: one whole frame of a full field with
//    the gate, on each view side and in each direction of travel;
//  - BM_memcpyFrame: one memcpy of an 800×600 back buffer, the floor a frame
//    is measured against;
//  - BM_present: the back buffer shown in a real window, only when a display
//    is there (DISPLAY set);
//  - BM_headlessRace: the race set up, its sheets loaded, and its 700
//    updates and draws without a window;
//  - BM_readSheets: the four shipped sheets read by the BMP reader.

#include "platform/bitmap_reader.h"
#include "platform/platform.h"
#include "platform/sdl/sdl_platform.h"
#include "race/records.h"
#include "race/setup.h"
#include "race/update.h"
#include "view/view.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int frameWidth = 800;
constexpr int frameHeight = 600;

// A race of 18 runners, 150 ticks in: gate open and in view (offset 200),
// everyone moving, the camera not yet locked, the field spread over the screen.
void makeRace(int32_t section, int32_t direction) {
    releaseRaceRecords();
    race = new RaceState();
    race->runnerCount = 18;
    race->section = section;
    race->direction = static_cast<uint8_t>(direction);
    race->trackStyle = 1; // as the shipped course: dirt, with the grandstand on the even side
    race->startDistance = 1000;
    race->leaderDistance = 900;
    race->cameraDistance = 600;
    race->gateShown = 1;
    race->gaitRunning = race->strideRunning = race->gateOpen = race->running = 1;
    race->gaitFrame = 2;
    runners = new Runner[maxRunners]();
    for (int32_t i = 0; i < maxRunners; ++i) {
        Runner& r = runners[i];
        r.bracket = bracketFor(maxRunners, i + 1);
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

bool loadShippedArt(benchmark::State& state) {
    if (images == nullptr) {
        loadImageSet();
    }
    if (images->courseSheet == nullptr || images->horseSheet == nullptr ||
        images->uniformSheet == nullptr || images->gateSheet == nullptr) {
        state.SkipWithError("the sheets under image/ are missing: build the art target");
        return false;
    }
    return true;
}

void BM_updateRace(benchmark::State& state) {
    makeRace(3, 1);
    const RaceState savedRace = *race;
    std::vector<Runner> savedRunners(runners, runners + maxRunners);
    for (auto _ : state) {
        // The same mid-race state every pass, so that every pass does the same work.
        *race = savedRace;
        std::memcpy(runners, savedRunners.data(), sizeof(Runner) * maxRunners);
        tick = 150;
        runStep = 49;
        updateRace();
        benchmark::DoNotOptimize(runners[0].distance);
    }
}
BENCHMARK(BM_updateRace);

void BM_drawScene(benchmark::State& state, int32_t section, int32_t direction) {
    if (!loadShippedArt(state)) {
        return;
    }
    makeRace(section, direction);
    DrawContext buffer = createBackBuffer(frameWidth, frameHeight);
    for (auto _ : state) {
        race->gateShown = 1;
        race->leaderDistance = 900; // the gate stays in view
        drawScene(buffer);
        benchmark::ClobberMemory();
    }
    deleteBackBuffer(buffer);
}
// The view side is odd for section 3 and even for 6; with it, direction 1
// runs rightward on the odd side and leftward on the even side.
BENCHMARK_CAPTURE(BM_drawScene, odd_leftward, 3, 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_drawScene, odd_rightward, 3, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_drawScene, even_leftward, 6, 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_drawScene, even_rightward, 6, 0)->Unit(benchmark::kMicrosecond);

void BM_memcpyFrame(benchmark::State& state) {
    const size_t words = static_cast<size_t>(frameWidth) * frameHeight;
    std::vector<uint32_t> from(words, 0x336699u), to(words, 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), words * sizeof(uint32_t));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(words * sizeof(uint32_t)));
}
BENCHMARK(BM_memcpyFrame)->Unit(benchmark::kMicrosecond);

void BM_present(benchmark::State& state) {
    if (!loadShippedArt(state)) {
        return;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    Screen screen = openScreen(frameWidth, frameHeight);
    if (screen == nullptr) {
        state.SkipWithError(SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return;
    }
    makeRace(6, 0);
    drawScene(screenBackBuffer(screen));
    for (auto _ : state) {
        SDL_PumpEvents();
        presentScreen(screen);
    }
    closeScreen(screen);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void BM_headlessRace(benchmark::State& state) {
    for (auto _ : state) {
        releaseRace();
        tick = 0;
        runStep = 0;
        if (!setupRace()) {
            state.SkipWithError("the data files under deta/ cannot be read");
            return;
        }
        loadImageSet();
        DrawContext buffer = createBackBuffer(frameWidth, frameHeight);
        for (int t = 0; t < 700; ++t) {
            updateRace();
            drawScene(buffer);
        }
        deleteBackBuffer(buffer);
    }
    releaseRace();
}
BENCHMARK(BM_headlessRace)->Unit(benchmark::kMillisecond);

void BM_readSheets(benchmark::State& state) {
    const char* const files[] = {"image/course.bmp", "image/horse.bmp", "image/uniform.bmp",
                                 "image/gate.bmp"};
    for (auto _ : state) {
        for (const char* file : files) {
            DecodedBitmap bitmap;
            if (!readBitmapFile(file, bitmap)) {
                state.SkipWithError("the sheets under image/ are missing: build the art target");
                return;
            }
            benchmark::DoNotOptimize(bitmap.pixels.data());
        }
    }
}
BENCHMARK(BM_readSheets)->Unit(benchmark::kMillisecond);

// The benchmarks read deta/ and image/ from the current directory; without
// them there, from the folder the program lives in.
void enterRunDirectory() {
    if (fs::exists("image/horse.bmp")) {
        return;
    }
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        fs::current_path(self.parent_path(), error);
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    enterRunDirectory();
    const char* display = std::getenv("DISPLAY");
    if (display != nullptr && *display != '\0') {
        benchmark::RegisterBenchmark("BM_present", BM_present)->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
