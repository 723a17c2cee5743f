// The program's icon: a bay horse's head with a white blaze, facing left.
#include "sheets.h"

namespace {

std::vector<Point> scaled(std::vector<Point> points, double scale) {
    for (Point& p : points) {
        p.x *= scale;
        p.y *= scale;
    }
    return points;
}

} // namespace

Image drawIcon(int size) {
    double s = size / 32.0;
    const Rgb coat{156, 86, 42};
    const Rgb mane{34, 24, 20};
    Image layer = makeLayer(size, size);
    fillPolygon(layer,
                scaled({{31, 32},
                        {30, 17},
                        {22, 6},
                        {16, 5},
                        {9, 12},
                        {3, 20},
                        {2, 24},
                        {5, 27},
                        {10, 27},
                        {16, 22},
                        {20, 24},
                        {22, 32}},
                       s),
                coat);
    fillPolygon(layer, scaled({{16, 6}, {18, 0.5}, {21, 7}}, s), coat);
    // Details grow with the icon: 1 pixel at 16, 2 at 32, 16 at 256.
    int detail = size / 16 > 1 ? size / 16 : 1;
    rimShade(layer, detail, 1.18, 0.75);
    fillPolygon(layer,
                scaled({{21, 5}, {25, 4}, {27, 9}, {31, 12}, {32, 32}, {29, 32}, {28, 17}}, s),
                mane);
    fillPolygon(layer, scaled({{14, 8}, {12, 8}, {5, 19}, {5, 22}, {8, 19}}, s),
                Rgb{246, 246, 240});
    outlineLayer(layer, Rgb{36, 20, 12});
    fillRect(layer, static_cast<int>(13 * s), static_cast<int>(11 * s), detail, detail,
             Rgb{16, 12, 10});
    fillRect(layer, static_cast<int>(4 * s), static_cast<int>(23 * s),
             detail / 2 > 1 ? detail / 2 : 1, detail / 2 > 1 ? detail / 2 : 1, Rgb{36, 20, 12});
    // The bridle: a line at 32, a band as wide as the details above that.
    if (size >= 32) {
        const Rgb bridle{200, 40, 40};
        std::vector<Point> strap = scaled({{17, 9}, {12, 24}, {5, 25}}, s);
        for (size_t i = 0; i + 1 < strap.size(); ++i) {
            if (size == 32) {
                drawLine(layer, strap[i], strap[i + 1], bridle);
            } else {
                fillCapsule(layer, strap[i], strap[i + 1], detail / 2.0, detail / 2.0, bridle);
            }
        }
    }
    return layer;
}

std::vector<Image> drawIcons() {
    return {drawIcon(32), drawIcon(16)};
}
