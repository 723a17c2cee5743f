// The course sheet: the turf and dirt bands that scroll under the runners, the
// two running rails and the backdrop of sky, hills and grandstand.
#include "sheets.h"

#include <cmath>

namespace {

constexpr int kSheetWidth = 860;
constexpr int kBandHeight = 50;
constexpr int kRailTop = 100;
constexpr int kRailHeight = 40;
constexpr int kBackdropTop = 180;
constexpr int kBackdropHeight = 150;
// The bands scroll 20 pixels a tick and repeat every 80; their texture repeats
// every 10 rows so any stack of 40- or 50-row strips meets without a seam.
constexpr int kBandPeriod = 80;
constexpr int kTexturePeriod = 10;
// The rails are read at offsets 0, 8, 16 and 24: a 16-pixel period keeps them
// steady while the ground moves beneath.
constexpr int kRailPeriod = 16;
constexpr int kBackdropPeriod = 48;

uint32_t texture(int x, int y, uint32_t salt) {
    return hash3(static_cast<uint32_t>(x % kBandPeriod), static_cast<uint32_t>(y % kTexturePeriod),
                 salt);
}

void drawTurf(Image& sheet, int top) {
    const Rgb light{86, 162, 66};
    const Rgb dark{70, 140, 54};
    for (int y = 0; y < kBandHeight; ++y) {
        for (int x = 0; x < kSheetWidth; ++x) {
            // Mowing stripes, 40 light and 40 dark, with a soft edge row.
            int phase = x % kBandPeriod;
            Rgb colour = phase < 40 ? light : dark;
            if (phase == 0 || phase == 40) {
                colour = mix(light, dark, 0.5);
            }
            uint32_t noise = texture(x, y, 1) % 16;
            if (noise == 0) {
                colour = shade(colour, 0.82);
            } else if (noise == 1) {
                colour = shade(colour, 1.12);
            } else if (noise == 2 && texture(x, y + 1, 1) % 16 != 0) {
                colour = shade(colour, 0.9);
            }
            setPixel(sheet, x, top + y, colour);
        }
    }
    // Blades of grass: short dark ticks, two rows tall, scattered over the tile.
    for (int y = 0; y < kBandHeight; ++y) {
        for (int x = 0; x < kSheetWidth; ++x) {
            Rgb base = getPixel(sheet, x, top + y);
            if (texture(x, y, 2) % 37 == 0) {
                setPixel(sheet, x, top + y, shade(base, 0.7));
            } else if (texture(x, y + kTexturePeriod - 1, 2) % 37 == 0) {
                setPixel(sheet, x, top + y, shade(base, 0.8));
            }
        }
    }
}

void drawDirt(Image& sheet, int top) {
    const Rgb sand{186, 146, 102};
    for (int y = 0; y < kBandHeight; ++y) {
        for (int x = 0; x < kSheetWidth; ++x) {
            // Broad damp and dry patches along the track, then loose grit.
            double wave = std::sin((x % kBandPeriod) * 2.0 * 3.14159265358979 / kBandPeriod);
            Rgb colour = shade(sand, 1.0 + 0.06 * wave);
            uint32_t noise = texture(x, y, 3) % 10;
            if (noise == 0) {
                colour = shade(colour, 0.86);
            } else if (noise == 1) {
                colour = shade(colour, 1.08);
            } else if (noise == 2 && texture(x + 1, y, 3) % 10 == 0) {
                colour = shade(colour, 0.92);
            }
            setPixel(sheet, x, top + y, colour);
        }
    }
    // Hoof prints thrown up by the field: small dark crescents with a light rim,
    // at scattered places in the 80 × 10 tile.
    const Point prints[] = {{6, 2}, {33, 6}, {58, 4}};
    for (int tileY = 0; tileY < kBandHeight; tileY += kTexturePeriod) {
        for (int tileX = 0; tileX < kSheetWidth; tileX += kBandPeriod) {
            for (const Point& p : prints) {
                int x = tileX + static_cast<int>(p.x);
                int y = top + tileY + static_cast<int>(p.y);
                for (int dx = 0; dx < 3; ++dx) {
                    setPixel(sheet, x + dx, y, shade(getPixel(sheet, x + dx, y), 0.74));
                }
                setPixel(sheet, x - 1, y - 1, shade(getPixel(sheet, x - 1, y - 1), 0.84));
                setPixel(sheet, x + 3, y - 1, shade(getPixel(sheet, x + 3, y - 1), 0.84));
                setPixel(sheet, x + 1, y + 1, shade(getPixel(sheet, x + 1, y + 1), 1.1));
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
    Image layer = makeLayer(kSheetWidth, kRailHeight);
    for (int x = 0; x < kSheetWidth; ++x) {
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
    copyBlock(sheet, 0, top, layer, 0, 0, kSheetWidth, kRailHeight);
}

void drawBackdrop(Image& sheet, int top) {
    const Rgb skyHigh{104, 164, 232};
    const Rgb skyLow{196, 224, 246};
    for (int y = 0; y < kBackdropHeight; ++y) {
        for (int x = 0; x < kSheetWidth; ++x) {
            setPixel(sheet, x, top + y, mix(skyHigh, skyLow, y / 44.0));
        }
    }
    // A wisp of cloud in each repeat.
    for (int x = 0; x < kSheetWidth; ++x) {
        int phase = x % kBackdropPeriod;
        if (phase >= 8 && phase < 30) {
            setPixel(sheet, x, top + 12, Rgb{236, 244, 252});
        }
        if (phase >= 14 && phase < 26) {
            setPixel(sheet, x, top + 11, Rgb{246, 250, 254});
        }
    }
    // Distant hills, then a line of trees.
    for (int x = 0; x < kSheetWidth; ++x) {
        double p = (x % kBackdropPeriod) * 2.0 * 3.14159265358979 / kBackdropPeriod;
        int hill = static_cast<int>(std::lround(30 + 4 * std::sin(p) + 2 * std::sin(2 * p + 1)));
        fillRect(sheet, x, top + hill, 1, 60 - hill, Rgb{120, 150, 160});
        double q = (x % 16) - 8.0;
        int tree = static_cast<int>(std::lround(40 + q * q / 12.0 - ((x / 16) % 3 == 1 ? 2 : 0)));
        fillRect(sheet, x, top + tree, 1, 60 - tree, Rgb{48, 100, 60});
        if (x % 16 == 5) {
            setPixel(sheet, x, top + tree + 1, Rgb{70, 128, 76});
        }
    }
    // Grandstand: roof, columns, crowd on the terraces, the front wall.
    for (int x = 0; x < kSheetWidth; ++x) {
        int phase = x % kBackdropPeriod;
        fillRect(sheet, x, top + 50, 1, 4, Rgb{200, 60, 50});
        fillRect(sheet, x, top + 54, 1, 2, Rgb{120, 36, 30});
        fillRect(sheet, x, top + 56, 1, 8, Rgb{60, 58, 64});
        for (int y = 64; y < 106; ++y) {
            int row = (y - 64) / 6;
            Rgb terrace = mix(Rgb{150, 146, 140}, Rgb{90, 88, 92}, row / 7.0);
            Rgb colour = terrace;
            uint32_t h = hash3(static_cast<uint32_t>(phase), static_cast<uint32_t>(y), 9);
            int inRow = (y - 64) % 6;
            if (inRow >= 1 && inRow <= 4 && h % 5 != 0) {
                const Rgb crowd[] = {{220, 60, 50},  {240, 240, 230}, {60, 80, 160},
                                     {230, 200, 60}, {40, 40, 44},    {230, 180, 140},
                                     {120, 160, 90}, {170, 90, 140}};
                uint32_t who =
                    hash3(static_cast<uint32_t>(phase / 2), static_cast<uint32_t>(y / 6), 7);
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
    Image sheet = makeImage(kSheetWidth, kBackdropTop + kBackdropHeight, kKey);
    drawTurf(sheet, 0);
    drawDirt(sheet, kBandHeight);
    drawRail(sheet, kRailTop, false);
    drawRail(sheet, kRailTop + kRailHeight, true);
    drawBackdrop(sheet, kBackdropTop);
    return sheet;
}
