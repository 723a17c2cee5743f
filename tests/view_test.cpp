// The race view, pixel by pixel: course strips and rails, runner sprites in
// depth order with the leader and camera, the starting gate and the image set.
// The expected frame is painted with a reference copy at the documented
// coordinates.

#include "view_support.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

struct Copy {
    bool keyed;
    int x, y, w, h;
    int sx, sy;
};

class View : public ViewFixture {
  protected:
    // The three sprites of a runner at their documented positions.
    void modelRunner(const Runner& r, bool odd, bool rightward) {
        const int d = r.distance - race->cameraDistance;
        const int y = odd ? r.lane + 70 : 350 - r.lane;
        const int silksY = odd ? r.lane + 88 : 368 - r.lane;
        const int lower = rightward ? 500 : 0;
        modelCopy(true, rightward ? 500 - d : 160 + d, y, 140, 100, horse, 140 * r.coat,
                  lower + 100 * (r.strideFrame / 2));
        modelCopy(true, rightward ? 548 - d : 168 + d, y, 84, 60, horse, 840,
                  lower + 60 * (r.bracket - 1));
        modelCopy(true, rightward ? 556 - d : 206 + d, silksY, 38, 20, uniform, 38 * (r.silks / 25),
                  lower + 20 * (r.silks % 25));
    }
    // Stall s at gate offset o.
    void modelStall(int s, bool odd, bool rightward, int o, int c) {
        modelCopy(true, rightward ? 88 - o : 530 + o, 15 * s + (odd ? 7 : 32), 182, 163, gate,
                  rightward ? 364 + 182 * c : 182 * c, 0);
    }
    void modelCopies(const std::vector<Copy>& copies) {
        for (const Copy& c : copies) {
            modelCopy(c.keyed, c.x, c.y, c.w, c.h, course, c.sx, c.sy);
        }
    }
};

// ---- Course view -----------------------------------------------------------

struct CourseCase {
    const char* name;
    int32_t section, direction, trackStyle, gaitFrame;
    bool odd, rightward;
    std::vector<Copy> before; // course copies before drawRunners
    std::vector<Copy> after;  // after it (the even side's front rail)
};

