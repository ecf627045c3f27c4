// A fresh process as far as the runtime can tell, one start per layer, each
// putting back every static of its layer and of the layers under it, so that
// no test depends on what ran before it. The C library's heap comes back
// first: the console model's own blocks go through the allocation seam.
#pragma once

#include <cstdint>

#include "runtime/console/console_device.h"
#include "runtime/console/print_column.h"
#include "runtime/core/temp_pool.h"
#include "runtime/input/input_fields.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/fresh_core.h"

// The core and the console layer fresh, on whatever console the caller made.
inline void fresh_console_layers() {
    fresh_core();
    console_device_reset();
    print_column_reset();
}

// A width x height console model, the core and the console layer fresh.
inline void fresh_console(int32_t width, int32_t height) {
    memory_reset();
    testing_console_create(width, height);
    fresh_console_layers();
}

// The same with standard output a pipe: the console functions fail and
// WriteFile's bytes are captured.
inline void fresh_console_redirected() {
    memory_reset();
    testing_console_redirect();
    fresh_console_layers();
}

// The input context as at start: no line, no stream.
inline void input_context_fresh() {
    str_delete(&input_context.line);
    input_context = InputContext{};
}

// The whole runtime, input layer and all, on a width x height console model:
// where the runtime's own tests of input and whole calculator runs start.
inline void fresh_runtime(int32_t width, int32_t height) {
    fresh_console(width, height);
    input_context_fresh();
}
