// The owners' jackets: a hundred designs of two colours on the crouched torso
// seen from the side, shoulders to the left.
#include "sheets.h"

#include <cmath>
#include <cstdlib>

namespace {

const Rgb kColours[] = {
    {212, 28, 36},   // red
    {246, 246, 240}, // white
    {34, 68, 200},   // royal blue
    {252, 214, 28},  // yellow
    {18, 132, 62},   // green
    {30, 30, 36},    // black
    {246, 124, 22},  // orange
    {246, 128, 182}, // pink
    {112, 48, 152},  // purple
    {112, 184, 244}, // light blue
    {124, 22, 42},   // maroon
    {150, 220, 70},  // lime
};
constexpr int kColourCount = sizeof(kColours) / sizeof(kColours[0]);

enum Pattern {
    Solid,
    Hoops,
    Stripes,
    Sash,
    Chevrons,
    Quarters,
    Spots,
    Stars,
    CrossBelts,
    Sleeves,
    Halved,
    Diamonds,
    Checks,
    HoopedSleeves,
    Disc,
    Epaulets,
    kPatternCount
};

// Pairs that are too close to tell apart at this size are skipped.
bool poorContrast(int a, int b) {
    Rgb x = kColours[a];
    Rgb y = kColours[b];
    int d = std::abs(x.r - y.r) + std::abs(x.g - y.g) + std::abs(x.b - y.b);
    return d < 160;
}

// True where the design shows its second colour.
bool secondColour(Pattern pattern, int x, int y, bool arm) {
    switch (pattern) {
    case Solid:
        return false;
    case Hoops:
        return (x / 5) % 2 == 1;
    case Stripes:
        return y % 4 >= 2;
    case Sash:
        return !arm && std::abs(x + 2 * y - 30) <= 4;
    case Chevrons:
        return ((x + std::abs(y - 9)) / 5) % 2 == 1;
    case Quarters:
        return (x < 19) != (y < 9);
    case Spots: {
        int cx = (x + 3 * ((y / 6) % 2)) % 7 - 3;
        int cy = y % 6 - 3;
        return cx * cx + cy * cy <= 2;
    }
    case Stars: {
        int cx = (x + 4 * ((y / 8) % 2)) % 9 - 4;
        int cy = (y + 1) % 8 - 4;
        return (cx == 0 && std::abs(cy) <= 2) || (cy == 0 && std::abs(cx) <= 2) ||
               (std::abs(cx) == 1 && std::abs(cy) == 1);
    }
    case CrossBelts:
        return !arm && (std::abs(x - 2 * y) <= 2 || std::abs(x + 2 * y - 38) <= 2);
    case Sleeves:
        return arm;
    case Halved:
        return x >= 19;
    case Diamonds:
        return ((x + 2 * y) / 6 + (x - 2 * y + 60) / 6) % 2 == 1;
    case Checks:
        return ((x / 4) + (y / 4)) % 2 == 1;
    case HoopedSleeves:
        return arm && (y / 3) % 2 == 1;
    case Disc: {
        int dx = x - 20;
        int dy = y - 8;
        return !arm && dx * dx + dy * dy <= 20;
    }
    case Epaulets:
        return x < 13 && y < 7;
    default:
        return false;
    }
}

void drawSilks(Image& sheet, int cellX, int cellY, int design,
               const std::vector<std::pair<int, int>>& pairs) {
    Pattern pattern = static_cast<Pattern>(design % kPatternCount);
    std::pair<int, int> colours = pairs[(design * 7) % pairs.size()];
    Rgb first = kColours[colours.first];
    Rgb second = kColours[colours.second];
    Rgb outline{24, 20, 22};

    Image torso = makeLayer(kSilksWidth, kSilksHeight);
    fillPolygon(torso,
                {{4, 5},
                 {8, 2},
                 {17, 1},
                 {26, 1.5},
                 {32, 4},
                 {36, 9},
                 {35, 14},
                 {28, 16},
                 {18, 15},
                 {10, 13},
                 {5, 10}},
                first);
    Image arm = makeLayer(kSilksWidth, kSilksHeight);
    fillCapsule(arm, {10, 6}, {6, 12}, 3.6, 3.0, first);
    fillCapsule(arm, {6, 12}, {2.5, 16}, 3.0, 2.4, first);
    for (Image* layer : {&torso, &arm}) {
        bool isArm = layer == &arm;
        for (int y = 0; y < kSilksHeight; ++y) {
            for (int x = 0; x < kSilksWidth; ++x) {
                if (getPixel(*layer, x, y) != kKey && secondColour(pattern, x, y, isArm)) {
                    setPixel(*layer, x, y, second);
                }
            }
        }
        rimShade(*layer, 2, 1.08, 0.8);
        outlineLayer(*layer, outline);
    }
    // The waist band where the jacket meets the breeches.
    stamp(sheet, torso, cellX, cellY);
    stamp(sheet, arm, cellX, cellY);
}

} // namespace

Image drawUniformSheet() {
    std::vector<std::pair<int, int>> pairs;
    for (int a = 0; a < kColourCount; ++a) {
        for (int b = 0; b < kColourCount; ++b) {
            if (a != b && !poorContrast(a, b)) {
                pairs.push_back({a, b});
            }
        }
    }
    Image sheet = makeImage(kSilksWidth * kSilksColumns, 2 * kMirrorRow, kKey);
    for (int design = 0; design < kSilksPerColumn * kSilksColumns; ++design) {
        drawSilks(sheet, kSilksWidth * (design / kSilksPerColumn),
                  kSilksHeight * (design % kSilksPerColumn), design, pairs);
    }
    mirrorLowerSet(sheet, kSilksWidth, kSilksHeight, 0, kSilksColumns);
    return sheet;
}
