// The terminal end of the console: bytes in, bytes out, size, and the clock.
// The real terminal fills this record with functions on file descriptors;
// tests fill it with a scripted terminal and a simulated clock.
#pragma once

#include <cstddef>
#include <cstdint>

struct TerminalIo {
    // Reads up to `capacity` typed bytes, waiting at most timeout_ms
    // (-1: no limit; 0: only what is there). Returns the count, 0 when the
    // time ran out, -1 when input has ended for good.
    int64_t (*read)(uint8_t* bytes, std::size_t capacity, int32_t timeout_ms);
    // Writes every byte; false when the terminal is gone.
    bool (*write)(const uint8_t* bytes, std::size_t length);
    // The terminal's size in columns and rows; false when it cannot say.
    bool (*size)(int32_t* columns, int32_t* rows);
    // Milliseconds from an arbitrary start; never goes back.
    uint64_t (*now_ms)();
    // Sleeps the whole time.
    void (*sleep_ms)(uint32_t milliseconds);
};
