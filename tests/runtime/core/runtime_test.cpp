// Start-up and shutdown: catches file slots left set, the wrong precision or
// rounding of the floating-point unit, a lost error status, a missing
// console handle, and an exit that skips flushing.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "runtime/core/console_output.h"
#include "runtime/core/runtime.h"

namespace {

TEST(RuntimeTest, InitClearsEveryFileSlot) {
    std::memset(&file_table, 0x5A, sizeof file_table);
    runtime_init(0, nullptr);
    for (int32_t n = 1; n <= FILE_SLOT_COUNT; ++n) {
        FileSlot* slot = file_slot(n);
        ASSERT_NE(slot, nullptr);
        EXPECT_EQ(slot->stream, nullptr);
        EXPECT_EQ(slot->column, 0);
    }
    EXPECT_EQ(file_slot(0), nullptr);
    EXPECT_EQ(file_slot(256), nullptr);
    EXPECT_EQ(file_slot(-1), nullptr);
}

TEST(RuntimeTest, InitRoundsToNearestEvenWithAWideSignificand) {
    platform::_controlfp(platform::_RC_CHOP | platform::_PC_53, platform::_MCW_RC | platform::_MCW_PC);
    runtime_init(0, nullptr);
    unsigned int control = platform::_controlfp(0, 0);
    EXPECT_EQ(control & platform::_MCW_RC, platform::_RC_NEAR);
    EXPECT_EQ(std::lrintl(2.5L), 2);
    EXPECT_EQ(std::lrintl(3.5L), 4);
    EXPECT_EQ(std::lrintl(-2.5L), -2);
    EXPECT_EQ(std::lrint(0.5), 0);
#if LDBL_MANT_DIG >= 64
    EXPECT_EQ(control & platform::_MCW_PC, platform::_PC_64);
    volatile long double one = 1.0L;
    volatile long double tiny = std::ldexp(1.0L, -63);
    EXPECT_NE(one + tiny, one);  // a 53-bit significand would lose it
#endif
}

// The x87 precision field really narrows long double arithmetic, and
// writing it leaves the rounding field (and the rest of the word) alone.
TEST(RuntimeTest, PrecisionControlReachesTheX87Unit) {
#if !((defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32))
    GTEST_SKIP() << "no x87 unit behind _controlfp here (an x86 processor under POSIX has one)";
#else
    volatile long double one = 1.0L;
    struct Case {
        unsigned int precision;
        int lost_bit;  // the first bit below 1 that the significand drops
    } cases[] = {{platform::_PC_53, -53}, {platform::_PC_24, -24}, {platform::_PC_64, -64}};
    for (const Case& c : cases) {
        platform::_controlfp(platform::_RC_UP | 1u, platform::_MCW_RC);  // bit 0 lies outside the field
        unsigned int control = platform::_controlfp(c.precision, platform::_MCW_PC);
        EXPECT_EQ(control & platform::_MCW_PC, c.precision);
        EXPECT_EQ(control & 0x300u, 0x200u);  // rounding up, in Windows' numbers
        platform::_controlfp(platform::_RC_NEAR, platform::_MCW_RC);
        volatile long double kept = std::ldexp(1.0L, c.lost_bit + 1);
        volatile long double lost = std::ldexp(1.0L, c.lost_bit - 1);
        EXPECT_NE(one + kept, one) << c.precision;
        EXPECT_EQ(one + lost, one) << c.precision;
    }
    runtime_init(0, nullptr);
#endif
}

TEST(RuntimeTest, ErrorStatusKeepsTheLastNumber) {
    EXPECT_EQ(error_set(ERROR_BAD_ARGUMENT), 1);
    EXPECT_EQ(error_get(), 1);
    EXPECT_EQ(error_set(ERROR_WRITE_FAILED), 3);
    EXPECT_EQ(error_set(ERROR_NONE), 0);
    EXPECT_EQ(error_get(), 0);
}

TEST(RuntimeTest, InitObtainsTheConsoleOutputHandle) {
    console_output = nullptr;
    runtime_init(0, nullptr);
    EXPECT_EQ(console_output, platform::GetStdHandle(platform::STD_OUTPUT_HANDLE));
}

using RuntimeDeathTest = ::testing::Test;

TEST(RuntimeDeathTest, EndExitsWithTheStatusAndFlushes) {
    EXPECT_EXIT(
        {
            std::fputs("unflushed", stdout);
            runtime_end(7);
        },
        ::testing::ExitedWithCode(7), "");
}

}  // namespace
