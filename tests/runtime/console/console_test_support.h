// What the console tests share: a fresh console with a resolved view area,
// the cursor and cells 1-based, as the runtime counts, and labelled rows.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/core/temp_pool.h"
#include "tests/support/runtime_fresh.h"
#include "tests/support/screen_text.h"

// A view area of rows 1..bottom: resolved while the largest window has
// bottom - 1 rows, then the largest window is the buffer again, so that the
// screen height is height + 1 and the writer does its own scrolling when
// bottom < height + 1.
inline void fresh_console_with_view(int32_t width, int32_t height, int32_t bottom) {
    fresh_console(width, height);
    testing_console_set_largest(width, bottom - 1);
    console_get_view(nullptr, nullptr);
    testing_console_set_largest(width, height);
}

inline ScreenBuffer& test_screen() { return testing_console().screen; }

// Rows and columns 1-based, as the runtime counts.
inline void test_put_cursor(int32_t row, int32_t column) { screen_set_cursor(&test_screen(), column - 1, row - 1); }

// Every row filled with its own letter ('A' for row 1), so that moved rows
// can be recognised; attribute 0x1E.
inline void test_label_rows() {
    ScreenBuffer& screen = test_screen();
    for (int32_t y = 0; y < screen.height; ++y) {
        auto width = static_cast<uint32_t>(screen.width);
        screen_fill_character(&screen, static_cast<uint8_t>('A' + y % 26), width, 0, y);
        screen_fill_attribute(&screen, 0x1E, width, 0, y);
    }
}

// What test_label_rows put in row r.
inline std::string test_label_of(int32_t row) {
    return std::string(static_cast<std::size_t>(test_screen().width), static_cast<char>('A' + (row - 1) % 26));
}
