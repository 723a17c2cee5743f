// The art checker: reads a folder's sprite sheets with the program's own BMP
// reader and says, in plain words, what would draw wrongly against the
// layouts. gallop-art --check DIR prints it; the page shows it under the
// canvas for sheets dropped on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ArtFinding {
    std::string sheet;     // the file's name: "course.bmp", "horse.bmp", "uniform.bmp", "gate.bmp"
    bool blocking = false; // true when the sheet cannot be drawn as laid out
    std::string text;      // one plain sentence, without the sheet's name
};

// Checks one sheet, given its file name and its bytes.
std::vector<ArtFinding> checkSheet(const std::string& sheet, const uint8_t* bytes, size_t size);

// Checks DIR/image/ sheet by sheet; a missing file is a blocking finding.
std::vector<ArtFinding> checkArtFolder(const std::string& directory);

// True when no finding blocks.
bool artIsUsable(const std::vector<ArtFinding>& findings);

// A colour at most this far from the colour key in each channel, but not the
// key itself, is the fringe that smoothing leaves around a shape.
constexpr int kFringeReach = 48;
bool nearKeyColour(uint32_t rgb);
