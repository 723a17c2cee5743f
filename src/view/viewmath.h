// Small helpers shared by the course, runner and gate drawing: the view side, the
// travel direction and positions kept inside the range of the copies.
#pragma once

#include "race/records.h"

#include <algorithm>
#include <cstdint>

namespace viewmath {

// Odd when the value is not divisible by 2, negative values included. The
// sum section + sectionShift is taken modulo 2^32, which keeps its parity.
inline bool isOdd(int32_t value) {
    return (static_cast<uint32_t>(value) & 1u) != 0;
}

// Rightward on the odd side with direction 1 and on the even side with
// direction 0; `direction` counts as 1 when it is not 0.
inline bool travelsRightward(bool oddSide, uint8_t direction) {
    return oddSide ? direction != 0 : direction == 0;
}

// A position computed in 64 bits, brought into int range for the copies. Far
// beyond any bitmap either way, a clamped position still draws nothing,
// because every copy is at most 800 pixels wide or high.
inline int coord(int64_t value) {
    constexpr int64_t limit = int64_t{1} << 24;
    return static_cast<int>(std::clamp(value, -limit, limit));
}

} // namespace viewmath
