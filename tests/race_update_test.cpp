// The per-tick race update: timeline, gait, movement, fatigue, drift, settling.

#include "platform/platform.h"
#include "race/records.h"
#include "race/update.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

class RaceUpdate : public ::testing::Test {
  protected:
    // A race of runners with the given base speeds, as setup leaves it.
    void makeRace(const std::vector<int32_t>& baseSpeeds, int32_t startDistance = 1000) {
        releaseRaceRecords();
        race = new RaceState();
        race->runnerCount = static_cast<int32_t>(baseSpeeds.size());
        race->startDistance = startDistance;
        race->leaderDistance = startDistance;
        race->cameraDistance = startDistance - 400;
        race->gateShown = 1;
        runners = new Runner[baseSpeeds.size()]();
        for (int32_t i = 0; i < race->runnerCount; ++i) {
            Runner& r = runners[i];
            r.bracket = 1;
            r.distance = startDistance;
            r.lane = 15 * i;
            r.baseSpeed = baseSpeeds[static_cast<size_t>(i)];
            r.stamina = 5 * r.baseSpeed;
            r.speed = r.baseSpeed;
            r.strideFrame = i % 10;
        }
        tick = 0;
        runStep = 0;
    }

    // One movement step with the race running, as every tick after the gate opens.
    static void step() {
        race->running = 1;
        moveRunners();
    }

    // What the draw does to the race after every update: lower the leader
    // distance and keep the camera on the leader once it follows.
    static void drawLikeTheView() {
        for (int32_t i = 0; i < race->runnerCount; ++i) {
            if (runners[i].distance < race->leaderDistance) {
                race->leaderDistance = runners[i].distance;
            }
        }
        if (race->cameraFollow) {
            race->cameraDistance = race->leaderDistance;
        }
    }

    static std::vector<int32_t> lanes() {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < race->runnerCount; ++i) {
            out.push_back(runners[i].lane);
        }
        return out;
    }

    void TearDown() override { releaseRaceRecords(); }
};

TEST_F(RaceUpdate, WaitsInTheGateForAHundredAndOneTicks) {
    makeRace(std::vector<int32_t>(18, 100));
    for (int32_t call = 1; call <= 101; ++call) {
        updateRace();
        ASSERT_EQ(tick, call);
        ASSERT_EQ(runStep, 0);
        ASSERT_EQ(race->gaitFrame, 0);
        ASSERT_EQ(runners[9].strideFrame, 9);
        ASSERT_EQ(runners[0].distance, 1000);
        ASSERT_EQ(race->gateOpen, call == 101 ? 1 : 0);
        ASSERT_EQ(race->cameraFollow, 0);
    }
    EXPECT_EQ(race->running, 1);
    EXPECT_EQ(race->gaitRunning, 1);
    EXPECT_EQ(race->strideRunning, 1);

    updateRace(); // call 102: movement step 0, the first gait and stride advance
    EXPECT_EQ(runStep, 1);
    EXPECT_EQ(race->gaitFrame, 1);
    EXPECT_EQ(runners[9].strideFrame, 0);
    EXPECT_EQ(runners[0].strideFrame, 1);
    EXPECT_EQ(runners[0].distance, 998);
    EXPECT_EQ(runners[17].lane, 255); // step 0 is even: no moving runner drifts
}

TEST_F(RaceUpdate, GaitAndStrideFramesWrap) {
    makeRace({100});
    race->gaitRunning = 1;
    race->strideRunning = 1;
    std::vector<int32_t> gait;
    std::vector<int32_t> stride;
    for (int i = 0; i < 11; ++i) {
        advanceGait();
        gait.push_back(race->gaitFrame);
        stride.push_back(runners[0].strideFrame);
    }
    EXPECT_EQ(gait, (std::vector<int32_t>{1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3}));
    EXPECT_EQ(stride, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));
}

struct FatigueCase {
    int32_t baseSpeed;
    int32_t lastMovingStep; // the step after which speed is 0.0
    int32_t covered;        // units run in all
};

TEST_F(RaceUpdate, FatigueStopsEveryRunnerInTime) {
    const FatigueCase cases[] = {{100, 300, 503}, {50, 275, 251}, {1, 250, 5}, {200, 350, 1006}};
    for (const FatigueCase& c : cases) {
        SCOPED_TRACE(c.baseSpeed);
        makeRace({c.baseSpeed});
        const int32_t fullSpeedSteps = (500 - c.baseSpeed) / 2 + 1;
        for (int32_t s = 0; s < c.lastMovingStep; ++s) {
            step();
            ASSERT_EQ(runners[0].speed,
                      s < fullSpeedSteps ? c.baseSpeed : c.baseSpeed - (s - fullSpeedSteps + 1));
        }
        EXPECT_EQ(runners[0].speed, 1.0);
        step(); // the last move
        EXPECT_EQ(runners[0].speed, 0.0);
        EXPECT_EQ(1000 - runners[0].distance, c.covered);
        for (int s = 0; s < 10; ++s) {
            step();
        }
        EXPECT_EQ(1000 - runners[0].distance, c.covered);
    }
}

TEST_F(RaceUpdate, BaseSpeedSeventyFiveAlternatesOneAndTwoUnits) {
    makeRace({75});
    std::vector<int32_t> moves;
    for (int s = 0; s < 8; ++s) {
        const int32_t before = runners[0].distance;
        step();
        moves.push_back(before - runners[0].distance);
    }
    EXPECT_EQ(moves, (std::vector<int32_t>{1, 2, 1, 2, 1, 2, 1, 2}));
}

