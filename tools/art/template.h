// The templates an artist paints over: each sheet at its layout's size, every
// cell outlined on the colour key and labelled with what selects it.
#pragma once

#include "raster.h"

#include <string>
#include <utility>
#include <vector>

// The four templates, by file name, in the order the program loads them.
std::vector<std::pair<std::string, Image>> drawTemplates();
