// The race's two records and the globals through which every part of the
// program reaches them.
#pragma once

#include <algorithm>
#include <cstdint>

struct RaceState {
    int32_t courseValue;     // stored from the course table; nothing reads it
    uint8_t trackStyle;      // 0 turf, 1 dirt: picks the band of the course sheet
    uint8_t direction;       // with the view side, the screen direction of travel
    int32_t section;         // its parity (plus sectionShift) picks the view side
    int32_t startDistance;   // every runner's starting distance
    int32_t courseExtras[4]; // stored from the course table; nothing reads them
    int32_t runnerCount;     // runners in the race, at most 18
    int32_t leaderDistance;  // smallest runner distance the draw has seen
    int32_t sectionShift;    // added to section for the view parity; stays 0
    int32_t cameraDistance;  // the distance drawn at the screen's anchor point
    uint8_t gateShown;       // draw the starting gate
    uint8_t gaitRunning;     // advance gaitFrame
    uint8_t strideRunning;   // advance every runner's strideFrame
    uint8_t gateOpen;        // the gate rolls away
    uint8_t cameraFollow;    // the camera is locked onto the leader
    uint8_t running;         // runners move
    int32_t gaitFrame;       // scroll phase 0..3 of the course strips
};

struct Runner {
    int32_t bracket;     // bracket number 1..8
    int32_t coat;        // column of the horse sheet
    int32_t silks;       // cell of the uniform sheet
    int32_t distance;    // course units still to run; smaller is further ahead
    int32_t lane;        // pixels from the inside rail
    double carry;        // fraction of a unit carried to the next step
    double speed;        // a step covers speed * 0.02 units
    int32_t baseSpeed;   // starting speed
    int32_t stamina;     // enters the fatigue test
    int32_t strideFrame; // animation phase 0..9
};

// The most runners a race can seat: the bracket table and the working arrays
// of the update and the draw hold this many.
constexpr int32_t maxRunners = 18;

extern RaceState* race;
extern Runner* runners;

// The runners that the update and the draw take: runnerCount held to 0 to
// maxRunners, which the runner array and the working arrays can hold, and 0
// while there is no race.
inline int32_t activeRunnerCount() {
    if (race == nullptr || runners == nullptr) {
        return 0;
    }
    return std::clamp(race->runnerCount, int32_t{0}, maxRunners);
}

// Updates so far, and movement steps so far. Both start at 0 with the program.
extern int32_t tick;
extern int32_t runStep;

// Frees the runner array and the race record and clears both pointers.
void releaseRaceRecords();

// Signed 32-bit arithmetic that wraps around instead of overflowing.
inline int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
