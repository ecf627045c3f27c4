// The range formula in extended precision (a 64-bit significand where the
// machine has one), rounded by the mode start-up selects: to nearest even.
#include "app/range.h"

#include <cmath>

namespace {

long double height_root(int32_t height) {
    return height > 0 ? std::sqrt(static_cast<long double>(height)) : 0.0L;
}

}  // namespace

int32_t range_km_compute(int32_t tx_height, int32_t rx_height) {
    long double range = (height_root(tx_height) + height_root(rx_height)) * static_cast<long double>(RANGE_FACTOR);
    // At most 4 x 2 x sqrt(2^31 - 1), about 370,728: always within 32 bits.
    return static_cast<int32_t>(std::llrint(range));
}
