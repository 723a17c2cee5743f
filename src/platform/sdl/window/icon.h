// The program's icon, drawn by gallop-art when the program is built and
// carried inside it: windowIconSize × windowIconSize pixels, 0xAARRGGBB, row
// by row from the top.
#pragma once

#include <cstdint>

extern const int windowIconSize;
extern const uint32_t windowIconPixels[];
