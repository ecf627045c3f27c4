// The field tokenizer: one field of the input source, split at commas, blanks
// outside double quotes and line ends, cut at the reader's limit.
#include "runtime/input/input_fields.h"

namespace {

constexpr int32_t END_OF_INPUT = -1;
constexpr int32_t CHAR_TAB = 9;
constexpr int32_t CHAR_LF = 10;
constexpr int32_t CHAR_CR = 13;
constexpr int32_t CHAR_SPACE = 32;
constexpr int32_t CHAR_QUOTE = 34;
constexpr int32_t CHAR_COMMA = 44;

bool is_blank(int32_t c) { return c == CHAR_SPACE || c == CHAR_TAB; }

// A CR ends a line whether or not a LF follows it; the LF, when there, goes
// with it. Anything else (the end of input too) is pushed back.
void take_line_end_after_cr() {
    int32_t next = input_read_char();
    if (next != CHAR_LF) input_unread_char(next);
}

// After a closing quote of a string field: blanks up to the separator are
// not part of anything, and the separator itself belongs to this field.
void finish_after_quote(int32_t c) {
    while (is_blank(c)) c = input_read_char();
    if (c == CHAR_CR) {
        take_line_end_after_cr();
        return;
    }
    if (c == CHAR_COMMA || c == END_OF_INPUT) return;
    input_unread_char(c);
}

}  // namespace

void input_next_field(char* buffer, int32_t limit, int32_t keep_blanks) {
    // The buffer holds limit + 1 bytes; with no room for a character the
    // field is empty and the input is left alone.
    if (limit < 1) {
        buffer[0] = '\0';
        return;
    }

    int32_t c = input_read_char();
    while (is_blank(c) || c == CHAR_LF || c == CHAR_CR) c = input_read_char();

    int32_t count = 0;
    bool in_quotes = false;
    bool after_quote = false;

    while (c != END_OF_INPUT) {
        bool store = false;
        bool ended = false;
        if (is_blank(c)) {
            if (count == 0) {
                store = keep_blanks != 0 && in_quotes;
            } else {
                store = keep_blanks != 0 || in_quotes;
                ended = !store;
            }
        } else if (c == CHAR_LF) {
            ended = true;
        } else if (c == CHAR_CR) {
            take_line_end_after_cr();
            ended = true;
        } else if (c == CHAR_QUOTE && !in_quotes) {
            if (count == 0) {
                in_quotes = true;
            } else {
                store = true;
            }
        } else if (c == CHAR_QUOTE) {
            in_quotes = false;
            // A string field ends at its closing quote; a numeric one runs on,
            // so that "12"34 reads as 1234.
            if (keep_blanks != 0) {
                c = input_read_char();
                after_quote = true;
                ended = true;
            }
        } else if (c == CHAR_COMMA) {
            store = in_quotes;
            ended = !in_quotes;
        } else {
            store = true;
        }

        if (store) {
            buffer[count] = static_cast<char>(static_cast<unsigned char>(c));
            count += 1;
        }
        if (ended || count >= limit) break;
        c = input_read_char();
    }

    buffer[count] = '\0';
    if (after_quote) finish_after_quote(c);
}
