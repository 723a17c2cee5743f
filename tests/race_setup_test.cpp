// Race setup: the bracket table and the starting values of every field.

#include "data/rivals.h"
#include "race/records.h"
#include "race/setup.h"
#include "support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class RaceSetup : public ::testing::Test {
  protected:
    void TearDown() override { releaseRaceRecords(); }
    ScratchDir dir;
};

TEST(BracketTable, RowsForSeveralFieldSizes) {
    const std::vector<std::vector<int32_t>> rows = {
        {1},
        {1, 2, 3, 4, 5, 6, 7, 8},
        {1, 2, 3, 4, 5, 6, 7, 8, 8},
        {1, 2, 3, 4, 5, 5, 6, 6, 7, 7, 8, 8},
        {1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8},
        {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8},
        {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 8},
        {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8, 8, 8},
    };
    for (const auto& row : rows) {
        const auto n = static_cast<int32_t>(row.size());
        SCOPED_TRACE(n);
        for (int32_t p = 1; p <= n; ++p) {
            EXPECT_EQ(bracketFor(n, p), row[static_cast<size_t>(p - 1)]);
        }
        EXPECT_EQ(bracketFor(n, n + 1), 0);
    }
    EXPECT_EQ(bracketFor(19, 1), 0);
    EXPECT_EQ(bracketFor(0, 1), 0);
}

TEST_F(RaceSetup, SeatsEighteenRunnersInTheGate) {
    dir.write("deta/courseDeta.txt", courseFile(courseLine("Raced", 1, 0, 3, 900)));
    std::string rivalsText = rivalLine(2, 30, 4, 3) + rivalLine(5, 99, 4, -6);
    rivalsText += rivalFile(23, 3, 1); // 25 records: only the first 18 run
    dir.write("deta/rival.txt", rivalsText);

    ASSERT_TRUE(setupRace());
    EXPECT_EQ(rivals, nullptr); // freed again
    EXPECT_EQ(race->runnerCount, 18);
    EXPECT_EQ(race->startDistance, 900);
    EXPECT_EQ(race->leaderDistance, 900);
    EXPECT_EQ(race->cameraDistance, 500);
    EXPECT_EQ(race->sectionShift, 0);
    EXPECT_EQ(race->gaitFrame, 0);
    EXPECT_EQ(race->gateShown, 1);
    EXPECT_EQ(race->gaitRunning + race->strideRunning + race->gateOpen + race->cameraFollow +
                  race->running,
              0);

    const int32_t brackets[] = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 7, 8, 8, 8};
    for (int32_t i = 0; i < 18; ++i) {
        SCOPED_TRACE(i);
        const Runner& r = runners[i];
        EXPECT_EQ(r.bracket, brackets[i]);
        EXPECT_EQ(r.lane, 15 * i);
        EXPECT_EQ(r.strideFrame, i % 10);
        EXPECT_EQ(r.distance, 900);
        EXPECT_EQ(r.carry, 0.0);
        EXPECT_EQ(r.speed, static_cast<double>(r.baseSpeed));
        EXPECT_EQ(r.stamina, 5 * r.baseSpeed);
    }
    EXPECT_EQ(runners[17].lane, 255);
    EXPECT_EQ(runners[17].strideFrame, 7);
    EXPECT_EQ(runners[0].coat, 2);
    EXPECT_EQ(runners[0].silks, 30);
    EXPECT_EQ(runners[0].baseSpeed, 99);
    EXPECT_EQ(runners[0].stamina, 495);
    EXPECT_EQ(runners[0].speed, 99.0);
    EXPECT_EQ(runners[1].baseSpeed, 90);
    EXPECT_EQ(runners[1].stamina, 450);
    EXPECT_EQ(runners[1].speed, 90.0);
    EXPECT_EQ(runners[17].silks, 15); // rival record 17 is the 16th of the filler
}

TEST_F(RaceSetup, NegativeStartDistance) {
    dir.write("deta/courseDeta.txt", courseFile(courseLine("Raced", 0, 0, 2, -50)));
    dir.write("deta/rival.txt", rivalFile(18, 4, 0));
    ASSERT_TRUE(setupRace());
    EXPECT_EQ(race->leaderDistance, -50);
    EXPECT_EQ(race->cameraDistance, -450);
    EXPECT_EQ(runners[5].distance, -50);
}

TEST_F(RaceSetup, ShortRivalFileSeatsAsManyRunners) {
    dir.write("deta/courseDeta.txt", courseFile(courseLine("Raced", 0, 0, 2, 1000)));
    dir.write("deta/rival.txt", rivalFile(16, 4, 0));
    ASSERT_TRUE(setupRace());
    EXPECT_EQ(race->runnerCount, 16);
    EXPECT_EQ(runners[0].bracket, 1);
    EXPECT_EQ(runners[1].bracket, 1);
    EXPECT_EQ(runners[15].bracket, 8);
}

TEST_F(RaceSetup, StopsWhenADataFileCannotBeRead) {
    dir.write("deta/rival.txt", rivalFile(18, 4, 0));
    EXPECT_FALSE(setupRace()); // no course file
    EXPECT_EQ(race, nullptr);
    EXPECT_EQ(runners, nullptr);
    EXPECT_EQ(rivals, nullptr);

    dir.write("deta/courseDeta.txt", courseFile(courseLine("Raced", 0, 0, 2, 1000)));
    std::filesystem::remove(dir.path() / "deta/rival.txt");
    EXPECT_FALSE(setupRace());
    EXPECT_EQ(race, nullptr);
    EXPECT_EQ(runners, nullptr);
    EXPECT_EQ(rivals, nullptr);
}

} // namespace
