// The horses in their six coats and five gallop poses, and the jockeys, one
// per bracket colour. Drawn facing left, in horse-cell coordinates.
#include "sheets.h"

#include <cmath>

namespace {

struct Coat {
    Rgb body;
    Rgb mane;
    Rgb lowerLeg;
    bool blaze;
    bool socks;
};

// Bay, chestnut, dark bay, black, grey, palomino.
const Coat kCoats[kCoatCount] = {
    {{156, 86, 42}, {34, 24, 20}, {40, 28, 22}, false, false},
    {{184, 96, 46}, {150, 70, 34}, {184, 96, 46}, true, true},
    {{96, 54, 34}, {24, 18, 16}, {28, 20, 18}, false, true},
    {{50, 46, 50}, {22, 20, 24}, {30, 28, 32}, false, false},
    {{200, 200, 204}, {236, 236, 238}, {132, 132, 140}, false, false},
    {{216, 170, 86}, {246, 236, 204}, {216, 170, 86}, true, false},
};

const Rgb kHoof{40, 34, 30};
const Rgb kWhite{246, 246, 240};
const Rgb kLeather{70, 40, 24};

// One leg: upper and lower segment angles in degrees from straight down,
// positive swinging the tip forward (to the left).
struct Leg {
    double upper;
    double lower;
};

struct Pose {
    Leg foreNear, foreFar, hindNear, hindFar;
    Point head;  // head and neck shift
    double tail; // tail tip height
};

// The gallop cycle: gathered, hinds landing, stretched, leading fore landing,
// forelegs pushing off while the hinds swing under.
const Pose kPoses[kPoseCount] = {
    {{-20, -80}, {0, -55}, {25, 45}, {40, 60}, {1, -1}, 44},
    {{25, -40}, {5, -75}, {-5, 10}, {20, 45}, {0, 1}, 48},
    {{60, 55}, {40, 30}, {-35, -20}, {-15, 8}, {-2, 3}, 54},
    {{35, 30}, {15, 8}, {-55, -40}, {-40, -25}, {-1, 2}, 50},
    {{-10, -12}, {-35, -40}, {-20, -85}, {-5, -60}, {1, 0}, 46},
};

Point along(Point from, double angle, double length) {
    double radians = angle * 3.14159265358979 / 180.0;
    return {from.x - std::sin(radians) * length, from.y + std::cos(radians) * length};
}

void drawLeg(Image& layer, Point top, Leg leg, double upperLength, double lowerLength,
             Rgb upperColour, Rgb lowerColour, bool sock) {
    Point joint = along(top, leg.upper, upperLength);
    Point fetlock = along(joint, leg.lower, lowerLength);
    Point hoof = along(fetlock, leg.lower * 0.6, 3.0);
    fillCapsule(layer, top, joint, 5.5, 3.2, upperColour);
    fillCapsule(layer, joint, fetlock, 2.8, 2.2, sock ? kWhite : lowerColour);
    fillCapsule(layer, fetlock, hoof, 2.2, 2.4, kHoof);
}

// Points of the head for a pose, shifted by the pose's head offset.
std::vector<Point> shifted(std::vector<Point> points, Point by) {
    for (Point& p : points) {
        p.x += by.x;
        p.y += by.y;
    }
    return points;
}

void drawHorse(Image& sheet, int cellX, int cellY, const Coat& coat, const Pose& pose) {
    Rgb outline = shade(coat.body, 0.25);
    Rgb far = shade(coat.body, 0.72);
    Rgb farLower = shade(coat.lowerLeg, 0.72);
    Point fore{50, 58};
    Point hind{106, 56};

    Image layer = makeLayer(kHorseWidth, kHorseHeight);
    drawLeg(layer, {fore.x + 4, fore.y}, pose.foreFar, 18, 17, far, farLower, false);
    drawLeg(layer, {hind.x + 4, hind.y}, pose.hindFar, 20, 17, far, farLower, false);
    outlineLayer(layer, outline);
    stamp(sheet, layer, cellX, cellY);

    // Tail, streaming behind.
    layer = makeLayer(kHorseWidth, kHorseHeight);
    double tip = pose.tail;
    fillPolygon(layer,
                {{116, 40},
                 {126, 39},
                 {134, tip - 6},
                 {138, tip + 2},
                 {133, tip + 8},
                 {126, tip + 4},
                 {118, 50}},
                coat.mane);
    rimShade(layer, 2, 1.1, 0.8);
    outlineLayer(layer, outline);
    stamp(sheet, layer, cellX, cellY);

    // Body, neck and head in one piece so the outline runs round them all.
    layer = makeLayer(kHorseWidth, kHorseHeight);
    Point h = pose.head;
    fillEllipse(layer, 80, 53, 31, 14, coat.body);
    fillEllipse(layer, 53, 54, 14, 13, coat.body);
    fillEllipse(layer, 105, 51, 17, 15, coat.body);
    std::vector<Point> neck = {{64, 42}, {52, 36}};
    std::vector<Point> headTop = shifted({{38, 26},
                                          {30, 21},
                                          {24, 23},
                                          {14, 30},
                                          {7, 35},
                                          {4, 40},
                                          {6, 44},
                                          {13, 45},
                                          {22, 42},
                                          {29, 40}},
                                         h);
    neck.insert(neck.end(), headTop.begin(), headTop.end());
    neck.push_back({38, 48});
    neck.push_back({44, 60});
    fillPolygon(layer, neck, coat.body);
    // Ears.
    fillPolygon(layer, shifted({{29, 22}, {31, 13}, {35, 21}}, h), coat.body);
    fillPolygon(layer, shifted({{26, 23}, {27, 15}, {30, 22}}, h), shade(coat.body, 0.8));
    rimShade(layer, 2, 1.16, 0.76);
    // Mane along the crest, lifted by the wind.
    std::vector<Point> mane = shifted({{31, 20}, {36, 17}, {40, 23}, {44, 21}, {48, 28}}, h);
    mane.push_back({53, 27});
    mane.push_back({56, 34});
    mane.push_back({62, 35});
    mane.push_back({64, 41});
    mane.push_back({52, 37});
    std::vector<Point> maneBack = shifted({{40, 28}, {32, 23}}, h);
    mane.insert(mane.end(), maneBack.begin(), maneBack.end());
    fillPolygon(layer, mane, coat.mane);
    if (coat.blaze) {
        fillPolygon(layer, shifted({{24, 25}, {22, 25}, {9, 36}, {8, 39}, {11, 37}}, h), kWhite);
    }
    outlineLayer(layer, outline);
    stamp(sheet, layer, cellX, cellY);

    // Eye, nostril, bridle and the reins up to the rider's hands.
    Image details = makeLayer(kHorseWidth, kHorseHeight);
    fillRect(details, static_cast<int>(21 + h.x), static_cast<int>(27 + h.y), 3, 2,
             Rgb{16, 12, 10});
    setPixel(details, static_cast<int>(22 + h.x), static_cast<int>(27 + h.y), kWhite);
    setPixel(details, static_cast<int>(7 + h.x), static_cast<int>(39 + h.y), outline);
    drawLine(details, {27 + h.x, 23 + h.y}, {17 + h.x, 41 + h.y}, kLeather);
    drawLine(details, {17 + h.x, 41 + h.y}, {10 + h.x, 42 + h.y}, kLeather);
    drawLine(details, {12 + h.x, 42 + h.y}, {42, 35}, kLeather);
    stamp(sheet, details, cellX, cellY);
    // Saddle cloth with a piped hem, the saddle on it and the girth.
    Image cloth = makeLayer(kHorseWidth, kHorseHeight);
    fillPolygon(cloth, {{63, 39}, {83, 38}, {84, 54}, {64, 55}}, Rgb{36, 48, 96});
    drawLine(cloth, {65, 52}, {82, 51}, Rgb{84, 100, 160});
    fillPolygon(cloth, {{65, 36}, {80, 35}, {81, 40}, {66, 41}}, Rgb{52, 34, 26});
    fillRect(cloth, 69, 55, 2, 11, Rgb{92, 62, 40});
    outlineLayer(cloth, Rgb{28, 24, 30});
    stamp(sheet, cloth, cellX, cellY);

    layer = makeLayer(kHorseWidth, kHorseHeight);
    drawLeg(layer, fore, pose.foreNear, 18, 17, coat.body, coat.lowerLeg, false);
    drawLeg(layer, hind, pose.hindNear, 20, 17, shade(coat.body, 0.95), coat.lowerLeg, coat.socks);
    outlineLayer(layer, outline);
    // Where the near legs join the body they blend in, without a seam.
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < kHorseWidth; ++x) {
            if (getPixel(layer, x, y) == outline) {
                setPixel(layer, x, y, kKey);
            }
        }
    }
    stamp(sheet, layer, cellX, cellY);
}

