// Line input: one whole line from standard input (the console) or a file
// slot, read in chunks, stripped of its line end and stored in a string
// descriptor or a byte buffer; on the console, the prompt before it and the
// cursor put back after the typed text.
#include "runtime/input/line_input.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "runtime/console/console_device.h"
#include "runtime/console/print.h"
#include "runtime/core/runtime.h"
#include "runtime/input/input_fields.h"

namespace {

constexpr int32_t CONSOLE_FILE_NUMBER = 0;
constexpr int32_t LAST_FILE_NUMBER = 255;
constexpr int32_t CHUNK_SIZE = 1024;
// A chunk this long filled the buffer without reaching a line end.
constexpr int64_t CHUNK_FULL = CHUNK_SIZE - 1;
constexpr char QUESTION_TEXT[] = "? ";
// A CR held back at the end of a full chunk, put back when the next chunk
// shows it was not the start of a CR LF.
constexpr char CR_TEXT[] = "\r";

void print_prompt(StringDesc* prompt, int32_t question) {
    if (prompt == nullptr) return;
    if (prompt->data != nullptr) {
        print_string(CONSOLE_FILE_NUMBER, prompt, 0);
    } else {
        // The print layer is not handed a prompt without text, so it would
        // not release it; a temporary must still go back to the pool.
        str_release_temp(prompt);
    }
    if (question != 0) print_zstring(CONSOLE_FILE_NUMBER, QUESTION_TEXT, 0);
}

char* read_chunk(int32_t file_number, char* chunk, std::FILE* stream) {
    if (file_number == CONSOLE_FILE_NUMBER) return platform::fgets(chunk, CHUNK_SIZE, stdin);
    return std::fgets(chunk, CHUNK_SIZE, stream);
}

// Strips a trailing LF, CR or CR LF.
void strip_line_end(char* chunk) {
    auto n = static_cast<int64_t>(std::strlen(chunk));
    if (n > 0 && (chunk[n - 1] == '\r' || chunk[n - 1] == '\n')) {
        bool was_lf = chunk[n - 1] == '\n';
        n -= 1;
        if (was_lf && n > 0 && chunk[n - 1] == '\r') n -= 1;
    }
    chunk[n] = '\0';
}

// The chunk filled the buffer and holds no line end: the line goes on in
// the next one.
bool chunk_goes_on(const char* chunk) {
    return static_cast<int64_t>(std::strlen(chunk)) == CHUNK_FULL && chunk[CHUNK_FULL - 1] != '\n';
}

// Stores text as the line's start (total 0) or after what is stored;
// returns its length.
int64_t line_append(void* destination, int32_t size_code, int32_t fill, int64_t total, const char* text) {
    if (total == 0) {
        str_assign(destination, size_code, const_cast<char*>(text), STR_SIZE_ZSTRING, fill);
    } else {
        str_concat_assign(destination, size_code, const_cast<char*>(text), STR_SIZE_ZSTRING, fill);
    }
    return static_cast<int64_t>(std::strlen(text));
}

void destination_empty(void* destination, int32_t size_code) {
    if (destination == nullptr) return;
    if (size_code == STR_SIZE_DESC) {
        str_delete(static_cast<StringDesc*>(destination));
    } else {
        static_cast<char*>(destination)[0] = '\0';
    }
}

int64_t destination_length(const void* destination, int32_t size_code) {
    if (destination == nullptr) return 0;
    if (size_code == STR_SIZE_DESC) return str_length(static_cast<const StringDesc*>(destination));
    const auto* text = static_cast<const char*>(destination);
    if (size_code > 0) return static_cast<int64_t>(strnlen(text, static_cast<std::size_t>(size_code)));
    return static_cast<int64_t>(std::strlen(text));
}

// Enter moved the cursor to the start of the next row; put it back just
// after the typed text, on the row where that text ended.
void cursor_after_text(int32_t start_column, int64_t length) {
    int32_t width = 0;
    console_get_size(&width, nullptr);  // never below 1
    int64_t offset = static_cast<int64_t>(start_column) - 1 + length;
    int64_t column = offset % width;
    if (column < 0) column += width;
    int32_t row = console_cursor_row();
    console_locate(row - 1, static_cast<int32_t>(column + 1), -1);
}

}  // namespace

int32_t input_line(int32_t file_number, StringDesc* prompt, void* destination, int32_t size_code, int32_t fill,
                   int32_t question, int32_t newline) {
    if (static_cast<uint32_t>(file_number) > static_cast<uint32_t>(LAST_FILE_NUMBER)) {
        return error_set(ERROR_BAD_ARGUMENT);
    }
    std::FILE* stream = stdin;
    if (file_number != CONSOLE_FILE_NUMBER) {
        FileSlot* slot = file_slot(file_number);
        stream = slot != nullptr ? slot->stream : nullptr;
    }
    if (stream == nullptr) return error_set(ERROR_BAD_ARGUMENT);

    bool console = file_number == CONSOLE_FILE_NUMBER;
    bool step_back = console && newline == 0;
    int32_t start_column = 0;
    if (console) {
        print_prompt(prompt, question);
        if (step_back) console_get_cursor(&start_column, nullptr);
    }

    char chunk[CHUNK_SIZE];
    int64_t total = 0;
    bool held_cr = false;
    for (;;) {
        if (read_chunk(file_number, chunk, stream) == nullptr) {
            if (total == 0) destination_empty(destination, size_code);
            break;
        }
        // Whether the line goes on is told by the bytes as read: a full
        // chunk that ends in a CR may have its LF at the start of the next.
        bool goes_on = chunk_goes_on(chunk);
        if (held_cr && chunk[0] != '\n') total += line_append(destination, size_code, fill, total, CR_TEXT);
        held_cr = goes_on && chunk[CHUNK_FULL - 1] == '\r';
        strip_line_end(chunk);
        total += line_append(destination, size_code, fill, total, chunk);
        if (!goes_on) break;
    }

    if (step_back) cursor_after_text(start_column, destination_length(destination, size_code));
    return error_set(ERROR_NONE);
}

int32_t input_line_console(StringDesc* prompt, void* destination, int32_t size_code, int32_t fill, int32_t question,
                           int32_t newline) {
    return input_line(CONSOLE_FILE_NUMBER, prompt, destination, size_code, fill, question, newline);
}

int32_t input_line_file(int32_t file_number, void* destination, int32_t size_code, int32_t fill) {
    return input_line(file_number, nullptr, destination, size_code, fill, 0, 0);
}

int32_t console_input(StringDesc* prompt, int32_t question, int32_t newline) {
    input_context.stream = nullptr;
    input_context.read_index = 0;
    return input_line_console(prompt, &input_context.line, STR_SIZE_DESC, 0, question, newline);
}
