// The tests' scratch run directory and the data files written into it.
#include "support.h"

#include <png.h>

#include <fstream>
#include <random>

ScratchDir::ScratchDir() : previous_(std::filesystem::current_path()) {
    std::random_device seed;
    dir_ = std::filesystem::temp_directory_path() /
           ("gallop-test-" + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
}

ScratchDir::~ScratchDir() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void ScratchDir::write(const std::string& relativePath, const std::string& bytes) const {
    const std::filesystem::path file = dir_ / relativePath;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string courseLine(const std::string& name, int32_t direction, int32_t trackStyle,
                       int32_t section, int32_t startDistance) {
    return name + ",12," + std::to_string(direction) + "," + std::to_string(trackStyle) + "," +
           std::to_string(section) + "," + std::to_string(startDistance) + ",10,20,30,40,;\r\n";
}

std::string courseFile(const std::string& raced) {
    std::string text;
    for (int i = 0; i < 5; ++i) {
        text += courseLine("Course " + std::to_string(i), 0, 0, 2, 1000);
    }
    return text + raced;
}

std::string rivalLine(int32_t coat, int32_t silks, int32_t speedGrade, int32_t speedAdjust) {
    return "Horse,bay,4,colt," + std::to_string(coat) + "," + std::to_string(silks) + ",x," +
           std::to_string(speedGrade) + ",a,b,c," + std::to_string(speedAdjust) + ",;\r\n";
}

std::string rivalFile(int count, int32_t speedGrade, int32_t speedAdjust) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += rivalLine(i % 6, i, speedGrade, speedAdjust);
    }
    return text;
}

bool readPng(const std::filesystem::path& path, Png& out, bool alpha) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = alpha ? PNG_FORMAT_ARGB : PNG_FORMAT_RGB;
    size_t channels = alpha ? 4 : 3;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
        return false;
    }
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (size_t i = 0; i < out.pixels.size(); ++i) {
        uint32_t pixel = 0;
        for (size_t c = 0; c < channels; ++c) {
            pixel = pixel << 8 | bytes[channels * i + c];
        }
        out.pixels[i] = pixel;
    }
    return true;
}