TEST_F(RaceUpdate, BaseSpeedZeroNeverMovesAndHugeSpeedsDoNotOverflow) {
    makeRace({0, 100000, -5});
    step();
    EXPECT_EQ(runners[0].distance, 1000);
    EXPECT_EQ(runners[0].speed, 0.0);
    // 100 * stamina - baseSpeed^2 is far below zero: tired from the first step.
    EXPECT_EQ(runners[1].speed, 99999.0);
    EXPECT_EQ(runners[1].distance, 1000 - 2000);
    EXPECT_EQ(runners[2].distance, 1000); // a negative speed never moves
}

struct CorruptCase {
    const char* what;
    double carry;
    int32_t frame;
    int32_t expectedMove;  // units runner 0 covers in one step at speed 1
    int32_t expectedFrame; // gaitFrame and strideFrame after one advance
};

// Records that no race makes still update in defined ways: frames past their
// range start again, a carry beyond 32 bits moves as far as 32 bits go, and
// a runner count beyond 18 takes the first 18 runners.
TEST_F(RaceUpdate, RecordsOutOfRangeUpdateWithinTheirBounds) {
    const double inf = std::numeric_limits<double>::infinity();
    const CorruptCase cases[] = {
        {"in range", 0.5, 2, 0, 3},
        {"largest frame", 0.0, INT32_MAX, 0, 0},
        {"negative frame", 0.0, -7, 0, -6},
        {"huge carry", 1e300, 0, INT32_MAX, 1},
        {"negative carry", -1e300, 0, INT32_MIN, 1},
        {"infinite carry", inf, 0, INT32_MAX, 1},
        {"carry not a number", std::nan(""), 0, 0, 1},
    };
    for (const CorruptCase& c : cases) {
        SCOPED_TRACE(c.what);
        makeRace(std::vector<int32_t>(18, 1));
        race->runnerCount = 40; // the array holds 18
        race->gaitRunning = 1;
        race->strideRunning = 1;
        race->gaitFrame = c.frame;
        runners[0].strideFrame = c.frame;
        runners[0].carry = c.carry;
        advanceGait();
        EXPECT_EQ(race->gaitFrame, c.expectedFrame);
        EXPECT_EQ(runners[0].strideFrame, c.expectedFrame);
        step();
        EXPECT_EQ(runners[0].distance, wrapSub(1000, c.expectedMove));
    }
}

TEST_F(RaceUpdate, FirstOddStepDriftsEveryoneThenTheFieldIsBlocked) {
    makeRace(std::vector<int32_t>(18, 100));
    step(); // step 0: even, nobody drifts
    step(); // step 1: everyone drifts one pixel
    std::vector<int32_t> expected;
    for (int32_t i = 0; i < 18; ++i) {
        expected.push_back(15 * i - 1);
    }
    EXPECT_EQ(lanes(), expected);
    step();
    step(); // step 3: blocked by the runner one place nearer the rail
    EXPECT_EQ(lanes(), expected);
}

TEST_F(RaceUpdate, DriftWhenTheRunnerNearerTheRailIsFarAway) {
    makeRace({100, 100});
    runners[0].distance = 1000;
    runners[1].distance = 1000 - 140; // exactly 140 ahead: not alongside
    runners[1].lane = 16;
    for (int s = 0; s < 4; ++s) {
        step();
    }
    EXPECT_EQ(runners[0].lane, -1);
    EXPECT_EQ(runners[1].lane, 14);
}

TEST_F(RaceUpdate, StoppedRunnersDriftEveryStepUntilTheRaceSettles) {
    makeRace({0, 0});
    runners[1].distance = 500; // far from runner 0, never blocked
    runners[1].lane = 3;
    std::vector<std::vector<int32_t>> seen;
    std::vector<int32_t> running;
    for (int s = 0; s < 6; ++s) {
        step();
        seen.push_back(lanes());
        running.push_back(race->running);
    }
    EXPECT_EQ(seen, (std::vector<std::vector<int32_t>>{
                        {-1, 2}, {-1, 1}, {-1, 0}, {-1, -1}, {-1, -1}, {-1, -1}}));
    EXPECT_EQ(running, (std::vector<int32_t>{1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(runStep, 6);
}

TEST_F(RaceUpdate, WholeRaceClosesFromTickSevenHundredAndOne) {
    std::vector<int32_t> speeds;
    for (int32_t i = 0; i < 18; ++i) {
        speeds.push_back(80 + 3 * i);
    }
    makeRace(speeds);
    const int closes = closeRequestCount();
    int32_t lockTick = 0;
    for (int32_t call = 1; call <= 703; ++call) {
        updateRace();
        drawLikeTheView();
        if (race->cameraFollow && lockTick == 0) {
            lockTick = call;
        }
        ASSERT_EQ(closeRequestCount(), closes + (call > 700 ? call - 700 : 0));
        if (call == 701) {
            EXPECT_EQ(runStep, 600); // the step of call 701 was step 599
        }
    }
    // The fastest runner (131) passes 400 units in step 153 (call 255); the
    // timeline sees the draw's leader distance one update later.
    EXPECT_EQ(lockTick, 256);
    EXPECT_EQ(race->cameraDistance, race->leaderDistance);
    for (int32_t i = 0; i < 18; ++i) {
        EXPECT_EQ(runners[i].speed, 0.0);
    }
}

} // namespace
