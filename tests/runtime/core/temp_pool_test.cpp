// The pool of temporary descriptors: catches a broken in-use list, a full
// pool that hands out garbage, and releases that touch literals or leak.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/core/strings.h"
#include "runtime/core/temp_pool.h"
#include "tests/support/calculator_golden.h"
#include "tests/support/fresh_core.h"

namespace {

class TempPoolTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_core(); }
};

TEST_F(TempPoolTest, LiteralLengthsComeFromTheSizeOrTheText) {
    const char* title = CALCULATOR_TITLE_TEXT;
    struct Case {
        const char* text;
        int32_t size;
        int32_t length;
    } cases[] = {{title, 35, 34}, {"", 1, 0}, {nullptr, 0, 0}, {"abc", 0, 3}, {"abc", -4, 0}};
    for (const Case& c : cases) {
        StringDesc* desc = str_temp_for_literal(c.text, c.size);
        EXPECT_EQ(str_length(desc), c.length) << c.size;
        EXPECT_EQ(desc->capacity, c.length);
        EXPECT_FALSE(str_is_temp(desc));
        EXPECT_EQ(desc->data, c.text);
        EXPECT_EQ(str_release_temp(desc), 0);
    }
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
}

TEST_F(TempPoolTest, The257thRequestFailsUntilOneIsGivenBack) {
    std::vector<StringDesc*> taken;
    for (int i = 0; i < TEMP_DESC_COUNT; ++i) {
        StringDesc* desc = str_temp_alloc();
        ASSERT_NE(desc, nullptr) << i;
        taken.push_back(desc);
    }
    EXPECT_EQ(temp_desc_pool.in_use_count, 256);
    EXPECT_EQ(str_temp_alloc(), nullptr);
    EXPECT_EQ(str_temp_for_literal("x", 2), str_empty());

    EXPECT_EQ(str_temp_free(taken[100]), 0);
    StringDesc* again = str_temp_alloc();
    EXPECT_EQ(again, taken[100]);
    EXPECT_EQ(str_temp_alloc(), nullptr);
}

TEST_F(TempPoolTest, InUseListStaysLinkedWhateverTheOrderOfGivingBack) {
    StringDesc* a = str_temp_alloc();
    StringDesc* b = str_temp_alloc();
    StringDesc* c = str_temp_alloc();
    EXPECT_EQ(&temp_desc_pool.head->desc, c);
    EXPECT_EQ(&temp_desc_pool.tail->desc, a);

    EXPECT_EQ(str_temp_free(b), 0);  // from the middle
    EXPECT_EQ(temp_desc_pool.head->next, temp_desc_pool.tail);
    EXPECT_EQ(temp_desc_pool.tail->prev, temp_desc_pool.head);

    EXPECT_EQ(str_temp_free(a), 0);  // the oldest
    EXPECT_EQ(temp_desc_pool.tail, temp_desc_pool.head);
    EXPECT_EQ(str_temp_free(c), 0);  // the last one
    EXPECT_EQ(temp_desc_pool.head, nullptr);
    EXPECT_EQ(temp_desc_pool.tail, nullptr);
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
}

TEST_F(TempPoolTest, DescriptorsOutsideThePoolAreLeftAlone) {
    char text[] = "keep";
    StringDesc variable{text, 4, 4};
    EXPECT_EQ(str_temp_free(&variable), -1);
    EXPECT_EQ(str_release_temp(&variable), -1);
    EXPECT_EQ(variable.data, text);
    EXPECT_EQ(str_release_temp(str_empty()), -1);
    EXPECT_EQ(str_release_temp(nullptr), -1);

    // An address inside the pool that is not an element's descriptor.
    StringDesc* desc = str_temp_alloc();
    auto* inside = reinterpret_cast<StringDesc*>(reinterpret_cast<char*>(desc) + 4);
    EXPECT_EQ(str_temp_free(inside), -1);
    EXPECT_EQ(temp_desc_pool.in_use_count, 1);
}

TEST_F(TempPoolTest, ReleasingALiteralDescriptorNeverTouchesTheLiteral) {
    static const char literal[] = " km ";
    StringDesc* desc = str_temp_for_literal(literal, sizeof literal);
    EXPECT_EQ(str_release_temp(desc), 0);
    EXPECT_STREQ(literal, " km ");
    EXPECT_EQ(temp_desc_pool.in_use_count, 0);
}

TEST_F(TempPoolTest, ReleasingATemporaryFreesItsBuffer) {
    StringDesc* desc = str_temp_alloc();
    str_alloc_temp_buffer(desc, 5);
    EXPECT_TRUE(str_is_temp(desc));
    EXPECT_EQ(str_length(desc), 5);
    EXPECT_EQ(str_release_temp(desc), 0);  // LeakSanitizer checks the free
    EXPECT_EQ(desc->data, nullptr);
}

}  // namespace
