// The one palette every sheet is drawn in. The four sheets share it, so a
// recording of the race needs no more than a GIF's 256 colours: the table holds
// the colour key, black and a few short shading ramps per material (coat,
// silks, turf, sand, sky), and anything drawn lands on its nearest entry.
#pragma once

#include "raster.h"

#include <vector>

// Every colour of the table, the colour key and black first.
const std::vector<Rgb>& palette();

// The palette entry nearest to `colour`. The colour key maps only to itself:
// no drawn colour ever turns see-through.
Rgb snap(Rgb colour);
