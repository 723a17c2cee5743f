// The starting stall seen from the side: closed and open for a field facing
// left, and the mirror of both. A horse stands 30 pixels in from the front and
// 63 rows below the top.
#include "sheets.h"

namespace {

void drawStall(Image& sheet, int cellX, bool open) {
    const Rgb frame{236, 236, 230};
    const Rgb pad{44, 132, 82};
    const Rgb outline{34, 40, 44};
    Image layer = makeLayer(kStallWidth, kStallHeight);
    // Posts at the front and back, the header boxes on top of them.
    fillRect(layer, 16, 22, 7, 140, frame);
    fillRect(layer, 170, 22, 7, 140, frame);
    fillRect(layer, 8, 12, 26, 12, pad);
    fillRect(layer, 164, 12, 17, 12, pad);
    // Padded side wall over the legs and the base rail on the ground.
    fillRect(layer, 23, 120, 147, 26, pad);
    fillRect(layer, 23, 124, 147, 2, shade(pad, 1.2));
    fillRect(layer, 16, 156, 161, 6, frame);
    if (open) {
        // The front doors swung out towards the track.
        fillPolygon(layer, {{2, 60}, {14, 70}, {14, 150}, {2, 140}}, frame);
    } else {
        fillRect(layer, 23, 68, 8, 80, frame);
        for (int y = 74; y < 146; y += 8) {
            fillRect(layer, 23, y, 8, 2, shade(frame, 0.7));
        }
    }
    // Rear doors, always shut.
    fillRect(layer, 162, 60, 8, 90, frame);
    outlineLayer(layer, outline);
    copyBlock(sheet, cellX, 0, layer, 0, 0, kStallWidth, kStallHeight);
}

} // namespace

Image drawGateSheet() {
    Image sheet = makeImage(4 * kStallWidth, kStallHeight, kKey);
    drawStall(sheet, 0, false);
    drawStall(sheet, kStallWidth, true);
    copyMirrored(sheet, 2 * kStallWidth, 0, sheet, 0, 0, kStallWidth, kStallHeight);
    copyMirrored(sheet, 3 * kStallWidth, 0, sheet, kStallWidth, 0, kStallWidth, kStallHeight);
    return sheet;
}
