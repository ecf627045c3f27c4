// Fresh state for every console test: a model console of a given size, the
// runtime started on it, and the console output state as at load.
#pragma once

#include <cstdint>
#include <string>

#include "platform/testing/testing.h"
#include "runtime/console/console_device.h"
#include "runtime/console/print_column.h"
#include "platform/crt/memory.h"
#include "runtime/core/runtime.h"
#include "runtime/core/temp_pool.h"

inline void console_runtime_fresh() {
    runtime_init(0, nullptr);
    console_device_reset();
    print_column_reset();
    str_pool_reset();
    memory_reset();
    error_set(ERROR_NONE);
}

inline void console_start(int32_t width, int32_t height) {
    testing_console_create(width, height);
    console_runtime_fresh();
}

// Standard output is a pipe: the console functions fail, WriteFile's bytes
// are captured.
inline void console_start_redirected() {
    testing_console_redirect();
    console_runtime_fresh();
}

// A view area of rows 1..bottom: resolved while the largest window has
// bottom - 1 rows, then the largest window is the buffer again, so that the
// screen height is height + 1 and the writer does its own scrolling when
// bottom < height + 1.
inline void console_start_with_view(int32_t width, int32_t height, int32_t bottom) {
    console_start(width, height);
    testing_console_set_largest(width, bottom - 1);
    console_get_view(nullptr, nullptr);
    testing_console_set_largest(width, height);
}

inline ScreenBuffer& test_screen() { return testing_console().screen; }

// Rows and columns 1-based, as the runtime counts.
inline int32_t test_cursor_row() { return test_screen().cursor_y + 1; }
inline int32_t test_cursor_col() { return test_screen().cursor_x + 1; }
inline void test_put_cursor(int32_t row, int32_t column) {
    screen_set_cursor(&test_screen(), column - 1, row - 1);
}

inline std::string test_row(int32_t row) { return testing_row_text(row - 1); }

// Every row filled with its own letter ('A' for row 1), so that moved rows
// can be recognised; attribute 0x1E.
inline void test_label_rows() {
    ScreenBuffer& screen = test_screen();
    for (int32_t y = 0; y < screen.height; ++y) {
        for (int32_t x = 0; x < screen.width; ++x) {
            screen.cells[static_cast<std::size_t>(y * screen.width + x)] =
                Cell{static_cast<uint8_t>('A' + y % 26), 0x1E};
        }
    }
}

inline uint16_t test_attribute_at(int32_t row, int32_t column) {
    return screen_cell(&test_screen(), column - 1, row - 1).attr;
}

// What test_label_rows put in row r.
inline std::string test_label_of(int32_t row) {
    return std::string(static_cast<std::size_t>(test_screen().width), static_cast<char>('A' + (row - 1) % 26));
}
