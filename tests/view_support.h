// The fixture of the view tests: the synthetic sheets loaded as the image set,
// an 800×600 back buffer, a race built in memory, and a model frame that the
// test paints with the reference copy from the documented coordinate tables.
#pragma once

#include "sheets.h"
#include "support.h"

#include "platform/platform.h"
#include "race/records.h"
#include "view/view.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

class ViewFixture : public ::testing::Test {
  protected:
    ScratchDir dir;
    TestImage course = testCourseSheet();
    TestImage horse = testHorseSheet();
    TestImage uniform = testUniformSheet();
    TestImage gate = testGateSheet();
    DrawContext buffer = nullptr;
    TestImage model;

    void SetUp() override;
    void TearDown() override;

    // A race of n runners as setup leaves it (start 1000, lanes 15 i, coat
    // i mod 6, silks i, the bracket table), on the given course.
    void makeRace(int32_t n, int32_t section, int32_t direction, int32_t trackStyle = 0,
                  int32_t startDistance = 1000);

    // Fills both the back buffer and the model with one colour.
    void fill(uint32_t rgb);

    void modelCopy(bool keyed, int x, int y, int w, int h, const TestImage& source, int sx,
                   int sy) {
        referenceCopy(model, x, y, w, h, &source, sx, sy, keyed);
    }

    // The back buffer as it is now.
    TestImage frame() const;
    // Compares the back buffer with the model and describes the differences.
    ::testing::AssertionResult matchesModel() const;
};

// Sheet tag and coordinates of an encoded pixel, for messages.
std::string describePixel(uint32_t rgb);
