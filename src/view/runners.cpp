// The runners in depth order, with the leader and the camera.

#include "view/view.h"

#include "race/ordering.h"
#include "race/records.h"
#include "view/viewmath.h"

RunnerPlace runnerPlace(const Runner& runner, bool odd, bool rightward) {
    // How far the runner is behind the camera point.
    const int64_t d =
        static_cast<int64_t>(runner.distance) - static_cast<int64_t>(race->cameraDistance);
    const int64_t lane = runner.lane;
    RunnerPlace place{};
    place.rowY = odd ? lane + 70 : 350 - lane;
    place.silksY = odd ? lane + 88 : 368 - lane;
    place.horseX = rightward ? 500 - d : 160 + d;
    place.bracketX = rightward ? 548 - d : 168 + d;
    place.silksX = rightward ? 556 - d : 206 + d;
    return place;
}

bool viewTravelsRightward(bool* odd) {
    const bool oddSide = viewmath::isOdd(wrapAdd(race->section, race->sectionShift));
    if (odd != nullptr) {
        *odd = oddSide;
    }
    return viewmath::travelsRightward(oddSide, race->direction);
}

namespace {

// The three keyed sprites of one runner: horse, bracket, silks.
void drawRunner(DrawContext dc, DrawContext horse, DrawContext uniform, const Runner& runner,
                bool odd, bool rightward) {
    using viewmath::coord;
    const RunnerPlace place = runnerPlace(runner, odd, rightward);
    const int64_t lower = rightward ? 500 : 0;

    // Source cells; divisions truncate toward zero.
    const int64_t horseSx = 140 * static_cast<int64_t>(runner.coat);
    const int64_t horseSy = lower + 100 * static_cast<int64_t>(runner.strideFrame / 2);
    const int64_t bracketSy = lower + 60 * (static_cast<int64_t>(runner.bracket) - 1);
    const int64_t silksSx = 38 * static_cast<int64_t>(runner.silks / 25);
    const int64_t silksSy = lower + 20 * static_cast<int64_t>(runner.silks % 25);

    copyKeyed(dc, coord(place.horseX), coord(place.rowY), 140, 100, horse, coord(horseSx),
              coord(horseSy));
    copyKeyed(dc, coord(place.bracketX), coord(place.rowY), 84, 60, horse, 840, coord(bracketSy));
    copyKeyed(dc, coord(place.silksX), coord(place.silksY), 38, 20, uniform, coord(silksSx),
              coord(silksSy));
}

} // namespace

void drawRunners(DrawContext dc) {
    if (race == nullptr) {
        return;
    }
    DrawContext horse = openSheet(dc, images == nullptr ? nullptr : images->horseSheet);
    DrawContext uniform = openSheet(dc, images == nullptr ? nullptr : images->uniformSheet);

    const int32_t n = activeRunnerCount();

    // Leader: strictly lower only.
    for (int32_t i = 0; i < n; ++i) {
        if (runners[i].distance < race->leaderDistance) {
            race->leaderDistance = runners[i].distance;
        }
    }
    // Camera.
    if (race->cameraFollow != 0) {
        race->cameraDistance = race->leaderDistance;
    }

    // Depth order, far to near.
    bool odd = false;
    const bool rightward = viewTravelsRightward(&odd);
    int32_t position[maxRunners] = {};
    int32_t rank[maxRunners] = {};
    for (int32_t i = 0; i < n; ++i) {
        position[i] = runners[i].lane;
    }
    if (odd) {
        orderAscending(n, position, rank);
    } else {
        orderDescending(n, position, rank);
    }

    if (odd) {
        for (int32_t i = 0; i < n; ++i) {
            drawRunner(dc, horse, uniform, runners[rank[i]], odd, rightward);
            if (race->gateShown != 0) {
                drawGate(dc, i);
            }
        }
        if (race->gateShown != 0) {
            drawGate(dc, -1);
        }
    } else {
        if (race->gateShown != 0) {
            drawGate(dc, -1);
        }
        for (int32_t i = 0; i < n; ++i) {
            drawRunner(dc, horse, uniform, runners[rank[i]], odd, rightward);
            if (race->gateShown != 0) {
                drawGate(dc, i);
            }
        }
    }

    closeSheet(horse);
    closeSheet(uniform);
}
