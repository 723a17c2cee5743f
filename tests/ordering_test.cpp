// Stable ordering of runner indices by lane.

#include "race/ordering.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct OrderCase {
    const char* name;
    std::vector<int32_t> values;
    std::vector<int32_t> ascending;
    std::vector<int32_t> descending;
};

std::vector<int32_t> startingLanes() {
    std::vector<int32_t> lanes;
    for (int32_t i = 0; i < 18; ++i) {
        lanes.push_back(15 * i);
    }
    return lanes;
}

std::vector<int32_t> counting(int32_t from, int32_t to) {
    std::vector<int32_t> out;
    for (int32_t i = from; from <= to ? i <= to : i >= to; i += from <= to ? 1 : -1) {
        out.push_back(i);
    }
    return out;
}

TEST(Ordering, StableByValue) {
    const OrderCase cases[] = {
        {"example", {5, 3, 5, 1}, {3, 1, 0, 2}, {0, 2, 1, 3}},
        {"all equal", {7, 7, 7}, {0, 1, 2}, {0, 1, 2}},
        {"starting lanes", startingLanes(), counting(0, 17), counting(17, 0)},
        {"single", {42}, {0}, {0}},
        {"negatives", {0, -1, 3, -1}, {1, 3, 0, 2}, {2, 0, 1, 3}},
        {"just inside the sentinels", {49999, -49999}, {1, 0}, {0, 1}},
        {"at or beyond the sentinel come last in index order",
         {50000, 2, 60000, -50000, 1, -70000},
         {5, 3, 4, 1, 0, 2},  // -50000 and -70000 are ordinary values ascending...
         {2, 0, 1, 4, 3, 5}}, // ...and 50000, 60000 ordinary values descending
    };
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto n = static_cast<int32_t>(c.values.size());
        std::vector<int32_t> order(c.values.size(), -9);
        orderAscending(n, c.values.data(), order.data());
        EXPECT_EQ(order, c.ascending);
        orderDescending(n, c.values.data(), order.data());
        EXPECT_EQ(order, c.descending);
    }
}

TEST(Ordering, WritesNothingForNoValuesAndNoMoreThanEighteen) {
    std::vector<int32_t> values(20, 0);
    std::vector<int32_t> order(20, -9);
    orderAscending(0, values.data(), order.data());
    EXPECT_EQ(order[0], -9);
    orderDescending(20, values.data(), order.data());
    EXPECT_EQ(order[17], 17);
    EXPECT_EQ(order[18], -9);
    EXPECT_EQ(order[19], -9);
}

} // namespace
