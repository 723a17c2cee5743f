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
    std::string video;    // video clip (.mp4 or .webm); empty: none
    bool help = false;    // --help: print the usage and do nothing else
    bool version = false; // --version: print the version and do nothing else
};

// Parses argv. False with a one-line reason in `error` for bad arguments.
// --help or --version ends the parse and sets its flag.
bool parseOptions(int argc, char** argv, RecordOptions& options, std::string& error);

// The highest tick an --at list keeps. No run draws that far: the race asks
// to close after tick 700, and the recorder stops there.
constexpr int32_t maxListedTick = 10000;

// Parses an --at list: comma-separated ticks (1 or more) and ranges a-b with
// a <= b. False for anything else. Ticks above maxListedTick are accepted
// and left out.
bool parseTickList(const std::string& text, std::set<int32_t>& ticks);

// The usage text; it lists --gif and --video only where this build can
// write them.
std::string recordUsage();
