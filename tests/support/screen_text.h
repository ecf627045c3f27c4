// What a screen holds, read back: characters as text, attributes, the cursor.
#pragma once

#include <cstdint>
#include <string>

#include "platform/model/screen_buffer.h"
#include "tests/platform/testing/testing.h"

// `length` characters of a screen buffer's 0-based row from a 0-based
// column; the rest of the row when length < 0.
inline std::string screen_row_text(const ScreenBuffer& screen, int32_t row, int32_t column = 0, int32_t length = -1) {
    int32_t end = length < 0 ? screen.width : column + length;
    std::string text;
    for (int32_t x = column; x < end; ++x) text.push_back(static_cast<char>(screen_cell(&screen, x, row).ch));
    return text;
}

// The console model's characters from a 1-based row and column, as the
// runtime counts; the rest of the row when length < 0.
inline std::string model_text(int32_t row, int32_t column = 1, int32_t length = -1) {
    std::string text = testing_row_text(row - 1);
    std::size_t count = length < 0 ? std::string::npos : static_cast<std::size_t>(length);
    return text.substr(static_cast<std::size_t>(column - 1), count);
}

// The attribute of a 1-based cell of the console model.
inline uint16_t model_attribute(int32_t row, int32_t column) {
    return screen_cell(&testing_console().screen, column - 1, row - 1).attr;
}

// The console model's cursor, 1-based.
inline int32_t model_cursor_row() { return testing_console().screen.cursor_y + 1; }
inline int32_t model_cursor_column() { return testing_console().screen.cursor_x + 1; }
