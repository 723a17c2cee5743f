// The course sheet: the turf and dirt bands that scroll under the runners, the
// two running rails and the backdrop of sky, hills and grandstand.
#include "sheets.h"

#include <cmath>

namespace {

// The bands' texture repeats every 10 rows so any stack of 40- or 50-row
// strips meets without a seam.
constexpr int kTexturePeriod = 10;
// A mark that repeats with each step of the scroll looks the same in every
// frame; only the marks of the 80-pixel repeat show the ground moving.
constexpr int kScrollStep = 20;
constexpr int kGritSpacing = 16;
// The rails are read at offsets 0, 8, 16 and 24: a 16-pixel period keeps them
// steady while the ground moves beneath.
constexpr int kRailPeriod = 16;
// The backdrop moves 12 pixels a tick.
constexpr int kBackdropStep = 12;

// A mark on the ground, in a tile of a band: 80 × 10 for the marks that show
// the ground moving, 20 × 10 for those that look the same in every frame.
// Few moving marks and flat colour between them keep the frames of a
// recording small.
struct Mark {
    int x, y;
};

void drawTurf(Image& sheet, int top) {
    const Rgb light{86, 162, 66};
    const Rgb dark{70, 140, 54};
    const Rgb seam{78, 151, 60};
    const Rgb deep{56, 112, 43};
    for (int y = 0; y < kBandHeight; ++y) {
        for (int x = 0; x < kCourseSheetWidth; ++x) {
            // Mowing stripes, 40 light and 40 dark, with a soft edge column.
            int phase = x % kBandPeriod;
            Rgb colour = phase < 40 ? light : dark;
            if (phase == 0 || phase == 40) {
                colour = seam;
            }
            setPixel(sheet, x, top + y, colour);
        }
    }
    // Tufts of grass: a blade two rows tall with a shorter one leaning beside
    // it, darker than the stripe they stand in. The stripes show the turf
    // moving; the tufts repeat with each scroll step.
    const Mark tufts[] = {{5, 1}, {14, 6}};
    for (int y = 0; y < kBandHeight; y += kTexturePeriod) {
        for (int x = 0; x < kCourseSheetWidth; x += kScrollStep) {
            for (const Mark& m : tufts) {
                int tuftX = x + m.x;
                Rgb blade = tuftX % kBandPeriod < 40 ? dark : deep;
                setPixel(sheet, tuftX, top + y + m.y, blade);
                setPixel(sheet, tuftX, top + y + m.y + 1, blade);
                setPixel(sheet, tuftX + 1, top + y + m.y + 1, blade);
            }
        }
    }
}

void drawDirt(Image& sheet, int top) {
    const Rgb sand{186, 146, 102};
    const Rgb furrow = shade(sand, 0.92);
    const Rgb dark = shade(sand, 0.88);
    const Rgb light = shade(sand, 1.04);
    for (int y = 0; y < kBandHeight; ++y) {
        for (int x = 0; x < kCourseSheetWidth; ++x) {
            // Harrow marks along the track every five rows and loose grit,
            // both repeating with each step of the scroll.
            int line = y % kTexturePeriod / 5;
            bool harrow = y % 5 == 4 && (x + 9 * line) % kScrollStep < 14;
            Rgb colour = harrow ? furrow : sand;
            uint32_t grit = hash3(static_cast<uint32_t>(x % kScrollStep),
                                  static_cast<uint32_t>(y % kTexturePeriod), 3) %
                            kGritSpacing;
            if (grit == 0) {
                colour = dark;
            } else if (grit == 1 && !harrow) {
                colour = light;
            }
            setPixel(sheet, x, top + y, colour);
        }
    }
    // Hoof prints cut by the field: small dark crescents, clear of the harrow
    // marks, repeating every 80 pixels so they are seen to pass.
    const Rgb hollow = shade(sand, 0.74);
    const Rgb edge = shade(sand, 0.84);
    const Mark prints[] = {{6, 2}, {46, 7}};
    for (int tileY = 0; tileY < kBandHeight; tileY += kTexturePeriod) {
        for (int tileX = 0; tileX < kCourseSheetWidth; tileX += kBandPeriod) {
            for (const Mark& p : prints) {
                int x = tileX + p.x;
                int y = top + tileY + p.y;
                fillRect(sheet, x, y, 3, 1, hollow);
                setPixel(sheet, x - 1, y - 1, edge);
                setPixel(sheet, x + 3, y - 1, edge);
            }
        }
    }
}

// A white running rail on posts. The turf rail has one bar and white posts;
// the dirt rail a second, lower bar and green posts.
void drawRail(Image& sheet, int top, bool dirt) {
    const Rgb white{248, 248, 244};
    const Rgb underside{190, 192, 196};
    const Rgb outline{60, 64, 70};
    const Rgb post = dirt ? Rgb{36, 120, 70} : Rgb{236, 236, 232};
    Image layer = makeLayer(kCourseSheetWidth, kRailHeight);
    for (int x = 0; x < kCourseSheetWidth; ++x) {
        int phase = x % kRailPeriod;
        if (phase >= 6 && phase < 9) {
            fillRect(layer, x, 17, 1, 14, phase == 8 ? shade(post, 0.75) : post);
        }
        fillRect(layer, x, 14, 1, 3, white);
        setPixel(layer, x, 17, underside);
        if (dirt) {
            setPixel(layer, x, 23, white);
            setPixel(layer, x, 24, underside);
        }
    }
    outlineLayer(layer, outline);
    copyBlock(sheet, 0, top, layer, 0, 0, kCourseSheetWidth, kRailHeight);
}

void drawBackdrop(Image& sheet, int top) {
    const Rgb skyHigh{104, 164, 232};
    const Rgb skyLow{196, 224, 246};
    for (int y = 0; y < kBackdropHeight; ++y) {
        for (int x = 0; x < kCourseSheetWidth; ++x) {
            setPixel(sheet, x, top + y, mix(skyHigh, skyLow, y / 44.0));
        }
    }
    // A wisp of cloud in each repeat.
    for (int x = 0; x < kCourseSheetWidth; ++x) {
        int phase = x % kBackdropPeriod;
        if (phase >= 8 && phase < 30) {
            setPixel(sheet, x, top + 12, Rgb{236, 244, 252});
        }
        if (phase >= 14 && phase < 26) {
            setPixel(sheet, x, top + 11, Rgb{246, 250, 254});
        }
    }
    // Distant hills, then a line of trees.
    for (int x = 0; x < kCourseSheetWidth; ++x) {
        double p = (x % kBackdropPeriod) * 2.0 * 3.14159265358979 / kBackdropPeriod;
        int hill = static_cast<int>(std::lround(30 + 4 * std::sin(p) + 2 * std::sin(2 * p + 1)));
        fillRect(sheet, x, top + hill, 1, 60 - hill, Rgb{120, 150, 160});
        // Tree crowns one backdrop step wide, one in four standing taller.
        int crown = x % kBackdropStep;
        double q = crown - kBackdropStep / 2.0;
        int taller = (x % kBackdropPeriod) / kBackdropStep == 1 ? 2 : 0;
        int tree = static_cast<int>(std::lround(40 + q * q / 6.75 - taller));
        fillRect(sheet, x, top + tree, 1, 60 - tree, Rgb{48, 100, 60});
        if (crown == 4) {
            setPixel(sheet, x, top + tree + 1, Rgb{70, 128, 76});
        }
    }
    // Grandstand: roof, columns, crowd on the terraces, the front wall.
    for (int x = 0; x < kCourseSheetWidth; ++x) {
        int phase = x % kBackdropPeriod;
        fillRect(sheet, x, top + 50, 1, 4, Rgb{200, 60, 50});
        fillRect(sheet, x, top + 54, 1, 2, Rgb{120, 36, 30});
        fillRect(sheet, x, top + 56, 1, 8, Rgb{60, 58, 64});
        for (int y = 64; y < 106; ++y) {
            int row = (y - 64) / 6;
            Rgb terrace = mix(Rgb{150, 146, 140}, Rgb{90, 88, 92}, row / 7.0);
            Rgb colour = terrace;
            // Spectators two pixels wide, a face over a coat; a few seats
            // stand empty. Most of a terrace repeats every backdrop step, so
            // its people look the same in each frame; the rest are
            // one in each repeat and are seen to pass.
            uint32_t seat = static_cast<uint32_t>(phase / 2);
            if (hash3(seat, static_cast<uint32_t>(row), 13) % 6 != 0) {
                seat = static_cast<uint32_t>(phase % kBackdropStep / 2);
            }
            bool empty = hash3(seat, static_cast<uint32_t>(row), 9) % 6 == 0;
            int inRow = (y - 64) % 6;
            if (inRow >= 1 && inRow <= 4 && !empty) {
                const Rgb crowd[] = {{220, 60, 50},  {240, 240, 230}, {60, 80, 160},
                                     {230, 200, 60}, {40, 40, 44},    {230, 180, 140},
                                     {120, 160, 90}, {170, 90, 140}};
                uint32_t who = hash3(seat, static_cast<uint32_t>(row), 7);
                colour = inRow == 1 ? Rgb{214, 170, 130} : crowd[who % 8];
                if (y < 76) {
                    colour = shade(colour, 0.7);
                }
            }
            setPixel(sheet, x, top + y, colour);
        }
        if (phase < 3) {
            fillRect(sheet, x, top + 56, 1, 50,
                     phase == 2 ? Rgb{150, 150, 156} : Rgb{210, 210, 214});
        }
        fillRect(sheet, x, top + 106, 1, 6, Rgb{228, 222, 204});
        setPixel(sheet, x, top + 112, Rgb{140, 132, 118});
        fillRect(sheet, x, top + 113, 1, kBackdropHeight - 113, Rgb{78, 150, 62});
        if (hash3(static_cast<uint32_t>(phase), 0, 11) % 5 == 0) {
            setPixel(sheet, x, top + 120 + static_cast<int>(phase % 7), Rgb{66, 132, 52});
        }
    }
}

} // namespace

Image drawCourseSheet() {
    Image sheet = makeImage(kCourseSheetWidth, kBackdropTop + kBackdropHeight, kKey);
    drawTurf(sheet, 0);
    drawDirt(sheet, kBandHeight);
    drawRail(sheet, kRailTop, false);
    drawRail(sheet, kRailTop + kRailHeight, true);
    drawBackdrop(sheet, kBackdropTop);
    return sheet;
}
