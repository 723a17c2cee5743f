// The starting gate: eighteen stalls that roll away once the gate opens.

#include "view/view.h"

#include "race/records.h"
#include "view/viewmath.h"

#include <algorithm>

namespace {

constexpr int32_t stallCount = 18;
constexpr int stallWidth = 182;
constexpr int stallHeight = 163;

} // namespace

void drawGate(DrawContext dc, int32_t slot) {
    if (race == nullptr) {
        return;
    }
    DrawContext sheet = openSheet(dc, images == nullptr ? nullptr : images->gateSheet);

    // Gate offset, twice the leader's progress, in 64 bits so that it cannot
    // overflow whatever the distances are.
    const int64_t o = 2 * (static_cast<int64_t>(race->startDistance) -
                           static_cast<int64_t>(race->leaderDistance));

    int64_t c = 0;
    if (race->gateOpen != 0) {
        c = 1;
        if (o > 260) {
            race->gateShown = 0; // this call still draws
        }
    }

    // The gate takes the parity of section alone.
    const bool odd = viewmath::isOdd(race->section);
    const bool rightward = viewmath::travelsRightward(odd, race->direction);
    const int64_t sx = rightward ? 364 + stallWidth * c : stallWidth * c;
    const int64_t x = rightward ? 88 - o : 530 + o;
    const int64_t top = odd ? 7 : 32;
    // A stall count of 18, whatever runnerCount is; the runner count itself
    // is taken as the 18-entry arrays of the draw can hold it.
    const int32_t count = std::clamp(race->runnerCount, int32_t{0}, stallCount);

    auto drawStall = [&](int64_t s) {
        copyKeyed(dc, viewmath::coord(x), viewmath::coord(15 * s + top), stallWidth, stallHeight,
                  sheet, viewmath::coord(sx), 0);
    };

    if (slot >= 0) {
        drawStall(odd ? static_cast<int64_t>(slot)
                      : static_cast<int64_t>(stallCount) - count + static_cast<int64_t>(slot));
    } else if (odd) {
        for (int32_t s = count; s < stallCount; ++s) {
            drawStall(s);
        }
    } else {
        for (int32_t s = 0; s < stallCount - count; ++s) {
            drawStall(s);
        }
    }

    closeSheet(sheet);
}
