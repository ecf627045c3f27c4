// Start-up puts the runtime into a known state; shutdown leaves through exit,
// which runs the atexit handlers (the platform restores the terminal there)
// and flushes the standard streams.
#include "runtime/core/runtime.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "runtime/core/console_output.h"

FileTable file_table;
ErrorStatus error_status;
platform::HANDLE console_output;

void runtime_init(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::memset(&file_table, 0, sizeof file_table);
    // 64-bit significand, round to nearest even; the exception masks stay as
    // the process started (all masked).
    platform::_controlfp(platform::_PC_64 | platform::_RC_NEAR, platform::_MCW_PC | platform::_MCW_RC);
    console_output = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
}

void runtime_end(int32_t status) { std::exit(status); }

int32_t error_set(int32_t number) {
    error_status.last = number;
    return number;
}

int32_t error_get() { return error_status.last; }

FileSlot* file_slot(int32_t file_number) {
    if (file_number < 1 || file_number > FILE_SLOT_COUNT) return nullptr;
    return &file_table.slots[file_number - 1];
}
