// The frame thread and the scene slots, without a window.

#include "platform/platform.h"
#include "race/records.h"
#include "race/update.h"
#include "shell/shell.h"
#include "support.h"
#include "view/view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<int> leftCalls{0};
std::atomic<int> rightCalls{0};
std::atomic<int> updates{0};

// A left-click handler that takes three calls to clear its latch.
void clearLeftOnThirdCall() {
    if (++leftCalls == 3) {
        leftClickLatch = 0;
    }
}
void countRight() {
    ++rightCalls;
}
void countUpdate() {
    ++updates;
}

class FrameThread : public ::testing::Test {
  protected:
    void SetUp() override {
        updateProc = nullptr;
        drawProc = nullptr;
        leftClickProc = nullptr;
        rightClickProc = nullptr;
        leftClickLatch = 0;
        rightClickLatch = 0;
        frameIntervalMs = 0;
        leftCalls = 0;
        rightCalls = 0;
        updates = 0;
    }
    void TearDown() override {
        releaseRace();
        frameIntervalMs = 30;
    }

    // Copies the program's own data files into the scratch directory.
    void copyData() const {
        std::filesystem::create_directories(scratch.path() / "deta");
        for (const char* name : {"deta/courseDeta.txt", "deta/rival.txt"}) {
            std::filesystem::copy_file(std::filesystem::path(GALLOP_SOURCE_DIR) / name,
                                       scratch.path() / name);
        }
    }

    // Waits until `done` holds, for at most `limit`.
    template <typename Done> static bool waitFor(Done done, std::chrono::seconds limit) {
        const auto end = Clock::now() + limit;
        while (!done()) {
            if (Clock::now() > end) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    ScratchDir scratch;
};

TEST_F(FrameThread, ClicksAreDispatchedOnlyWithAHandlerAndUntilTheLatchIsCleared) {
    // Without handlers, releases latch nothing and latched clicks go nowhere.
    onLeftButtonUp();
    onRightButtonUp();
    EXPECT_EQ(leftClickLatch, 0);
    EXPECT_EQ(rightClickLatch, 0);
    rightClickLatch = 1;
    frameThreadPass();

    // With handlers, a release latches and the handler runs on every pass
    // until it clears its latch itself.
    leftClickProc = clearLeftOnThirdCall;
    rightClickProc = countRight;
    rightClickLatch = 0;
    onLeftButtonUp();
    EXPECT_EQ(leftClickLatch, 1);
    for (int pass = 0; pass < 5; ++pass) {
        frameThreadPass();
    }
    EXPECT_EQ(leftCalls, 3);
    EXPECT_EQ(rightCalls, 0);
    onRightButtonUp();
    frameThreadPass();
    frameThreadPass();
    EXPECT_EQ(rightCalls, 2);
    EXPECT_EQ(leftCalls, 3);
}

TEST_F(FrameThread, APassUpdatesThenRequestsAPaintOnlyForInstalledSlots) {
    const int paintsBefore = paintRequestCount();
    frameThreadPass();
    EXPECT_EQ(updates, 0);
    EXPECT_EQ(paintRequestCount(), paintsBefore);

    updateProc = countUpdate;
    frameThreadPass();
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(paintRequestCount(), paintsBefore);

    drawProc = drawScene;
    frameThreadPass();
    EXPECT_EQ(updates, 2);
    EXPECT_EQ(paintRequestCount(), paintsBefore + 1);
}

TEST_F(FrameThread, KeysAndMouseMovesChangeOnlyWhatTheyShould) {
    const int closesBefore = closeRequestCount();
    onKeyUp('A');
    onKeyUp(13);
    EXPECT_EQ(closeRequestCount(), closesBefore);
    onKeyUp(escapeKey);
    EXPECT_EQ(closeRequestCount(), closesBefore + 1);

    // Positions are kept as the unsigned 16-bit words the window system uses.
    const struct {
        int32_t x, y, keptX, keptY;
    } moves[] = {{0, 0, 0, 0}, {799, 599, 799, 599}, {-1, -2, 65535, 65534}};
    for (const auto& move : moves) {
        onMouseMove(move.x, move.y);
        EXPECT_EQ(mouseX, move.keptX);
        EXPECT_EQ(mouseY, move.keptY);
    }
}

TEST_F(FrameThread, WithEmptySlotsTheThreadOnlySleeps) {
    // No data files: setup fails, the scene binds nothing and asks to close.
    const int errorsBefore = dataFileErrorCount();
    const int paintsBefore = paintRequestCount();
    const int32_t ticksBefore = tick;
    startFrameThread();
    EXPECT_EQ(dataFileErrorCount(), errorsBefore + 1);
    EXPECT_EQ(updateProc.load(), nullptr);
    EXPECT_EQ(drawProc.load(), nullptr);
    EXPECT_EQ(frameIntervalMs, 30);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    stopFrameThread();
    EXPECT_EQ(tick, ticksBefore);
    EXPECT_EQ(paintRequestCount(), paintsBefore);
}

TEST_F(FrameThread, TheRaceSceneRunsTheWholeRaceOnTheThread) {
    copyData();
    const int closesBefore = closeRequestCount();
    const int paintsBefore = paintRequestCount();
    tick = 0;
    runStep = 0;
    startFrameThread();
    EXPECT_EQ(updateProc.load(), updateRace);
    EXPECT_EQ(drawProc.load(), drawScene);
    EXPECT_EQ(leftClickProc.load(), nullptr);
    EXPECT_EQ(rightClickProc.load(), nullptr);
    ASSERT_NE(images, nullptr);

    // A shorter interval makes shorter ticks: 700 ticks of the usual 30 ms
    // could not end before 21 s. The thresholds stay at ticks 100 and 700.
    const auto start = Clock::now();
    frameIntervalMs = 1;
    const bool closed =
        waitFor([&] { return closeRequestCount() > closesBefore; }, std::chrono::seconds(21));
    stopFrameThread();
    ASSERT_TRUE(closed);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(600));
    EXPECT_TRUE(race->gateOpen);
    // One close request for every tick after the 700th, and none before.
    EXPECT_EQ(closeRequestCount() - closesBefore, tick - 700);
    EXPECT_GT(paintRequestCount(), paintsBefore);
}

TEST_F(FrameThread, WithoutAThreadEachPassIsOneTickDrivenFromOutside) {
    copyData();
    const int closesBefore = closeRequestCount();
    const int paintsBefore = paintRequestCount();
    tick = 0;
    runStep = 0;
    startSceneWithoutThread();
    EXPECT_EQ(updateProc.load(), updateRace);
    EXPECT_EQ(drawProc.load(), drawScene);
    EXPECT_EQ(frameIntervalMs, 30);
    // Nothing runs by itself.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(tick, 0);

    for (int32_t pass = 1; pass <= 701; ++pass) {
        framePassWork();
        ASSERT_EQ(tick, pass);
        ASSERT_EQ(paintRequestCount(), paintsBefore + pass);
    }
    // The one close request, from tick 701.
    EXPECT_EQ(closeRequestCount() - closesBefore, 1);
}

} // namespace
