// The four sprite sheets and the icon, each drawn by code to the layout in
// sheets/layout.h.
#pragma once

#include "raster.h"

#include "sheets/layout.h"

#include <vector>

static_assert(kKeyRgb == (uint32_t{kKey.r} << 16 | uint32_t{kKey.g} << 8 | kKey.b),
              "the sheets are drawn with the key colour the checker looks for");

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
