// Start-up and shutdown, the file table and the runtime's error status.
#pragma once

#include <cstdint>
#include <cstdio>

// The record of one file number. A null stream means the slot is closed.
struct FileSlot {
    std::FILE* stream;      // the open file, or null
    int32_t attributes[5];  // kept for the record's layout; nothing reads them
    int32_t column;         // print column: 0-based column of the next printed character
};

constexpr int32_t FILE_SLOT_COUNT = 255;

// The records of file numbers 1-255.
struct FileTable {
    FileSlot slots[FILE_SLOT_COUNT];  // indexed by file number - 1
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

// Empties the file table (streams left open), sets FPU precision 64 bits, round to nearest, takes the console handle.
void runtime_init(int argc, char** argv);
// Ends the process with status through exit, so atexit handlers run and the standard streams are flushed.
[[noreturn]] void runtime_end(int32_t status);

// Records number as the outcome of the last operation, and returns it.
int32_t error_set(int32_t number);
// The number last recorded by error_set.
int32_t error_get();

// The slot of file number 1-255, or null for any other number.
FileSlot* file_slot(int32_t file_number);
