// Faults injected into whole calculator runs against the console model: each
// allocation refused in turn, refusals from some allocation on, WriteFile
// refused from each write on or writing only part of each call. Every run
// must end, give the range of what was typed, return every temporary and
// leave no buffer behind but the input line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/strings.h"
#include "runtime/core/temp_pool.h"
#include "runtime/input/input_fields.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/calculator_golden.h"
#include "tests/support/calculator_run.h"
#include "tests/support/test_heap.h"

namespace {

void foreign_block(void*) { ADD_FAILURE() << "a block freed that the heap never gave out"; }

// What a run leaves to look at.
struct RunResult {
    std::vector<std::string> rows;
    int32_t range_km;
    int32_t temporaries_in_use;
    std::size_t blocks_left;  // after the input line is given back
    uint32_t writes;
    uint64_t allocations;
};

constexpr int32_t TYPED_RANGE = 60;

// What the user types: two short answers, or a first answer longer than one
// chunk of line input, which the line grows to hold piece by piece.
std::string typed_text(bool long_answer) {
    return (long_answer ? std::string(2500, '1') : std::string(FINISHED_TX)) + "\r" + FINISHED_RX + "\r";
}

class FaultInjectionTest : public ::testing::Test {
protected:
    void TearDown() override { memory_reset(); }

    // One whole run; `faults` is applied to the fresh console before it starts.
    static RunResult run(int64_t refuse_at, bool refuse_from_on, const ConsoleFaults& faults,
                         bool long_answer = false) {
        calculator_run_typed(
            {.typed = typed_text(long_answer), .prepare = [&] {
                 testing_hooks().faults = faults;
                 test_heap_install(HeapRefusals{refuse_at, refuse_from_on, 0, SIZE_MAX}, foreign_block);
             }});

        RunResult result{};
        for (int32_t row = 0; row < 25; ++row) result.rows.push_back(testing_row_text(row));
        result.range_km = calculator.range_km;
        result.temporaries_in_use = temp_desc_pool.in_use_count;
        result.writes = testing_hooks().counters.calls[CONSOLE_CALL_WRITE_FILE];
        result.allocations = test_heap.requests;
        input_context_fresh();
        // The platform's own blocks (the renderer's, the line editor's) go
        // back too; the console's cells came from the C library before the
        // heap was put in.
        test_heap.foreign = nullptr;
        testing_console_destroy();
        result.blocks_left = test_heap.live.size();
        memory_reset();
        return result;
    }

