// Race setup: the bracket table, and the race record and runners built from
// the course record and the rival table.
#include "race/setup.h"

#include "data/course.h"
#include "data/rivals.h"
#include "race/records.h"

#include <cstddef>

namespace {

// frameNumber[n][p]: the bracket of gate position p in a field of n runners.
// Up to eight runners each get a bracket of their own. Beyond that every
// bracket takes n div 8 runners, and the n mod 8 extra runners go to the
// highest brackets, filled in gate order.
struct BracketTable {
    int32_t frameNumber[maxRunners + 1][maxRunners + 1] = {};

    BracketTable() {
        for (int32_t n = 1; n <= maxRunners; ++n) {
            if (n <= 8) {
                for (int32_t p = 1; p <= n; ++p) {
                    frameNumber[n][p] = p;
                }
                continue;
            }
            int32_t q = n / 8;
            int32_t r = n % 8;
            int32_t p = 1;
            for (int32_t bracket = 1; bracket <= 8; ++bracket) {
                int32_t seats = bracket <= 8 - r ? q : q + 1;
                for (int32_t s = 0; s < seats; ++s) {
                    frameNumber[n][p++] = bracket;
                }
            }
        }
    }
};

} // namespace

int32_t bracketFor(int32_t runnerCount, int32_t position) {
    static const BracketTable table;
    if (runnerCount < 1 || runnerCount > maxRunners || position < 1 || position > runnerCount) {
        return 0;
    }
    return table.frameNumber[runnerCount][position];
}

bool setupRace() {
    releaseRaceRecords();
    race = new RaceState();
    race->runnerCount = maxRunners;
    if (!loadCourse(5)) {
        releaseRaceRecords(); // a race that cannot run leaves no record behind
        return false;
    }

    race->leaderDistance = race->startDistance;
    race->cameraDistance = wrapSub(race->leaderDistance, 400);
    race->sectionShift = 0;
    race->gaitFrame = 0;
    race->gateShown = 1;
    race->gaitRunning = 0;
    race->strideRunning = 0;
    race->gateOpen = 0;
    race->cameraFollow = 0;
    race->running = 0;

    if (!loadRivals()) {
        releaseRaceRecords();
        return false;
    }

    // A short rival table seats as many runners as it has records.
    if (rivalCount < race->runnerCount) {
        race->runnerCount = rivalCount;
    }
    const int32_t count = race->runnerCount;
    runners = new Runner[static_cast<size_t>(count)]();
    for (int32_t i = 0; i < count; ++i) {
        const RivalEntry& rival = rivals[i];
        Runner& runner = runners[i];
        runner.strideFrame = i % 10;
        runner.bracket = bracketFor(count, i + 1);
        runner.coat = rival.coat;
        runner.silks = rival.silks;
        runner.distance = race->startDistance;
        runner.lane = 15 * i;
        runner.baseSpeed = wrapAdd(wrapMul(24, rival.speedGrade), rival.speedAdjust);
        runner.stamina = wrapAdd(wrapMul(120, rival.speedGrade), wrapMul(5, rival.speedAdjust));
        runner.speed = static_cast<double>(runner.baseSpeed);
        runner.carry = 0.0;
    }

    freeRivals();
    return true;
}
