// The race view: the image set, the course strips, the runners in depth order
// and the starting gate, all drawn into the back buffer.
#pragma once

#include "platform/platform.h"
#include "race/records.h"

#include <cstdint>

// The four sprite sheets, in the order the teardown walks them.
struct ImageSet {
    Sheet courseSheet;  // image/course.bmp
    Sheet horseSheet;   // image/horse.bmp
    Sheet uniformSheet; // image/uniform.bmp
    Sheet gateSheet;    // image/gate.bmp
};

extern ImageSet* images;

// Allocates the image set and loads the four sheets; a missing sheet stays null.
void loadImageSet();

// Frees the runners, the race record, the four sheets and the image set, and
// clears the pointers. The program itself never tears the race down.
void releaseRace();

// The race scene's draw: one whole frame of the course, runners and gate.
void drawScene(DrawContext dc);
void drawCourse(DrawContext dc);
void drawRunners(DrawContext dc);
// Where a runner's sprites go for the camera of the race now set up, in
// back-buffer pixels, before they are brought into the copies' range: the
// horse's 140 × 100 cell and the bracket's at (horseX, rowY) and (bracketX,
// rowY), the silks' at (silksX, silksY). `odd` is the view side and
// `rightward` the screen direction of travel. Needs a race.
struct RunnerPlace {
    int64_t horseX;
    int64_t bracketX;
    int64_t silksX;
    int64_t rowY;
    int64_t silksY;
};
RunnerPlace runnerPlace(const Runner& runner, bool odd, bool rightward);

// The view side of the race now set up (into `odd`, when not null), and
// whether the runners travel rightward on the screen. Needs a race.
bool viewTravelsRightward(bool* odd);

// One stall (slot = drawing position 0..runnerCount-1) or, for a negative
// slot, the empty stalls.
void drawGate(DrawContext dc, int32_t slot);