// Cap colours of brackets 1 to 8: white, black, red, blue, yellow, green,
// orange, pink.
const Rgb kCaps[kBracketCount] = {
    {250, 250, 250}, {34, 34, 38},  {222, 32, 32},  {40, 84, 230},
    {250, 222, 32},  {30, 160, 60}, {250, 132, 24}, {250, 140, 190},
};

// The jockey, drawn in horse-cell coordinates into a layer the size of the
// horse cell; the jockey cell is cut from it at the jockey offset.
void drawJockey(Image& sheet, int cellX, int cellY, Rgb cap) {
    const Rgb skin{236, 190, 150};
    const Rgb breeches{242, 240, 232};
    const Rgb boot{28, 24, 22};
    const Rgb outline{30, 24, 22};
    Image layer = makeLayer(kHorseWidth, kHorseHeight);
    // Leg: thigh from the hip to a knee high on the withers, boot to the iron.
    fillCapsule(layer, {79, 31}, {66, 42}, 4.2, 3.6, breeches);
    fillCapsule(layer, {66, 42}, {69, 49}, 3.4, 3.0, breeches);
    fillCapsule(layer, {68, 47}, {71, 54}, 3.0, 2.6, boot);
    fillRect(layer, 68, 46, 5, 2, Rgb{120, 70, 40});
    // Arm (the sleeve is on the silks) and gloved hands on the reins.
    fillCapsule(layer, {53, 24}, {48, 31}, 3.2, 2.6, Rgb{200, 200, 200});
    fillCapsule(layer, {48, 31}, {45, 34}, 2.6, 2.2, Rgb{200, 200, 200});
    fillEllipse(layer, 43, 35, 2.6, 2.2, kWhite);
    // Head: face, goggles, cap with its peak.
    fillEllipse(layer, 41, 21, 4.5, 4.0, skin);
    fillRect(layer, 43, 19, 6, 6, skin);
    fillEllipse(layer, 43, 15.5, 6.5, 5.5, cap);
    fillPolygon(layer, {{38, 17}, {32, 19}, {33, 20}, {40, 20}}, cap);
    fillRect(layer, 37, 20, 5, 2, Rgb{40, 40, 60});
    setPixel(layer, 38, 20, Rgb{170, 200, 230});
    outlineLayer(layer, outline);
    // Stirrup iron under the boot.
    drawLine(layer, {68, 56}, {74, 56}, Rgb{150, 150, 156});
    // A highlight on the cap so even the black one reads.
    Rgb shine = mix(cap, kWhite, 0.55);
    drawLine(layer, {42, 11}, {46, 11}, shine);
    setPixel(layer, 47, 12, shine);
    copyBlock(sheet, cellX, cellY, layer, kJockeyOffsetX, 0, kJockeyWidth, kJockeyHeight);
}

} // namespace

void mirrorLowerSet(Image& sheet, int cellWidth, int cellHeight, int firstX, int columns) {
    for (int column = 0; column < columns; ++column) {
        int x = firstX + column * cellWidth;
        for (int y = 0; y + cellHeight <= kMirrorRow; y += cellHeight) {
            copyMirrored(sheet, x, y + kMirrorRow, sheet, x, y, cellWidth, cellHeight);
        }
    }
}

Image drawHorseSheet() {
    Image sheet = makeImage(kJockeyX + kJockeyWidth, 2 * kMirrorRow, kKey);
    for (int coat = 0; coat < kCoatCount; ++coat) {
        for (int pose = 0; pose < kPoseCount; ++pose) {
            drawHorse(sheet, kHorseWidth * coat, kHorseHeight * pose, kCoats[coat], kPoses[pose]);
        }
    }
    for (int bracket = 0; bracket < kBracketCount; ++bracket) {
        drawJockey(sheet, kJockeyX, kJockeyHeight * bracket, kCaps[bracket]);
    }
    mirrorLowerSet(sheet, kHorseWidth, kHorseHeight, 0, kCoatCount);
    mirrorLowerSet(sheet, kJockeyWidth, kJockeyHeight, kJockeyX, 1);
    return sheet;
}
