// The range formula against an exact reference: catches wrong rounding near
// halves and lost precision over the whole range of heights.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <utility>

#include "app/range.h"
#include "tests/support/fresh_core.h"

namespace {

// a * b exactly, as its high and low 64 bits: the products below reach 78
// bits, and 32-bit targets have no 128-bit integer.
std::pair<uint64_t, uint64_t> multiply_wide(uint64_t a, uint64_t b) {
    const uint64_t low_half = 0xffffffffu;
    uint64_t low_low = (a & low_half) * (b & low_half);
    uint64_t high_low = (a >> 32) * (b & low_half);
    uint64_t low_high = (a & low_half) * (b >> 32);
    uint64_t middle = (low_low >> 32) + (high_low & low_half) + low_high;
    return {(a >> 32) * (b >> 32) + (high_low >> 32) + (middle >> 32), (middle << 32) | (low_low & low_half)};
}

// The sign of sqrt(x) + sqrt(y) - m for m >= 0, decided in integers: no
// rounding at all.
int compare_root_sum(int64_t x, int64_t y, int64_t m) {
    int64_t m_squared = m * m;
    // m - sqrt(y) <= 0: the sum reaches m by sqrt(y) alone.
    if (m_squared < y) return 1;
    if (m_squared == y) return x > 0 ? 1 : 0;
    // Otherwise compare x with (m - sqrt(y))^2, that is 2m sqrt(y) with
    // m^2 + y - x, squaring where both sides are positive.
    int64_t rest = m_squared + y - x;
    if (rest < 0) return 1;
    auto left = multiply_wide(static_cast<uint64_t>(4 * m_squared), static_cast<uint64_t>(y));
    auto right = multiply_wide(static_cast<uint64_t>(rest), static_cast<uint64_t>(rest));
    return left > right ? 1 : (left < right ? -1 : 0);
}

// 4 (sqrt a + sqrt b) rounded to the nearest integer, exactly: n is right
// when 2n - 1 < 8 (sqrt a + sqrt b) < 2n + 1, with 8 sqrt a = sqrt(64 a).
int32_t reference_range(int32_t a, int32_t b) {
    int64_t x = 64 * int64_t{a < 0 ? 0 : a};
    int64_t y = 64 * int64_t{b < 0 ? 0 : b};
    auto n = static_cast<int64_t>(4.0 * (std::sqrt(double(a < 0 ? 0 : a)) + std::sqrt(double(b < 0 ? 0 : b))));
    while (compare_root_sum(x, y, 2 * n + 1) >= 0) ++n;
    while (n > 0 && compare_root_sum(x, y, 2 * n - 1) <= 0) --n;
    return static_cast<int32_t>(n);
}

class RangeTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_core(); }
};

TEST_F(RangeTest, KnownHeights) {
    struct Case {
        int32_t tx, rx, km;
        // clang-format off
    } cases[] = {
        {0, 0, 0},      {100, 25, 60},   {2, 3, 13},        {1, 0, 4},
        {-5, 100, 40},  {100, -1, 40},   {-100, -100, 0},   {INT32_MIN, 0, 0},
        {INT32_MAX, INT32_MAX, 370728},  {INT32_MAX, 0, 185364},
        // Within 1e-15 of a half: a 64-bit significand rounds the first two
        // the wrong way (32767.4999999999999991, 240402.50000000000000932),
        // a 53-bit one the third (4479.49999999999955).
        {16711235, 16842301, 32767},     {747831410, 1072832288, 240403},
        {89693, 673035, 4479},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(range_km_compute(c.tx, c.rx), c.km) << c.tx << " " << c.rx;
}

TEST_F(RangeTest, ReferenceAgreesOnKnownHeights) {
    EXPECT_EQ(reference_range(2, 3), 13);
    EXPECT_EQ(reference_range(100, 25), 60);
    EXPECT_EQ(reference_range(INT32_MAX, INT32_MAX), 370728);
    EXPECT_EQ(reference_range(0, 1), 4);
    EXPECT_EQ(reference_range(16711235, 16842301), 32767);
    EXPECT_EQ(reference_range(747831410, 1072832288), 240403);
    EXPECT_EQ(reference_range(89693, 673035), 4479);
}

TEST_F(RangeTest, SweepMatchesTheExactReference) {
    for (int32_t tx = 0; tx <= 400; ++tx) {
        for (int32_t rx = 0; rx <= 400; ++rx) {
            ASSERT_EQ(range_km_compute(tx, rx), reference_range(tx, rx)) << tx << " " << rx;
        }
    }
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int32_t> height(0, INT32_MAX);
    for (int i = 0; i < 200000; ++i) {
        int32_t tx = height(random);
        int32_t rx = i % 2 ? height(random) : int32_t(random() % 10000);
        ASSERT_EQ(range_km_compute(tx, rx), reference_range(tx, rx)) << tx << " " << rx;
    }
}

TEST_F(RangeTest, ValuesJustAroundHalvesRoundTheRightWay) {
    // Heights whose range lies within a hair of n + 0.5: truncation, single
    // precision or a wrong direction would get some of these wrong.
    int found = 0;
    for (int32_t tx = 1; tx < 2000000 && found < 2000; tx += 7) {
        long double v = 4.0L * std::sqrt(static_cast<long double>(tx));
        long double fraction = v - std::floor(v);
        if (std::fabs(fraction - 0.5L) < 1e-4L) {
            ++found;
            ASSERT_EQ(range_km_compute(tx, 0), reference_range(tx, 0)) << tx;
        }
    }
    EXPECT_GT(found, 100);
}

TEST_F(RangeTest, RandomPairsNearHalvesMatchTheExactReference) {
    // RX is picked so that the range lands within about 1/sqrt(RX) of a
    // half, where any rounding on the way to the answer shows first.
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int32_t> height(0, INT32_MAX);
    int checked = 0;
    for (int i = 0; i < 100000; ++i) {
        int32_t tx = height(random);
        double tx_range = 4.0 * std::sqrt(double(tx));
        double rx_range = std::floor(tx_range) + double(random() % 185000) + 0.5 - tx_range;
        double rx = std::nearbyint(rx_range * rx_range / 16.0);
        if (rx_range < 0 || rx > INT32_MAX) continue;
        ++checked;
        ASSERT_EQ(range_km_compute(tx, int32_t(rx)), reference_range(tx, int32_t(rx))) << tx << " " << rx;
    }
    EXPECT_GT(checked, 50000);
}

}  // namespace
