// The whole calculator run against the console model with typed input: for
// the calculator, fault, oracle and fuzz tests. No GoogleTest here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/calculator.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/runtime_fresh.h"

struct CalculatorRun {
    std::string typed = "";      // there from the start
    const char* key = "x";       // typed at key_at_ms; null: the input ends after `typed`
    uint64_t key_at_ms = 60000;  // long after the answers: the key wait has begun by then
    int32_t width = 80;          // the console model's size
    int32_t height = 25;
    bool on_terminal = false;                 // the model set up as on a terminal of that size (buffer >= 80x25)
    std::function<void()> prepare = nullptr;  // on the fresh console before typing: faults, a heap, hooks
};

// A fresh runtime and calculator, the input typed, then calculator_run().
inline void calculator_run_typed(const CalculatorRun& run) {
    fresh_runtime(run.width, run.height);
    if (run.on_terminal) testing_console_on_terminal(run.width, run.height);
    calculator = CalculatorVariables{};
    if (run.prepare) run.prepare();
    if (!run.typed.empty()) testing_type(run.typed);
    if (run.key != nullptr) {
        testing_type_at(run.key_at_ms, run.key);
    } else {
        testing_end_input();
    }
    calculator_run();
}
