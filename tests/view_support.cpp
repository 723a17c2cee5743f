// The view tests' fixture: synthetic sheets, back buffer, a race in memory
// and the model frame painted from the coordinate tables.
#include "view_support.h"

#include "race/setup.h"

#include <cstdio>

void ViewFixture::SetUp() {
    writeTestSheets();
    loadImageSet();
    ASSERT_NE(images, nullptr);
    buffer = createBackBuffer(800, 600);
    ASSERT_NE(buffer, nullptr);
    model = TestImage{800, 600, std::vector<uint32_t>(800 * 600, 0)};
    tick = 0;
    runStep = 0;
}

void ViewFixture::TearDown() {
    deleteBackBuffer(buffer);
    releaseRace();
}

void ViewFixture::makeRace(int32_t n, int32_t section, int32_t direction, int32_t trackStyle,
                           int32_t startDistance) {
    releaseRaceRecords();
    race = new RaceState();
    race->runnerCount = n;
    race->direction = static_cast<uint8_t>(direction != 0);
    race->trackStyle = static_cast<uint8_t>(trackStyle != 0);
    race->section = section;
    race->startDistance = startDistance;
    race->leaderDistance = startDistance;
    race->cameraDistance = startDistance - 400;
    race->gateShown = 1;
    runners = new Runner[static_cast<size_t>(n > 0 ? n : 1)]();
    for (int32_t i = 0; i < n; ++i) {
        Runner& r = runners[i];
        r.bracket = bracketFor(n, i + 1);
        r.coat = i % 6;
        r.silks = i;
        r.distance = startDistance;
        r.lane = 15 * i;
        r.baseSpeed = 120;
        r.stamina = 600;
        r.speed = 120.0;
        r.strideFrame = i % 10;
    }
}

void ViewFixture::fill(uint32_t rgb) {
    model.pixels.assign(model.pixels.size(), rgb);
    ASSERT_TRUE(writePixels(buffer, model.pixels));
}

TestImage ViewFixture::frame() const {
    TestImage image{contextWidth(buffer), contextHeight(buffer), {}};
    readPixels(buffer, image.pixels);
    return image;
}

std::string describePixel(uint32_t rgb) {
    char text[64];
    if (rgb & 0x800000u) {
        static const char* const names[] = {"course", "horse", "uniform", "gate"};
        std::snprintf(text, sizeof text, "%s(%u,%u)", names[(rgb >> 20) & 3], (rgb >> 10) & 1023,
                      rgb & 1023);
    } else {
        std::snprintf(text, sizeof text, "#%06X", rgb);
    }
    return text;
}

::testing::AssertionResult ViewFixture::matchesModel() const {
    const TestImage actual = frame();
    if (actual.width != model.width || actual.height != model.height) {
        return ::testing::AssertionFailure()
               << "frame size " << actual.width << "x" << actual.height;
    }
    int wrong = 0;
    std::string first;
    for (int y = 0; y < model.height; ++y) {
        for (int x = 0; x < model.width; ++x) {
            if (actual.at(x, y) != model.at(x, y)) {
                if (wrong < 5) {
                    first += " at (" + std::to_string(x) + "," + std::to_string(y) + "): got " +
                             describePixel(actual.at(x, y)) + ", want " +
                             describePixel(model.at(x, y)) + ";";
                }
                ++wrong;
            }
        }
    }
    if (wrong == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << wrong << " pixels differ:" << first;
}
