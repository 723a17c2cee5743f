// Lossless 8-bit RGB PNG files through stb_image_write, which builds the same
// for every target the recorder runs on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes `rgb` (0xRRGGBB, row by row) as a width × height PNG. False, with a
// reason in `error`, when the file cannot be written.
bool writePng(const std::string& path, int width, int height, const std::vector<uint32_t>& rgb,
              std::string& error);
