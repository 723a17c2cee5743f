// Shared by the tests: a scratch run directory with data files, made the
// current directory for the length of one test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes `bytes` to `relativePath`, making its folders.
    void write(const std::string& relativePath, const std::string& bytes) const;
    const std::filesystem::path& path() const { return dir_; }

  private:
    std::filesystem::path previous_;
    std::filesystem::path dir_;
};

// A course record: the ten columns, each followed by ',', then ";\r\n".
std::string courseLine(const std::string& name, int32_t direction, int32_t trackStyle,
                       int32_t section, int32_t startDistance);
// A course file of six records whose record 5 is `raced`.
std::string courseFile(const std::string& raced);

// A rival record with the given coat, silks, speed grade and adjustment.
std::string rivalLine(int32_t coat, int32_t silks, int32_t speedGrade, int32_t speedAdjust);
// A rival file of `count` records; rival i has coat i % 6, silks i and the
// given grade and adjustment.
std::string rivalFile(int count, int32_t speedGrade, int32_t speedAdjust);

// A PNG file read back with libpng: pixels 0xRRGGBB, top row first, or
// 0xAARRGGBB with `alpha`.
struct Png {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};
bool readPng(const std::filesystem::path& path, Png& out, bool alpha = false);
