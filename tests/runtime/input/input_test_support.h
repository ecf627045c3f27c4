// Shared set-up of the input tests: the whole runtime fresh on an 80x25
// console model for every test, and the current line as text.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/core/runtime.h"
#include "runtime/core/strings.h"
#include "runtime/core/temp_pool.h"
#include "runtime/input/input_fields.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/runtime_fresh.h"

class InputTest : public ::testing::Test {
protected:
    void SetUp() override { fresh_runtime(80, 25); }
    void TearDown() override { input_context_reset(); }

    // Makes `text` the current line, read from its start.
    static void set_line(const std::string& text) {
        input_context_reset();
        str_assign(&input_context.line, STR_SIZE_DESC, const_cast<char*>(text.c_str()), STR_SIZE_ZSTRING, 0);
    }

    // What the field readers have not taken yet.
    static std::string rest_of_line() {
        const StringDesc& line = input_context.line;
        int32_t length = str_length(&line);
        if (line.data == nullptr || input_context.read_index >= length) return {};
        return std::string(line.data + input_context.read_index,
                           static_cast<std::size_t>(length - input_context.read_index));
    }

    static std::string line_text() {
        const StringDesc& line = input_context.line;
        if (line.data == nullptr) return {};
        return std::string(line.data, static_cast<std::size_t>(str_length(&line)));
    }
};
