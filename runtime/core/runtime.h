// Start-up and shutdown, the file table and the runtime's error status.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/platform.h"

// The record of one file number. A null stream means the slot is closed.
struct FileSlot {
    std::FILE* stream;
    int32_t attributes[5];  // kept for the record's layout; nothing reads them
    int32_t column;         // print column: 0-based column of the next printed character
};

constexpr int32_t FILE_SLOT_COUNT = 255;

// File numbers 1-255; number n lives in element n - 1.
struct FileTable {
    FileSlot slots[FILE_SLOT_COUNT];
};

// Error numbers recorded in ErrorStatus.
constexpr int32_t ERROR_NONE = 0;
constexpr int32_t ERROR_BAD_ARGUMENT = 1;
constexpr int32_t ERROR_WRITE_FAILED = 3;

struct ErrorStatus {
    int32_t last;  // outcome of the last operation that reports one
};

extern FileTable file_table;
extern ErrorStatus error_status;

// The console output handle obtained at start-up, used by every console operation.
extern platform::HANDLE console_output;

void runtime_init(int argc, char** argv);
[[noreturn]] void runtime_end(int32_t status);

int32_t error_set(int32_t number);
int32_t error_get();

// The slot of file number 1-255, or null for any other number.
FileSlot* file_slot(int32_t file_number);
