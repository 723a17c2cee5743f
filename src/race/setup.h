// Race setup: the bracket table and the building of the race and the runners.
#pragma once

#include <cstdint>

// The bracket number 1..8 of gate position `position` (1..runnerCount) in a
// field of `runnerCount` runners (1..18); 0 outside the table.
int32_t bracketFor(int32_t runnerCount, int32_t position);

// Builds the race record and the runners from course record 5 and the rival
// table. Returns false when a data file could not be used; the window is then
// already closing, and neither the race record nor the runners exist.
bool setupRace();
