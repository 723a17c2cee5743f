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

// The four sheets' file names, in the order the program loads them.
const std::vector<std::string>& artSheetNames();

// One cell of a sheet's layout: a rectangle that the program copies out as a
// whole, named by what selects it.
struct SheetCell {
    std::string group; // "coat 2 pose", "rightward silks", "turf band", "open stall", ...
    int number = -1;   // the number that follows the group in the cell's name; -1 for none
    int x = 0, y = 0, width = 0, height = 0;
    bool keyed = true; // copied with the colour key; opaque strips are not
    int mirrorOf = -1; // the cell this one holds the left-right mirror image of
    int period = 0;    // opaque strips: the columns after which the art must repeat
    std::string name() const;
};

// The cells of a sheet, leftward cells before the rightward ones that mirror
// them; empty for a name that is not one of the four sheets.
std::vector<SheetCell> sheetLayout(const std::string& sheet);

// A colour at most this far from the colour key in each channel, but not the
// key itself, is the fringe that smoothing leaves around a shape.
constexpr int kFringeReach = 48;
bool nearKeyColour(uint32_t rgb);
