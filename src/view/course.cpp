// The course view: one whole frame from back to front.

#include "view/view.h"

#include "race/records.h"
#include "view/viewmath.h"

void drawScene(DrawContext dc) {
    drawCourse(dc);
}

void drawCourse(DrawContext dc) {
    if (race == nullptr) {
        return;
    }
    using viewmath::coord;
    DrawContext sheet = openSheet(dc, images == nullptr ? nullptr : images->courseSheet);

    bool odd = false;
    const bool rightward = viewTravelsRightward(&odd);
    const int64_t g = race->gaitFrame;
    const int64_t h = g / 2;
    const int s = coord(rightward ? 20 * g : 60 - 20 * g); // strips
    const int p = coord(rightward ? 12 * g : 36 - 12 * g); // backdrop
    const int a = coord(16 * h);                           // own rail
    const int b = coord(24 - 16 * h);                      // far rail
    const int style = race->trackStyle != 0 ? 1 : 0;

    if (odd) {
        for (int i = 0; i < 6; ++i) {
            copyOpaque(dc, 0, 150 + 50 * i, 800, 50, sheet, s, 50 * style);
        }
        for (int i = 0; i < 4; ++i) {
            copyOpaque(dc, 0, 40 * i, 800, 40, sheet, s, 50 - 50 * style);
        }
        copyKeyed(dc, 0, 115, 800, 40, sheet, b, 140 - 40 * style);
        copyKeyed(dc, 0, 125, 800, 40, sheet, a, 100 + 40 * style);
        drawRunners(dc);
    } else {
        if (style == 1) {
            copyOpaque(dc, 0, 0, 800, 150, sheet, p, 180);
        } else {
            for (int i = 0; i < 3; ++i) {
                copyOpaque(dc, 0, 50 * i, 800, 50, sheet, s, 50);
            }
            copyKeyed(dc, 0, 105, 800, 40, sheet, b, 140);
        }
        for (int i = 0; i < 6; ++i) {
            copyOpaque(dc, 0, 150 + 50 * i, 800, 50, sheet, s, 50 * style);
        }
        copyKeyed(dc, 0, 115, 800, 40, sheet, a, 100 + 40 * style);
        drawRunners(dc);
        copyKeyed(dc, 0, 410, 800, 40, sheet, a, 100 + 40 * style);
    }

    closeSheet(sheet);
}
