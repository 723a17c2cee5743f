// Index ordering: the runners' indices sorted by a value, for lanes and depth.
#pragma once

#include <cstdint>

// Fill `order` with the indices 0..n-1 sorted by `values`: smallest first
// (orderAscending) or largest first (orderDescending). Equal values keep the
// lower index first. Values at or beyond the sentinel (50000 ascending,
// -50000 descending) come last, in index order. At most 18 indices are placed.
void orderAscending(int32_t n, const int32_t* values, int32_t* order);
void orderDescending(int32_t n, const int32_t* values, int32_t* order);
