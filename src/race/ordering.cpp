// Index ordering by repeated selection, ties to the lower index.
#include "race/ordering.h"

#include "race/records.h"

namespace {

// Selection by repeated scans: each place takes the best value still unplaced,
// the lowest index winning ties because the comparison is strict. When only
// values beyond the sentinel are left, they are placed in index order.
template <typename Better>
void selectOrder(int32_t n, const int32_t* values, int32_t* order, int32_t sentinel,
                 Better better) {
    if (n > maxRunners) {
        n = maxRunners;
    }
    uint8_t check[maxRunners];
    for (int32_t j = 0; j < n; ++j) {
        check[j] = 1;
    }
    for (int32_t i = 0; i < n; ++i) {
        int32_t best = sentinel;
        int32_t k = -1;
        for (int32_t j = 0; j < n; ++j) {
            if (better(values[j], best) && check[j] == 1) {
                best = values[j];
                k = j;
            }
        }
        if (k < 0) {
            k = 0;
            while (check[k] == 0) {
                ++k;
            }
        }
        order[i] = k;
        check[k] = 0;
    }
}

} // namespace

void orderAscending(int32_t n, const int32_t* values, int32_t* order) {
    selectOrder(n, values, order, 50000, [](int32_t v, int32_t best) { return v < best; });
}

void orderDescending(int32_t n, const int32_t* values, int32_t* order) {
    selectOrder(n, values, order, -50000, [](int32_t v, int32_t best) { return v > best; });
}
