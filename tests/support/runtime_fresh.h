// A fresh process as far as the runtime can tell: a console model of the
// given size, the runtime started, and every static of its layers put back.
// Tests that run the runtime or the whole calculator start from here.
#pragma once

#include <cstdint>

#include "platform/testing/testing.h"
#include "runtime/console/console_device.h"
#include "runtime/console/print_column.h"
#include "platform/crt/memory.h"
#include "runtime/core/runtime.h"
#include "runtime/core/temp_pool.h"
#include "runtime/input/input_fields.h"

inline void testing_runtime_start(int32_t width, int32_t height) {
    testing_console_create(width, height);
    runtime_init(0, nullptr);
    console_device_reset();
    print_column_reset();
    str_pool_reset();
    input_context_reset();
    memory_reset();
    error_set(ERROR_NONE);
}
