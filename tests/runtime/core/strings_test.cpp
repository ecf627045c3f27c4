// String descriptors: catches wrong growth, buffers kept or dropped at the
// wrong size, temporaries copied instead of taken over or leaked, overlapping
// copies, and lengths that wrap near the limit.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/core/strings.h"
#include "runtime/core/temp_pool.h"
#include "tests/support/fresh_core.h"
#include "tests/support/test_heap.h"

namespace {

class StringsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fresh_core();
        test_heap_install(HEAP_GRANTS_ALL);
    }
    void TearDown() override {
        str_delete(&desc);
        memory_reset();
    }
    std::string text() const { return desc.data ? std::string(desc.data, size_t(str_length(&desc))) : ""; }

    StringDesc desc{nullptr, 0, 0};
};

TEST_F(StringsTest, GrowthFollowsThirtyTwoPlusAnEighth) {
    struct Step {
        int32_t length;
        int32_t capacity;
    } steps[] = {{10, 36}, {30, 36}, {40, 72}, {72, 72}, {73, 108}, {10, 36}};
    for (const Step& s : steps) {
        str_resize(&desc, s.length, false);
        EXPECT_EQ(desc.capacity, s.capacity) << s.length;
        EXPECT_EQ(desc.length, s.length);
    }
}

TEST_F(StringsTest, ABufferWithinAnEighthOfTheNeedIsKept) {
    str_resize(&desc, 40, false);  // capacity 72
    char* kept = desc.data;
    str_resize(&desc, 33, true);  // target 72
    EXPECT_EQ(desc.data, kept);
    str_resize(&desc, 10, false);  // target 36 < 72 - 9: shrinks
    EXPECT_EQ(desc.capacity, 36);
}

TEST_F(StringsTest, ResizeClearsTheTemporaryBit) {
    str_alloc_temp_buffer(&desc, 3);
    EXPECT_TRUE(str_is_temp(&desc));
    str_resize(&desc, 4, true);
    EXPECT_FALSE(str_is_temp(&desc));
    EXPECT_EQ(str_length(&desc), 4);
}

TEST_F(StringsTest, FailedAllocationFallsBackToTheExactSize) {
    test_heap.refusals = HEAP_REFUSES_ALL;
    str_resize(&desc, 10, false);
    EXPECT_EQ(desc.data, nullptr);  // both the grown and the exact size refused
    EXPECT_EQ(desc.length, 0);
    EXPECT_EQ(desc.capacity, 0);

    // The grown size is refused, the exact one granted.
    test_heap.refusals = HeapRefusals{-1, false, 0, 11};
    str_resize(&desc, 10, false);
    ASSERT_NE(desc.data, nullptr);
    EXPECT_EQ(desc.capacity, 10);
    EXPECT_EQ(desc.length, 10);
}

TEST_F(StringsTest, FailedGrowthWithPreserveKeepsTheText) {
    str_assign(&desc, STR_SIZE_DESC, const_cast<char*>("hello"), STR_SIZE_ZSTRING, 0);
    test_heap.refusals.largest = 38;
    // 40 characters want capacity 72; only the exact 40 can be had.
    str_concat_assign(&desc, STR_SIZE_DESC, const_cast<char*>(" world, and more text to grow it"), STR_SIZE_ZSTRING, 0);
    EXPECT_EQ(text(), "hello world, and more text to grow it");
    EXPECT_EQ(desc.capacity, 37);
}

TEST_F(StringsTest, LengthsNearTheLimitDoNotWrap) {
    // 0x7FFFFFF0 would round and grow beyond any 32-bit capacity: the exact
    // size is tried instead, and refused here, leaving an empty descriptor.
    test_heap.refusals = HEAP_REFUSES_ALL;
    str_resize(&desc, 0x7FFFFFF0, false);
    EXPECT_EQ(desc.data, nullptr);
    EXPECT_EQ(desc.capacity, 0);

    // Appending beyond 0x7FFFFFFF text bytes is cut to what fits.
    char one[] = "x";
    StringDesc huge{one, 0x7FFFFFFF, 0x7FFFFFFF};
    str_concat_assign(&huge, STR_SIZE_DESC, one, STR_SIZE_ZSTRING, 0);
    EXPECT_EQ(huge.data, one);
    EXPECT_EQ(str_length(&huge), 0x7FFFFFFF);
}

TEST_F(StringsTest, AssignTakesATemporaryBufferOver) {
    StringDesc* temp = str_temp_alloc();
    str_alloc_temp_buffer(temp, 3);
    std::memcpy(temp->data, "abc", 4);
    char* buffer = temp->data;
    str_assign(&desc, STR_SIZE_DESC, temp, STR_SIZE_DESC, 0);
    EXPECT_EQ(desc.data, buffer);
    EXPECT_EQ(desc.length, 3);  // the temporary bit cleared
    EXPECT_EQ(temp->data, nullptr);
    EXPECT_EQ(temp->length, 0);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
}

