// The range formula decided in integers. Twice the range is
// sqrt(64 TX) + sqrt(64 RX); integer square roots put it in an interval two
// units wide, and at most one odd number (twice a half) lies inside that
// interval. Which side of that odd number the sum lies on is a comparison of
// squares, exact in 128 bits, so no floating-point width or rounding mode
// has a say in the result.
#include "app/range.h"

namespace {

// (2 x RANGE_FACTOR)^2, 64: sqrt(64 h) is twice the range of one antenna.
constexpr uint64_t HALF_UNITS_SQUARED = uint64_t{2 * RANGE_FACTOR} * uint64_t{2 * RANGE_FACTOR};

// An unsigned 128-bit value in two halves, for the one product that
// exceeds 64 bits.
struct Wide {
    uint64_t high;
    uint64_t low;
};

// The exact product of two 64-bit values, from four 32 x 32-bit products.
Wide wide_multiply(uint64_t a, uint64_t b) {
    constexpr uint64_t LOW_MASK = 0xFFFFFFFFu;
    uint64_t a_low = a & LOW_MASK, a_high = a >> 32;
    uint64_t b_low = b & LOW_MASK, b_high = b >> 32;
    uint64_t low_low = a_low * b_low;
    uint64_t high_low = a_high * b_low;
    uint64_t low_high = a_low * b_high;
    // The middle column: each part is below 2^32, so the sum fits.
    uint64_t middle = (low_low >> 32) + (high_low & LOW_MASK) + (low_high & LOW_MASK);
    return Wide{a_high * b_high + (high_low >> 32) + (low_high >> 32) + (middle >> 32),
                (middle << 32) | (low_low & LOW_MASK)};
}

bool wide_greater(Wide a, Wide b) { return a.high != b.high ? a.high > b.high : a.low > b.low; }

// The largest r with r^2 <= value, one bit at a time from the top.
uint64_t root_floor(uint64_t value) {
    uint64_t root = 0;
    uint64_t bit = uint64_t{1} << 62;
    while (bit > value) bit >>= 2;
    while (bit != 0) {
        if (value >= root + bit) {
            value -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return root;
}

// Whether sqrt x + sqrt y > m. Squared, the sum is x + y + 2 sqrt(xy): it is
// larger when m^2 - x - y is negative, and otherwise when 4xy exceeds that
// difference squared. Here x, y < 2^37 and m < 2^20, so m^2 fits in 64 bits
// and the two sides of the last comparison need 128.
bool root_sum_exceeds(uint64_t x, uint64_t y, uint64_t m) {
    uint64_t m_squared = m * m;
    if (m_squared < x + y) return true;
    uint64_t difference = m_squared - x - y;
    return wide_greater(wide_multiply(4 * x, y), wide_multiply(difference, difference));
}

uint64_t height_half_units_squared(int32_t height) {
    return height > 0 ? HALF_UNITS_SQUARED * static_cast<uint64_t>(height) : 0;
}

}  // namespace

int32_t range_km_compute(int32_t tx_height, int32_t rx_height) {
    uint64_t x = height_half_units_squared(tx_height);
    uint64_t y = height_half_units_squared(rx_height);
    // Twice the range lies in [low, low + 2), and never on an odd number.
    uint64_t low = root_floor(x) + root_floor(y);
    uint64_t km = (low + 1) / 2;
    // With low even, low + 1 is the one odd number in reach.
    if (low % 2 == 0 && root_sum_exceeds(x, y, low + 1)) km = low / 2 + 1;
    // At most 4 x 2 x sqrt(2^31 - 1), about 370,728: always within 32 bits.
    return static_cast<int32_t>(km);
}
