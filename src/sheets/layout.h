// The layout of the four sprite sheets, written down once: the sizes and places
// of their cells, shared by the art that draws them, the templates and the checker.
//   horse.bmp   924 × 1000: 6 coats × 5 gallop poses of 140 × 100 (column 140 · coat,
//               row 100 · pose), the 8 jockey cells of 84 × 60 at x 840, row 60 · (bracket − 1);
//   uniform.bmp 152 × 1000: silks 0–99 of 38 × 20, column 38 · (silks div 25),
//               row 20 · (silks mod 25);
//   gate.bmp    728 × 163: stall closed, open, and the mirrors of both;
//   course.bmp  860 × 330: turf band, dirt band, two rail strips, backdrop.
// Horse and uniform rows 500–999 repeat rows 0–499 mirrored left to right, for
// runners travelling rightward; the upper set faces left.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pure blue, 0x00RRGGBB: the see-through colour of every rail, sprite and stall cell.
constexpr uint32_t kKeyRgb = 0x0000FF;

// Sizes and offsets shared by the horse, jockey and silks drawings.
constexpr int kHorseWidth = 140;
constexpr int kHorseHeight = 100;
constexpr int kCoatCount = 6;
constexpr int kPoseCount = 5;
constexpr int kJockeyX = 840;
constexpr int kJockeyWidth = 84;
constexpr int kJockeyHeight = 60;
constexpr int kBracketCount = 8;
// Where the jockey cell and the silks sit on the horse cell (leftward travel).
constexpr int kJockeyOffsetX = 8;
constexpr int kSilksOffsetX = 46;
constexpr int kSilksOffsetY = 18;
constexpr int kSilksWidth = 38;
constexpr int kSilksHeight = 20;
constexpr int kSilksPerColumn = 25;
constexpr int kSilksColumns = 4;
constexpr int kMirrorRow = 500;
// The four stalls of the gate sheet, side by side.
constexpr int kStallWidth = 182;
constexpr int kStallHeight = 163;
// The course sheet's strips, top to bottom: turf band, dirt band, turf rail,
// dirt rail, backdrop.
constexpr int kCourseSheetWidth = 860;
constexpr int kBandHeight = 50;
constexpr int kRailTop = 100;
constexpr int kRailHeight = 40;
constexpr int kBackdropTop = 180;
constexpr int kBackdropHeight = 150;
// The bands scroll 20 pixels a tick and repeat every 80; the backdrop moves
// 12 pixels a tick and repeats every 48.
constexpr int kBandPeriod = 80;
constexpr int kBackdropPeriod = 48;

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

// The four sheets' file names, in the order the program loads them.
const std::vector<std::string>& artSheetNames();
