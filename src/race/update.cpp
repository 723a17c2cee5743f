// One tick of the race: gait, movement and fatigue, lane drift, settling and
// the timeline.
#include "race/update.h"

#include "platform/platform.h"
#include "race/ordering.h"
#include "race/records.h"

void updateRace() {
    advanceGait();
    moveRunners();
    advanceTimeline();
}

void advanceGait() {
    // A frame past its last value, whatever it holds, starts again at 0; the
    // test is on the frame itself so that no value can overflow.
    if (race->gaitRunning) {
        race->gaitFrame = race->gaitFrame >= 3 ? 0 : race->gaitFrame + 1;
    }
    if (race->strideRunning) {
        const int32_t count = activeRunnerCount();
        for (int32_t i = 0; i < count; ++i) {
            Runner& runner = runners[i];
            runner.strideFrame = runner.strideFrame >= 9 ? 0 : runner.strideFrame + 1;
        }
    }
}

namespace {

// True once a runner has run long enough to tire:
// 2 * runStep * baseSpeed > 100 * stamina - baseSpeed * baseSpeed,
// compared exactly, with no overflow whatever the data hold. Each product
// fits 64 bits; the doubled left side may not, so the test is halved:
// 2a > r holds for whole numbers exactly when a > floor(r / 2).
bool tired(const Runner& runner) {
    const int64_t half = static_cast<int64_t>(runStep) * runner.baseSpeed;
    const int64_t right =
        int64_t{100} * runner.stamina - static_cast<int64_t>(runner.baseSpeed) * runner.baseSpeed;
    return half > (right >> 1);
}

// The whole units of a carry, truncated toward zero. A carry that no race
// makes (beyond 32 bits, infinite, not a number) is held to the nearest end
// of the range, and not a number to 0, so that the conversion stays defined.
int32_t wholeUnits(double carry) {
    if (!(carry == carry)) {
        return 0;
    }
    if (carry >= 2147483647.0) {
        return INT32_MAX;
    }
    if (carry <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(carry);
}

// Moves every running runner by its speed, carrying the fraction of a unit,
// then lets it tire.
void moveAndTire(int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        Runner& runner = runners[i];
        if (!(runner.speed > 0.0)) {
            continue;
        }
        runner.carry = runner.speed * 0.02 + runner.carry;
        const int32_t whole = wholeUnits(runner.carry);
        runner.carry = runner.carry - whole;
        runner.distance = wrapSub(runner.distance, whole);
        if (tired(runner)) {
            runner.speed = runner.speed - 1.0;
        }
    }
}

// Does runner `blocker` stand beside `mover` (within 140 units either way)
// and no more than 15 pixels nearer the rail?
bool blocks(const Runner& blocker, const Runner& mover) {
    const int64_t moverDistance = mover.distance;
    const int64_t blockerDistance = blocker.distance;
    return moverDistance - 140 < blockerDistance && blockerDistance < moverDistance + 140 &&
           static_cast<int64_t>(blocker.lane) >= static_cast<int64_t>(mover.lane) - 15;
}

// Runners drift one pixel toward the rail unless someone nearer the rail is
// alongside. Moving runners drift only on odd steps; stopped ones on every step.
void driftToRail(int32_t count, const int32_t* rank) {
    for (int32_t i = 0; i < count; ++i) {
        Runner& mover = runners[rank[i]];
        if (mover.lane < 0) {
            continue;
        }
        if (mover.speed != 0.0 && runStep % 2 == 0) {
            continue;
        }
        bool blocked = false;
        for (int32_t j = 0; j < i && !blocked; ++j) {
            blocked = blocks(runners[rank[j]], mover);
        }
        if (!blocked) {
            mover.lane = mover.lane - 1;
        }
    }
}

} // namespace

void moveRunners() {
    if (!race->running) {
        return;
    }
    const int32_t count = activeRunnerCount();
    moveAndTire(count);

    int32_t position[maxRunners] = {};
    int32_t rank[maxRunners] = {};
    for (int32_t i = 0; i < count; ++i) {
        position[i] = runners[i].lane;
    }
    orderAscending(count, position, rank);

    driftToRail(count, rank);

    // Settled once every runner stands still and no lane changed in this step.
    bool settled = true;
    for (int32_t i = 0; i < count && settled; ++i) {
        settled = runners[i].speed == 0.0 && runners[i].lane == position[i];
    }
    if (settled) {
        race->running = 0;
    }
    runStep = wrapAdd(runStep, 1);
}

void advanceTimeline() {
    tick = wrapAdd(tick, 1);
    if (tick > 100) {
        race->gaitRunning = 1;
        race->strideRunning = 1;
        race->gateOpen = 1;
        race->running = 1;
    }
    if (race->leaderDistance < race->cameraDistance) {
        race->cameraFollow = 1;
    }
    if (tick > 700) {
        sendCloseRequest();
    }
}
