// The four sprite sheets and the icon, each drawn by code. Cell layouts:
//   horse.bmp   924 × 1000: 6 coats × 5 gallop poses of 140 × 100 (column 140 · coat,
//               row 100 · pose), the 8 jockey cells of 84 × 60 at x 840, row 60 · (bracket − 1);
//   uniform.bmp 152 × 1000: silks 0–99 of 38 × 20, column 38 · (silks div 25),
//               row 20 · (silks mod 25);
//   gate.bmp    728 × 163: stall closed, open, and the mirrors of both;
//   course.bmp  860 × 330: turf band, dirt band, two rail strips, backdrop.
// Horse and uniform rows 500–999 repeat rows 0–499 mirrored left to right, for
// runners travelling rightward; the upper set faces left.
#pragma once

#include "raster.h"

#include <vector>

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

Image drawHorseSheet();
Image drawUniformSheet();
Image drawCourseSheet();
Image drawGateSheet();
// A horse's head, at 32 × 32 and 16 × 16 (the icon file's two images).
std::vector<Image> drawIcons();
// The same head at any size from 16 to 256; 16 and 32 are the icon file's.
Image drawIcon(int size);

// Fills rows 500–999 with the left-right mirror of each cell of rows 0–499.
void mirrorLowerSet(Image& sheet, int cellWidth, int cellHeight, int firstX, int columns);