void PrintTo(const CourseCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<Copy> strips(int count, int y0, int height, int sx, int sy) {
    std::vector<Copy> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(Copy{false, 0, y0 + height * i, 800, height, sx, sy});
    }
    return out;
}
std::vector<Copy> join(std::vector<std::vector<Copy>> parts) {
    std::vector<Copy> out;
    for (auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

std::vector<CourseCase> courseCases() {
    return {
        // The documented worked examples.
        {"OddRightwardTurfGait3",
         5,
         1,
         0,
         3,
         true,
         true,
         join({strips(6, 150, 50, 60, 0),
               strips(4, 0, 40, 60, 50),
               {{true, 0, 115, 800, 40, 8, 140}, {true, 0, 125, 800, 40, 16, 100}}}),
         {}},
        {"EvenLeftwardDirtGait1",
         4,
         1,
         1,
         1,
         false,
         false,
         join({{{false, 0, 0, 800, 150, 24, 180}},
               strips(6, 150, 50, 40, 50),
               {{true, 0, 115, 800, 40, 0, 140}}}),
         {{true, 0, 410, 800, 40, 0, 140}}},
        {"OddLeftwardDirtGait3",
         -3,
         0,
         1,
         3,
         true,
         false,
         join({strips(6, 150, 50, 0, 50),
               strips(4, 0, 40, 0, 0),
               {{true, 0, 115, 800, 40, 8, 100}, {true, 0, 125, 800, 40, 16, 140}}}),
         {}},
        // The other side and direction pairs, both track styles.
        {"EvenRightwardTurfGait2",
         0,
         0,
         0,
         2,
         false,
         true,
         join({strips(3, 0, 50, 40, 50),
               {{true, 0, 105, 800, 40, 8, 140}},
               strips(6, 150, 50, 40, 0),
               {{true, 0, 115, 800, 40, 16, 100}}}),
         {{true, 0, 410, 800, 40, 16, 100}}},
        {"EvenLeftwardTurfGait0",
         2,
         1,
         0,
         0,
         false,
         false,
         join({strips(3, 0, 50, 60, 50),
               {{true, 0, 105, 800, 40, 24, 140}},
               strips(6, 150, 50, 60, 0),
               {{true, 0, 115, 800, 40, 0, 100}}}),
         {{true, 0, 410, 800, 40, 0, 100}}},
        {"EvenRightwardDirtGait3",
         0,
         0,
         1,
         3,
         false,
         true,
         join({{{false, 0, 0, 800, 150, 36, 180}},
               strips(6, 150, 50, 60, 50),
               {{true, 0, 115, 800, 40, 16, 140}}}),
         {{true, 0, 410, 800, 40, 16, 140}}},
        {"OddRightwardDirtGait0",
         1,
         1,
         1,
         0,
         true,
         true,
         join({strips(6, 150, 50, 0, 50),
               strips(4, 0, 40, 0, 0),
               {{true, 0, 115, 800, 40, 24, 100}, {true, 0, 125, 800, 40, 0, 140}}}),
         {}},
        {"OddLeftwardTurfGait1",
         7,
         0,
         0,
         1,
         true,
         false,
         join({strips(6, 150, 50, 40, 0),
               strips(4, 0, 40, 40, 50),
               {{true, 0, 115, 800, 40, 24, 140}, {true, 0, 125, 800, 40, 0, 100}}}),
         {}},
    };
}

class CourseView : public View, public ::testing::WithParamInterface<CourseCase> {};

TEST_P(CourseView, PaintsTheCopiesOfTheSideInOrderAroundTheRunners) {
    const CourseCase& c = GetParam();
    makeRace(2, c.section, c.direction, c.trackStyle);
    race->gaitFrame = c.gaitFrame;
    race->gateShown = 0;
    // Two runners in view, one on lane 0 (under the even side's front rail).
    race->cameraDistance = 1000;
    runners[1].lane = 0;
    runners[1].distance = 1000 + 30;
    fill(0x123456); // rows 450 to 599 keep what the buffer held

    drawScene(buffer);

    modelCopies(c.before);
    // Depth order: runner 0 lane 0 and runner 1 lane 0, equal: index order.
    modelRunner(runners[0], c.odd, c.rightward);
    modelRunner(runners[1], c.odd, c.rightward);
    modelCopies(c.after);
    EXPECT_TRUE(matchesModel());
}

INSTANTIATE_TEST_SUITE_P(AllSides, CourseView, ::testing::ValuesIn(courseCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(View, CourseSpotChecksOfTheSheetCells) {
    // Odd side, rightward, turf, gait 3: near strips from (60, 0), far strips
    // from (60, 50), far rail from (8, 140), own rail from (16, 100).
    makeRace(0, 5, 1, 0);
    race->gaitFrame = 3;
    race->gateShown = 0;
    drawScene(buffer);
    const TestImage f = frame();
    auto expectAt = [&](int x, int y, int sx, int sy) {
        const uint32_t want = course.at(sx, sy);
        EXPECT_EQ(describePixel(f.at(x, y)), describePixel(want)) << "at " << x << "," << y;
    };
    expectAt(1, 449, 61, 49);      // last near strip, last row
    expectAt(5, 20, 65, 70);       // far course
    expectAt(3, 116, 11, 141);     // far rail, only rows 115 to 124 left of it
    expectAt(3, 164, 19, 139);     // own rail, last row
    expectAt(799, 200, 859, 0);    // near strip 1, its first row
    EXPECT_EQ(f.at(400, 450), 0u); // not painted
}

TEST_F(View, MissingCourseSheetStillDrawsRunnersAndGate) {
    std::filesystem::remove("image/course.bmp");
    loadImageSet();
    EXPECT_EQ(images->courseSheet, nullptr);
    makeRace(18, 1, 0);
    drawScene(buffer);
    for (int i = 0; i < 18; ++i) {
        modelRunner(runners[i], true, false);
        modelStall(i, true, false, 0, 0);
    }
    EXPECT_TRUE(matchesModel());
}

// ---- Runner sprites --------------------------------------------------------

class RunnerSprites : public View {
  protected:
    // One runner at D = 0: coat 2, stride 5, bracket 3, silks 27, lane 20.
    void oneRunner(int32_t section, int32_t direction) {
        makeRace(1, section, direction);
        race->gateShown = 0;
        Runner& r = runners[0];
        r.coat = 2;
        r.strideFrame = 5;
        r.bracket = 3;
        r.silks = 27;
        r.lane = 20;
        r.distance = 700;
        race->cameraDistance = 700;
    }
};

TEST_F(RunnerSprites, LeftwardOddSideUsesTheUpperSet) {
    oneRunner(1, 0);
    drawRunners(buffer);
    modelCopy(true, 160, 90, 140, 100, horse, 280, 200);
    modelCopy(true, 168, 90, 84, 60, horse, 840, 120);
    modelCopy(true, 206, 108, 38, 20, uniform, 38, 40);
    EXPECT_TRUE(matchesModel());
}

TEST_F(RunnerSprites, RightwardOddSideUsesTheLowerSetAtTheMirrorPositions) {
    oneRunner(1, 1);
    drawRunners(buffer);
    modelCopy(true, 500, 90, 140, 100, horse, 280, 700);
    modelCopy(true, 548, 90, 84, 60, horse, 840, 620);
    modelCopy(true, 556, 108, 38, 20, uniform, 38, 540);
    EXPECT_TRUE(matchesModel());
}

TEST_F(RunnerSprites, LeftwardEvenSide) {
    oneRunner(2, 1);
    drawRunners(buffer);
    modelCopy(true, 160, 330, 140, 100, horse, 280, 200);
    modelCopy(true, 168, 330, 84, 60, horse, 840, 120);
    modelCopy(true, 206, 348, 38, 20, uniform, 38, 40);
    EXPECT_TRUE(matchesModel());
}

TEST_F(RunnerSprites, RightwardEvenSide) {
    oneRunner(-2, 0);
    drawRunners(buffer);
    modelCopy(true, 500, 330, 140, 100, horse, 280, 700);
    modelCopy(true, 548, 330, 84, 60, horse, 840, 620);
    modelCopy(true, 556, 348, 38, 20, uniform, 38, 540);
    EXPECT_TRUE(matchesModel());
}

TEST_F(RunnerSprites, StrideEightAndNineShareTheFifthRowAndSilksWrapIntoColumns) {
    oneRunner(1, 1);
    runners[0].strideFrame = 9;
    runners[0].silks = 24;
    runners[0].distance = 800; // D = 100: the runner is 100 to the left
    drawRunners(buffer);
    modelCopy(true, 400, 90, 140, 100, horse, 280, 900);
    modelCopy(true, 448, 90, 84, 60, horse, 840, 620);
    modelCopy(true, 456, 108, 38, 20, uniform, 0, 980);
    EXPECT_TRUE(matchesModel());
    runners[0].strideFrame = 8;
    runners[0].silks = 25;
    drawRunners(buffer);
    modelCopy(true, 400, 90, 140, 100, horse, 280, 900);
    modelCopy(true, 448, 90, 84, 60, horse, 840, 620);
    modelCopy(true, 456, 108, 38, 20, uniform, 38, 500);
    EXPECT_TRUE(matchesModel());
}

TEST_F(RunnerSprites, OutOfSheetCoatAndSilksDrawOnlyTheirPartInsideTheSheet) {
    oneRunner(1, 0);
    runners[0].coat = 6;   // x 840 to 979: 84 columns inside the 924-wide sheet
    runners[0].silks = 50; // column 2 of a 2-column sheet: nothing
    drawRunners(buffer);
    modelCopy(true, 160, 90, 140, 100, horse, 840, 200);
    modelCopy(true, 168, 90, 84, 60, horse, 840, 120);
    EXPECT_TRUE(matchesModel());
    const TestImage f = frame();
    EXPECT_EQ(f.at(160 + 84, 170), 0u); // right of the sheet's edge: untouched
    fill(0);
    runners[0].coat = 7;
    runners[0].silks = -1; // row -1: source y -20, nothing in the upper set
    runners[0].bracket = 100;
    drawRunners(buffer);
    EXPECT_TRUE(matchesModel());
    runners[0].coat = INT_MAX;
    runners[0].silks = INT_MIN;
    runners[0].bracket = INT_MIN;
    runners[0].strideFrame = INT_MAX;
    drawRunners(buffer);
    EXPECT_TRUE(matchesModel());
}

TEST_F(RunnerSprites, MissingHorseSheetDrawsOnlyTheSilks) {
    std::filesystem::remove("image/horse.bmp");
    loadImageSet();
    EXPECT_EQ(images->horseSheet, nullptr);
    EXPECT_NE(images->uniformSheet, nullptr);
    oneRunner(1, 0);
    drawRunners(buffer);
    modelCopy(true, 206, 108, 38, 20, uniform, 38, 40);
    EXPECT_TRUE(matchesModel());
}

TEST_F(View, TheFieldAtTheStartStandsAtDistance400) {
    for (int32_t direction : {0, 1}) {
        makeRace(18, 1, direction);
        race->gateShown = 0;
        fill(0);
        drawRunners(buffer);
        const bool rightward = direction == 1;
        for (int i = 0; i < 18; ++i) {
            modelRunner(runners[i], true, rightward);
        }
        EXPECT_TRUE(matchesModel());
        // Horses at x 560 (leftward) or 100 (rightward), tops at 70 + 15 i.
        const TestImage f = frame();
        const int x = rightward ? 100 : 560;
        EXPECT_EQ(describePixel(f.at(x + 70, 17 * 15 + 70 + 99)),
                  describePixel(horse.at(140 * (17 % 6) + 70,
                                         (rightward ? 500 : 0) + 100 * ((17 % 10) / 2) + 99)));
    }
}

TEST_F(View, EqualLanesDrawTheLowerIndexFirst) {
    for (int32_t section : {1, 2}) {
        makeRace(3, section, 0);
        race->gateShown = 0;
        fill(0);
        runners[0].lane = 30;
        runners[1].lane = 30;
        runners[2].lane = 30;
        runners[1].distance = 1010;
        runners[2].distance = 1020;
        drawRunners(buffer);
        const bool odd = section == 1;
        const bool rightward = !odd;
        modelRunner(runners[0], odd, rightward);
        modelRunner(runners[1], odd, rightward);
        modelRunner(runners[2], odd, rightward);
        EXPECT_TRUE(matchesModel());
    }
}

TEST_F(View, DepthOrderRunsFarToNearOnBothSides) {
    // Odd side: lane 0 is highest and farthest, drawn first. Even side: lane 0
    // is lowest and nearest, drawn last.
    for (int32_t section : {3, 4}) {
        makeRace(3, section, 1);
        race->gateShown = 0;
        fill(0);
        runners[0].lane = 40;
        runners[1].lane = 0;
        runners[2].lane = 20;
        drawRunners(buffer);
        const bool odd = section == 3;
        const int order[2][3] = {{0, 2, 1}, {1, 2, 0}}; // even, odd
        for (int k : order[odd ? 1 : 0]) {
            modelRunner(runners[k], odd, odd);
        }
        EXPECT_TRUE(matchesModel());
    }
}

TEST_F(View, LeaderIsLoweredStrictlyAndTheCameraFollowsOnlyWhenLocked) {
    makeRace(3, 1, 0);
    race->gateShown = 0;
    runners[0].distance = 990;
    runners[1].distance = 980;
    runners[2].distance = 985;
    drawRunners(buffer);
    EXPECT_EQ(race->leaderDistance, 980);
    EXPECT_EQ(race->cameraDistance, 600); // not locked yet
    // A runner that passes the camera point before the lock is drawn left of 160.
    runners[1].distance = 590;
    fill(0);
    drawRunners(buffer);
    EXPECT_EQ(race->leaderDistance, 590);
    EXPECT_EQ(race->cameraDistance, 600);
    for (int k : {0, 1, 2}) {
        modelRunner(runners[k], true, false);
    }
    EXPECT_TRUE(matchesModel());
    race->cameraFollow = 1;
    drawRunners(buffer);
    EXPECT_EQ(race->cameraDistance, 590);
    // Never rises.
    runners[1].distance = 700;
    drawRunners(buffer);
    EXPECT_EQ(race->leaderDistance, 590);
    EXPECT_EQ(race->cameraDistance, 590);
}

TEST_F(View, RunnersFarBehindTheCameraAreWhollyOffScreen) {
    for (int32_t direction : {0, 1}) {
        makeRace(1, 1, direction);
        race->gateShown = 0;
        race->cameraDistance = 400;
        runners[0].distance = 1040; // D = 640
        race->leaderDistance = 0;
        fill(0);
        drawRunners(buffer);
        EXPECT_EQ(frame().pixels, std::vector<uint32_t>(800 * 600, 0));
        runners[0].distance = 1039; // D = 639: one column shows
        drawRunners(buffer);
        modelRunner(runners[0], true, direction == 1);
        EXPECT_TRUE(matchesModel());
    }
}

TEST_F(View, ExtremeDistancesDrawNothingAndNeverOverflow) {
    makeRace(2, 1, 0, 0, INT_MAX);
    race->gateOpen = 1;
    runners[0].distance = INT_MIN;
    runners[1].distance = INT_MAX;
    race->cameraDistance = INT_MAX;
    race->cameraFollow = 0;
    drawScene(buffer);
    EXPECT_EQ(race->leaderDistance, INT_MIN);
    EXPECT_EQ(race->gateShown, 0); // o is 2 * (2^32 - 1), far above 260
    race->cameraFollow = 1;
    drawScene(buffer);
    EXPECT_EQ(race->cameraDistance, INT_MIN);
}

TEST_F(View, MoreRunnersThanTheArraysHoldAreClampedTo18) {
    makeRace(20, 1, 0);
    race->runnerCount = 20; // as if the record said so
    race->gateShown = 0;
    drawRunners(buffer);
    for (int i = 0; i < 18; ++i) {
        modelRunner(runners[i], true, false);
    }
    EXPECT_TRUE(matchesModel());
}

// ---- Starting gate ---------------------------------------------------------

TEST_F(View, StallsBeforeTheStartHoldTheirRunners) {
    for (int32_t section : {1, 2}) {
        for (int32_t direction : {0, 1}) {
            SCOPED_TRACE(::testing::Message()
                         << "section " << section << " direction " << direction);
            makeRace(18, section, direction);
            race->gateShown = 1;
            fill(0);
            drawRunners(buffer);
            const bool odd = section == 1;
            const bool rightward = odd ? direction == 1 : direction == 0;
            for (int i = 0; i < 18; ++i) {
                modelRunner(runners[odd ? i : 17 - i], odd, rightward);
                modelStall(i, odd, rightward, 0, 0);
            }
            EXPECT_TRUE(matchesModel());
            EXPECT_EQ(race->gateShown, 1);
        }
    }
}

TEST_F(View, StallsWithTheLeftwardClosedCellSitAt530) {
    makeRace(18, 1, 0);
    race->gateShown = 1;
    // No horse or uniform: only the stalls show.
    std::filesystem::remove("image/horse.bmp");
    std::filesystem::remove("image/uniform.bmp");
    loadImageSet();
    drawRunners(buffer);
    const TestImage f = frame();
    // The stall's right column at y 15 * 17 + 7 + 162 is source (181, 162),
    // the last stall drawn.
    EXPECT_EQ(describePixel(f.at(530 + 181, 15 * 17 + 7 + 162)), describePixel(gate.at(181, 162)));
    EXPECT_EQ(f.at(529, 100), 0u);
    EXPECT_EQ(f.at(530 + 182, 100), 0u);
}

TEST_F(View, OpenStallsRollAwayTwiceAsFastAsTheLeader) {
    for (int32_t direction : {0, 1}) {
        makeRace(18, 1, direction);
        race->gateOpen = 1;
        runners[5].distance = 950; // o = 100
        fill(0);
        drawRunners(buffer);
        const bool rightward = direction == 1;
        for (int i = 0; i < 18; ++i) {
            modelRunner(runners[i], true, rightward);
            modelStall(i, true, rightward, 100, 1);
        }
        EXPECT_TRUE(matchesModel());
        EXPECT_EQ(race->gateShown, 1);
    }
}

TEST_F(View, HideTestAt260KeepsTheGateAt262HidesItAfterOneStall) {
    // Odd side.
    makeRace(18, 1, 0);
    race->gateOpen = 1;
    runners[3].distance = 870; // o = 260
    drawRunners(buffer);
    for (int i = 0; i < 18; ++i) {
        modelRunner(runners[i], true, false);
        modelStall(i, true, false, 260, 1);
    }
    EXPECT_TRUE(matchesModel());
    EXPECT_EQ(race->gateShown, 1);

    runners[3].distance = 869; // o = 262
    fill(0);
    drawRunners(buffer);
    for (int i = 0; i < 18; ++i) {
        modelRunner(runners[i], true, false);
        if (i == 0) {
            modelStall(0, true, false, 262, 1); // 8 columns still on screen
        }
    }
    EXPECT_TRUE(matchesModel());
    EXPECT_EQ(race->gateShown, 0);
    // Hidden for good.
    fill(0);
    runners[3].distance = 1000;
    race->leaderDistance = 1000;
    drawRunners(buffer);
    for (int i = 0; i < 18; ++i) {
        modelRunner(runners[i], true, false);
    }
    EXPECT_TRUE(matchesModel());

    // Even side: the opening empty-stall call hides it; no stall at all.
    makeRace(18, 2, 1);
    race->gateOpen = 1;
    runners[3].distance = 869;
    fill(0);
    drawRunners(buffer);
    for (int i = 0; i < 18; ++i) {
        modelRunner(runners[17 - i], false, false);
    }
    EXPECT_TRUE(matchesModel());
    EXPECT_EQ(race->gateShown, 0);
}

TEST_F(View, ClosedGateIsNeverHidden) {
    makeRace(18, 1, 1);
    race->gateOpen = 0;
    runners[0].distance = 500; // o = 1000
    drawRunners(buffer);
    EXPECT_EQ(race->gateShown, 1);
    for (int i = 0; i < 18; ++i) {
        modelRunner(runners[i], true, true);
        modelStall(i, true, true, 1000, 0);
    }
    EXPECT_TRUE(matchesModel());
}

TEST_F(View, SixteenRunnersLeaveTheOuterStallsEmpty) {
    // Odd side: runners in stalls 0 to 15, empty stalls 16 and 17 at y 247, 262.
    makeRace(16, 1, 0);
    drawRunners(buffer);
    for (int i = 0; i < 16; ++i) {
        modelRunner(runners[i], true, false);
        modelStall(i, true, false, 0, 0);
    }
    modelStall(16, true, false, 0, 0);
    modelStall(17, true, false, 0, 0);
    EXPECT_TRUE(matchesModel());
    EXPECT_EQ(15 * 16 + 7, 247);

    // Even side: empty stalls 0 and 1 at y 32, 47 first; runner i in stall 2 + i.
    makeRace(16, 2, 1);
    fill(0);
    drawRunners(buffer);
    modelStall(0, false, false, 0, 0);
    modelStall(1, false, false, 0, 0);
    for (int i = 0; i < 16; ++i) {
        modelRunner(runners[15 - i], false, false);
        modelStall(2 + i, false, false, 0, 0);
    }
    EXPECT_TRUE(matchesModel());
}

TEST_F(View, NoRunnersStillDrawsAllEighteenEmptyStalls) {
    for (int32_t section : {1, 2}) {
        makeRace(0, section, 0);
        fill(0);
        drawRunners(buffer);
        const bool odd = section == 1;
        for (int s = 0; s < 18; ++s) {
            modelStall(s, odd, !odd, 0, 0);
        }
        EXPECT_TRUE(matchesModel());
    }
}

TEST_F(View, NegativeSlotsAllActLikeMinusOne) {
    makeRace(16, 1, 0);
    drawGate(buffer, -5);
    const TestImage five = frame();
    fill(0);
    drawGate(buffer, -1);
    EXPECT_EQ(frame().pixels, five.pixels);
    modelStall(16, true, false, 0, 0);
    modelStall(17, true, false, 0, 0);
    EXPECT_TRUE(matchesModel());
    // 18 runners: the empty-stall call draws nothing but still runs the hide test.
    makeRace(18, 1, 0);
    race->gateOpen = 1;
    race->leaderDistance = 500;
    fill(0);
    drawGate(buffer, INT_MIN);
    EXPECT_TRUE(matchesModel());
    EXPECT_EQ(race->gateShown, 0);
}

TEST_F(View, GateTakesTheParityOfSectionAlone) {
    makeRace(18, 1, 0);
    race->sectionShift = 1; // never happens in the race; the gate ignores it
    drawGate(buffer, 3);
    modelStall(3, true, false, 0, 0);
    EXPECT_TRUE(matchesModel());
}

// ---- Image set -------------------------------------------------------------

TEST_F(View, ImageSetLoadsInIndexOrderAndReleaseClearsEverything) {
    ASSERT_NE(images, nullptr);
    EXPECT_NE(images->courseSheet, nullptr);
    EXPECT_NE(images->horseSheet, nullptr);
    EXPECT_NE(images->uniformSheet, nullptr);
    EXPECT_NE(images->gateSheet, nullptr);
    loadImageSet(); // again: the earlier set is freed, not leaked
    makeRace(18, 1, 0);
    releaseRace();
    EXPECT_EQ(images, nullptr);
    EXPECT_EQ(race, nullptr);
    EXPECT_EQ(runners, nullptr);
    releaseRace();     // twice is harmless
    drawScene(buffer); // no race: nothing
    EXPECT_TRUE(matchesModel());
}

TEST_F(View, AllSheetsMissingDrawsNothing) {
    std::filesystem::remove_all("image");
    loadImageSet();
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(images->courseSheet, nullptr);
    EXPECT_EQ(images->gateSheet, nullptr);
    makeRace(18, 1, 0);
    race->gateOpen = 1;
    race->leaderDistance = 800;
    drawScene(buffer);
    EXPECT_TRUE(matchesModel());
    EXPECT_EQ(race->gateShown, 0); // the hide test still runs
}

} // namespace