    static ConsoleFaults no_faults() { return ConsoleFaults{false, -1, -1}; }
};

TEST_F(FaultInjectionTest, EachAllocationRefusedInTurnChangesNothingTheUserSees) {
    for (bool long_answer : {false, true}) {
        RunResult clean = run(-1, false, no_faults(), long_answer);
        ASSERT_GT(clean.allocations, 0u);
        ASSERT_EQ(clean.blocks_left, 0u);
        RecordProperty(long_answer ? "allocations_long" : "allocations", std::to_string(clean.allocations));
        // One refusal is met by the exact-size retry: the same screen every time.
        for (uint64_t k = 0; k < clean.allocations; ++k) {
            RunResult faulty = run(static_cast<int64_t>(k), false, no_faults(), long_answer);
            SCOPED_TRACE("allocation " + std::to_string(k) + " refused, long answer " + std::to_string(long_answer));
            EXPECT_EQ(test_heap.refused, 1u);
            EXPECT_EQ(faulty.rows, clean.rows);
            EXPECT_EQ(faulty.range_km, clean.range_km);
            EXPECT_EQ(faulty.temporaries_in_use, 0);
            EXPECT_EQ(faulty.blocks_left, 0u);
        }
    }
}

TEST_F(FaultInjectionTest, NoMemoryFromSomeAllocationOnStillEndsTheRun) {
    for (bool long_answer : {false, true}) {
        RunResult clean = run(-1, false, no_faults(), long_answer);
        // From request k on nothing is granted: texts that needed a buffer
        // come out empty (the title's gap, an answer), and the run goes on.
        for (uint64_t k = 0; k <= clean.allocations; ++k) {
            RunResult faulty = run(static_cast<int64_t>(k), true, no_faults(), long_answer);
            SCOPED_TRACE("refused from allocation " + std::to_string(k) + " on");
            EXPECT_EQ(faulty.temporaries_in_use, 0);
            EXPECT_EQ(faulty.blocks_left, 0u);
            EXPECT_EQ(faulty.rows[24].substr(11, 29), CALCULATOR_PRESS_KEY);
            EXPECT_GE(testing_now_ms(), 60000u) << "the key wait was skipped";
        }
    }
    RunResult starved = run(0, true, no_faults());
    EXPECT_EQ(starved.range_km, 0);  // both answers lost with their buffers
    EXPECT_EQ(starved.rows[0].substr(0, 34), CALCULATOR_TITLE_TEXT);
}

TEST_F(FaultInjectionTest, WritesRefusedFromEachWriteOnLoseOnlyTheScreenNotTheAnswers) {
    RunResult clean = run(-1, false, no_faults());
    ASSERT_GT(clean.writes, 0u);
    RecordProperty("writes", std::to_string(clean.writes));
    for (uint32_t k = 0; k <= clean.writes; ++k) {
        RunResult faulty = run(-1, false, ConsoleFaults{false, -1, static_cast<int32_t>(k)});
        SCOPED_TRACE("writes refused after " + std::to_string(k));
        EXPECT_EQ(faulty.range_km, TYPED_RANGE);
        EXPECT_EQ(faulty.temporaries_in_use, 0);
        EXPECT_EQ(faulty.blocks_left, 0u);
        // The typed answers are echoed by the console's line editing, not
        // written by the program: they show whatever became of the writes.
        EXPECT_EQ(faulty.rows[7].substr(39, 3), FINISHED_TX);
        EXPECT_EQ(faulty.rows[9].substr(39, 2), FINISHED_RX);
        EXPECT_GE(testing_now_ms(), 60000u);
    }
    RunResult none = run(-1, false, ConsoleFaults{false, -1, 0});
    EXPECT_EQ(none.rows[0], std::string(80, ' '));
}

TEST_F(FaultInjectionTest, ShortWritesAreCarriedOnUntilEverythingIsWritten) {
    RunResult clean = run(-1, false, no_faults());
    for (int64_t limit : {1, 2, 3, 5, 7, 13, 14, 29, 79, 80}) {
        RunResult faulty = run(-1, false, ConsoleFaults{false, limit, -1});
        SCOPED_TRACE("at most " + std::to_string(limit) + " bytes a write");
        EXPECT_EQ(faulty.rows, clean.rows);
        EXPECT_EQ(faulty.range_km, TYPED_RANGE);
        EXPECT_EQ(faulty.temporaries_in_use, 0);
        EXPECT_EQ(faulty.blocks_left, 0u);
    }
    // A write that claims success with nothing written ends the text there
    // instead of looping for ever.
    RunResult stuck = run(-1, false, ConsoleFaults{false, 0, -1});
    EXPECT_EQ(stuck.range_km, TYPED_RANGE);
    EXPECT_EQ(stuck.rows[0], std::string(80, ' '));
}

TEST_F(FaultInjectionTest, AConsoleThatCannotBeAskedStillRunsToTheEnd) {
    RunResult faulty = run(-1, false, ConsoleFaults{true, -1, -1});
    EXPECT_EQ(faulty.range_km, TYPED_RANGE);
    EXPECT_EQ(faulty.temporaries_in_use, 0);
    EXPECT_EQ(faulty.blocks_left, 0u);
    EXPECT_GE(testing_now_ms(), 60000u);
}

}  // namespace
