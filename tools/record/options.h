// The recorder's command line.
#pragma once

#include <cstdint>
#include <set>
#include <string>

struct RecordOptions {
    std::string dir;      // run directory; empty: the current directory
    int32_t ticks = 700;  // number of updates
    std::string trace;    // JSON Lines trace; empty: none
    std::string frames;   // folder for frame-TTTT.png; empty: none
    bool atGiven = false; // --at given; otherwise every tick gets a frame
    std::set<int32_t> at; // ticks whose frame is written
    std::string gif;      // animated GIF; empty: none
    std::string hashes;   // one hash per drawn frame; empty: none
};

// Parses argv. False with a one-line reason in `error` for bad arguments.
bool parseOptions(int argc, char** argv, RecordOptions& options, std::string& error);

// The highest tick an --at list keeps. No run draws that far: the race asks
// to close after tick 700, and the recorder stops there.
constexpr int32_t maxListedTick = 10000;

// Parses an --at list: comma-separated ticks (1 or more) and ranges a-b with
// a <= b. False for anything else. Ticks above maxListedTick are accepted
// and left out.
bool parseTickList(const std::string& text, std::set<int32_t>& ticks);

// The usage text; it lists --gif only where this build can write a GIF.
std::string recordUsage();
