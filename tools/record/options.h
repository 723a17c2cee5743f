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
};

// Parses argv. False with a one-line reason in `error` for bad arguments.
bool parseOptions(int argc, char** argv, RecordOptions& options, std::string& error);

// Parses an --at list: comma-separated ticks (1 or more) and ranges a-b with
// a <= b. False for anything else.
bool parseTickList(const std::string& text, std::set<int32_t>& ticks);

extern const char* const recordUsage;
