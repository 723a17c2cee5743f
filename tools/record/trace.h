// One line of the recorder's JSON Lines trace: the race's counters and every
// field of the race record and of each runner, by name.
#pragma once

#include <string>

// The current state as one JSON object and a newline. Flags print as 0/1,
// doubles with 17 significant digits so that they parse back exactly.
std::string traceLine();
