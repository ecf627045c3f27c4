// The key wait and key reading against the scripted terminal: sleeps are
// counted on the simulated clock, never really slept.
#include <string>

#include "input_test_support.h"
#include "runtime/core/temp_pool.h"
#include "runtime/input/key_wait.h"
#include "tests/support/key_names.h"
#include "tests/support/test_heap.h"

namespace {

using KeyTest = InputTest;

const ConsoleCounters& counters() { return testing_hooks().counters; }

TEST_F(KeyTest, WaitForKeyDrainsTypedAheadKeysAndLeavesTheFreshOne) {
    testing_type("abc");
    testing_type_at(500, "z");
    sleep_key(-1);
    EXPECT_GE(testing_now_ms(), 500u);
    EXPECT_GT(counters().sleep, 0u);
    EXPECT_EQ(counters().slept_ms, counters().sleep * 50u);  // only whole slices
    EXPECT_NE(key_pending(), 0);
    uint64_t before = testing_now_ms();
    EXPECT_EQ(key_get(), 'z');
    EXPECT_EQ(testing_now_ms(), before);
    EXPECT_EQ(key_pending(), 0);
}

TEST_F(KeyTest, WaitForKeyDrainsAnExtendedKeyWhole) {
    testing_type(typed_keys("<Up>"));  // two codes
    testing_type_at(200, "q");
    sleep_key(-1);
    EXPECT_EQ(key_get(), 'q');
}

TEST_F(KeyTest, WaitForKeyWithAFreshKeyAlreadyBetweenSlices) {
    testing_type_at(30, "k");
    sleep_key(-1);
    EXPECT_EQ(counters().sleep, 1u);
    EXPECT_EQ(testing_now_ms(), 50u);
    EXPECT_EQ(key_get(), 'k');
}

TEST_F(KeyTest, WaitForKeyReturnsWithoutAKeyboard) {
    testing_console_set_keyboard(false);
    sleep_key(-1);
    EXPECT_EQ(counters().sleep, 0u);
    EXPECT_EQ(key_get(), -1);  // no keyboard: nothing to wait for

    testing_console_redirect();
    sleep_key(-1);
    EXPECT_EQ(counters().sleep, 0u);
}

struct TimedCase {
    int32_t milliseconds;
    uint32_t sleeps;
    uint64_t total_ms;
};

TEST_F(KeyTest, TimedWaitsSleepTheWholeTimeInSlices) {
    // clang-format off
    const TimedCase cases[] = {
        {0, 0, 0},     {-5, 0, 0},     {-2, 0, 0},      {1, 1, 1},       {99, 1, 99},
        {100, 2, 100}, {120, 3, 120},  {150, 3, 150},   {151, 4, 151},   {1000, 20, 1000},
        {INT32_MIN, 0, 0},
    };
    // clang-format on
    for (const TimedCase& c : cases) {
        SCOPED_TRACE(c.milliseconds);
        testing_console_create(80, 25);
        sleep_key(c.milliseconds);
        EXPECT_EQ(counters().sleep, c.sleeps);
        EXPECT_EQ(counters().slept_ms, c.total_ms);
        EXPECT_EQ(testing_now_ms(), c.total_ms);
    }
}

TEST_F(KeyTest, ShortWaitIgnoresKeys) {
    testing_type("x");
    sleep_key(99);
    EXPECT_EQ(counters().slept_ms, 99u);

    testing_console_create(80, 25);
    testing_type_at(10, "y");
    sleep_key(99);
    EXPECT_EQ(counters().slept_ms, 99u);
    EXPECT_EQ(key_get(), 'y');  // still waiting
}

TEST_F(KeyTest, LongWaitEndsAtAWaitingKeyWithoutReadingIt) {
    testing_type("x");
    sleep_key(100);
    EXPECT_EQ(counters().sleep, 0u);
    EXPECT_EQ(key_get(), 'x');

    testing_console_create(80, 25);
    testing_type_at(60, "y");
    sleep_key(1000);
    // Checked at 0, 50 and 100: the key that came at 60 ends the wait at 100.
    EXPECT_EQ(counters().slept_ms, 100u);
    EXPECT_EQ(key_get(), 'y');

    // The last part of a long wait is slept with no check before it.
    testing_console_create(80, 25);
    testing_type_at(60, "z");
    sleep_key(120);
    EXPECT_EQ(counters().slept_ms, 120u);
    EXPECT_EQ(key_get(), 'z');
}

TEST_F(KeyTest, KeyGetGivesTheSecondCodeOfAnExtendedKey) {
    testing_type("A");
    EXPECT_EQ(key_get(), 'A');
    testing_type(typed_keys("<Up>"));  // 224, 72
    EXPECT_EQ(key_get(), 72);
    testing_type(typed_keys("<F1>"));  // 0, 59
    EXPECT_EQ(key_get(), 59);
    // A character whose code page 850 code is 224 reads as the start of an
    // extended key: the code after it is returned.
    testing_type(
        "\xc3\x93"
        "b");  // Ó, then b
    EXPECT_EQ(key_get(), 'b');
}

TEST_F(KeyTest, KeyStringOfNoKeyAnOrdinaryKeyAndAnExtendedKey) {
    StringDesc* none = key_string();
    EXPECT_EQ(none, str_empty());
    EXPECT_EQ(str_length(none), 0);

    testing_type("m");
    StringDesc* plain = key_string();
    ASSERT_NE(plain, str_empty());
    EXPECT_TRUE(str_in_pool(plain));
    EXPECT_TRUE(str_is_temp(plain));
    ASSERT_EQ(str_length(plain), 1);
    EXPECT_EQ(plain->data[0], 'm');
    EXPECT_EQ(plain->data[1], '\0');
    EXPECT_EQ(str_release_temp(plain), 0);

    testing_type(typed_keys("<Down>"));  // 224, 80
    StringDesc* extended = key_string();
    ASSERT_EQ(str_length(extended), 2);
    EXPECT_EQ(static_cast<uint8_t>(extended->data[0]), 255);
    EXPECT_EQ(extended->data[1], 80);
    EXPECT_EQ(extended->data[2], '\0');
    EXPECT_EQ(str_release_temp(extended), 0);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
}

TEST_F(KeyTest, KeyStringWithNoRoomLeavesTheKeyUnread) {
    test_heap_install(HEAP_REFUSES_ALL);
    testing_type("m");
    EXPECT_EQ(key_string(), str_empty());
    memory_reset();
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);

    for (int32_t i = 0; i < TEMP_DESC_COUNT; ++i) ASSERT_NE(str_temp_alloc(), nullptr);
    EXPECT_EQ(key_string(), str_empty());
    EXPECT_NE(key_pending(), 0);
    EXPECT_EQ(key_get(), 'm');
}

}  // namespace
