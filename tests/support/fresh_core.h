// The runtime's core as a fresh process has it: the C library's heap, the
// file table, the rounding mode, the pool of temporaries and no error. Built
// for Windows too, where there is no console model (runtime_fresh.h builds
// the other layers on it).
#pragma once

#include "platform/crt/memory.h"
#include "runtime/core/console_output.h"
#include "runtime/core/runtime.h"
#include "runtime/core/temp_pool.h"

// The heap, the runtime and the temporaries' pool as at start-up.
inline void fresh_core() {
    memory_reset();
    runtime_init(0, nullptr);
    str_pool_reset();
    error_set(ERROR_NONE);
}
