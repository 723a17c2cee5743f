// Builds the synthetic sprite sheets of the view and recorder tests.
#include "sheets.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

bool isKeyPixel(int x, int y) {
    return (7 * x + 13 * y) % 101 == 0;
}
bool isAlmostBluePixel(int x, int y) {
    return (7 * x + 13 * y) % 101 == 50;
}

TestImage coordinateSheet(uint32_t tag, int width, int height, bool withKey) {
    TestImage image{width, height, {}};
    image.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t value = encodePixel(tag, x, y);
            if (withKey && isKeyPixel(x, y)) {
                value = keyBlue;
            } else if (withKey && isAlmostBluePixel(x, y)) {
                value = almostBlue;
            }
            image.pixels[static_cast<size_t>(y) * width + x] = value;
        }
    }
    return image;
}

TestImage testCourseSheet() {
    return coordinateSheet(courseTag, 860, 330);
}
TestImage testHorseSheet() {
    return coordinateSheet(horseTag, 924, 1000);
}
TestImage testUniformSheet() {
    return coordinateSheet(uniformTag, 76, 1000);
}
TestImage testGateSheet() {
    return coordinateSheet(gateTag, 728, 163);
}

namespace {

void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

std::string bmpBytes(const TestImage& image) {
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(image.height);
    std::string out;
    out.reserve(54 + dataBytes);
    out += "BM";
    put32(out, 54 + dataBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(image.width));
    put32(out, static_cast<uint32_t>(image.height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, dataBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        const size_t start = out.size();
        for (int x = 0; x < image.width; ++x) {
            const uint32_t v = image.at(x, y);
            out += static_cast<char>(v & 0xFF);
            out += static_cast<char>((v >> 8) & 0xFF);
            out += static_cast<char>((v >> 16) & 0xFF);
        }
        out.append(rowBytes - (out.size() - start), '\0');
    }
    return out;
}

void writeTestSheets(const std::string& dir) {
    // The files never change, so their bytes are made once per process.
    static const std::map<std::string, std::string> files = {
        {"image/course.bmp", bmpBytes(testCourseSheet())},
        {"image/horse.bmp", bmpBytes(testHorseSheet())},
        {"image/uniform.bmp", bmpBytes(testUniformSheet())},
        {"image/gate.bmp", bmpBytes(testGateSheet())},
    };
    for (const auto& [name, bytes] : files) {
        const std::filesystem::path path = std::filesystem::path(dir) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
}

void referenceCopy(TestImage& target, int x, int y, int w, int h, const TestImage* source, int sx,
                   int sy, bool keyed) {
    if (source == nullptr) {
        return;
    }
    // Only offsets that can land inside the target are visited (the sizes may
    // be huge); every visited pixel is still checked against both images.
    const long long i0 = std::max(0LL, -static_cast<long long>(x));
    const long long j0 = std::max(0LL, -static_cast<long long>(y));
    const long long i1 = std::min<long long>(w, static_cast<long long>(target.width) - x);
    const long long j1 = std::min<long long>(h, static_cast<long long>(target.height) - y);
    for (long long j = j0; j < j1; ++j) {
        for (long long i = i0; i < i1; ++i) {
            const long long dx = x + i, dy = y + j;
            const long long qx = sx + i, qy = sy + j;
            if (dx < 0 || dy < 0 || dx >= target.width || dy >= target.height || qx < 0 || qy < 0 ||
                qx >= source->width || qy >= source->height) {
                continue;
            }
            const uint32_t v = source->at(static_cast<int>(qx), static_cast<int>(qy));
            if (keyed && v == keyBlue) {
                continue;
            }
            target.pixels[static_cast<size_t>(dy) * target.width + static_cast<size_t>(dx)] = v;
        }
    }
}