TEST_F(StringsTest, AssignCopiesAndReleasesALiteralDescriptor) {
    static const char literal[] = "350";
    StringDesc* source = str_temp_for_literal(literal, sizeof literal);
    str_assign(&desc, STR_SIZE_DESC, source, STR_SIZE_DESC, 0);
    EXPECT_EQ(text(), "350");
    EXPECT_NE(desc.data, literal);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);

    str_assign(&desc, STR_SIZE_DESC, nullptr, STR_SIZE_DESC, 0);
    EXPECT_EQ(desc.data, nullptr);
}

TEST_F(StringsTest, AssignIntoFixedBuffersTruncatesAndFills) {
    struct Case {
        const char* source;
        int32_t size;
        int32_t fill;
        const char* expected;  // the whole buffer, with '#' for bytes left as they were
        // clang-format off
    } cases[] = {
        {"0123456789", 5, 0, "0123\0"},
        {"ab", 6, 0, "ab\0###"},
        {"ab", 6, 1, "ab\0\0\0#"},  // the last byte stays as it was
        {"", 4, 1, "\0\0\0\0"},
        {"", 4, 0, "\0###"},
    };
    // clang-format on
    for (const Case& c : cases) {
        char buffer[8];
        std::memset(buffer, '#', sizeof buffer);
        str_assign(buffer, c.size, const_cast<char*>(c.source), STR_SIZE_ZSTRING, c.fill);
        EXPECT_EQ(std::string(buffer, size_t(c.size)), std::string(c.expected, size_t(c.size)))
            << c.source << " size " << c.size << " fill " << c.fill;
        EXPECT_EQ(buffer[c.size], '#');
    }
}

TEST_F(StringsTest, ConcatIntoFixedBuffersStopsAtTheEnd) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    std::memcpy(buffer, "ab", 3);
    str_concat_assign(buffer, 6, const_cast<char*>("cdefgh"), STR_SIZE_ZSTRING, 0);
    EXPECT_EQ(std::string(buffer), "abcde");
    EXPECT_EQ(buffer[6], '#');

    std::memcpy(buffer, "ab\0#####", 8);
    str_concat_assign(buffer, 6, const_cast<char*>("c"), STR_SIZE_ZSTRING, 1);
    EXPECT_EQ(std::string(buffer, 6), std::string("abc\0\0#", 6));

    std::memcpy(buffer, "ab\0#####", 8);
    str_concat_assign(buffer, 6, const_cast<char*>(""), STR_SIZE_ZSTRING, 1);
    EXPECT_EQ(std::string(buffer, 6), std::string("ab\0###", 6));  // empty source: untouched
}

TEST_F(StringsTest, ConcatAppendsChunksInOrder) {
    std::string expected;
    for (int chunk = 0; chunk < 5; ++chunk) {
        std::string part(1023, char('a' + chunk));
        expected += part;
        str_concat_assign(&desc, STR_SIZE_DESC, part.data(), STR_SIZE_ZSTRING, 0);
    }
    EXPECT_EQ(text(), expected);
    EXPECT_EQ(desc.data[str_length(&desc)], '\0');
}

TEST_F(StringsTest, AppendingAStringToItselfIsSafe) {
    str_assign(&desc, STR_SIZE_DESC, const_cast<char*>("abcdefghij"), STR_SIZE_ZSTRING, 0);
    for (int i = 0; i < 4; ++i) str_concat_assign(&desc, STR_SIZE_DESC, &desc, STR_SIZE_DESC, 0);
    EXPECT_EQ(text().size(), 160u);
    EXPECT_EQ(text().substr(150), "abcdefghij");
    str_assign(&desc, STR_SIZE_DESC, desc.data + 2, STR_SIZE_ZSTRING, 0);
    EXPECT_EQ(text().size(), 158u);
    EXPECT_EQ(text().substr(0, 8), "cdefghij");
}

TEST_F(StringsTest, NullDestinationOnlyReleasesTheSource) {
    StringDesc* temp = str_temp_alloc();
    str_alloc_temp_buffer(temp, 2);
    EXPECT_EQ(str_assign(nullptr, STR_SIZE_DESC, temp, STR_SIZE_DESC, 0), nullptr);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
    temp = str_temp_for_literal("x", 2);
    EXPECT_EQ(str_concat_assign(nullptr, STR_SIZE_DESC, temp, STR_SIZE_DESC, 0), nullptr);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
}

TEST_F(StringsTest, CopyTerminateWritesTheNulAfterTheCount) {
    char buffer[6] = "#####";
    str_copy_terminate(buffer, "abcdef", 3);
    EXPECT_EQ(std::string(buffer, 5), std::string("abc\0#", 5));
    str_copy_terminate(buffer, nullptr, 3);
    EXPECT_EQ(buffer[0], '\0');
}

}  // namespace
