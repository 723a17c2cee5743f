// The globals that hold the race's records, and their release.
#include "race/records.h"

RaceState* race = nullptr;
Runner* runners = nullptr;
int32_t tick = 0;
int32_t runStep = 0;

void releaseRaceRecords() {
    delete[] runners;
    runners = nullptr;
    delete race;
    race = nullptr;
}
