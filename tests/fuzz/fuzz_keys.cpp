// Fuzz target for the keyboard: the key decoder on any byte stream cut into
// any chunks at any times, the line editor on any keys with resizes between
// them, and both together behind fgets, _kbhit and _getch on a scripted
// terminal. Every byte is consumed, every key is a code or a valid lead and
// code pair, and the edited line and its echo on the screen agree.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "platform/keyboard/key_decoder.h"
#include "platform/keyboard/line_editor.h"
#include "platform/terminal/terminal_session.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/calculator_run.h"
#include "tests/support/terminal_resizes.h"

namespace {

void check_key(const Key& key) {
    if (key.extended) {
        FUZZ_CHECK(key.lead == 0 || key.lead == 224);
    } else {
        FUZZ_CHECK(key.lead == 0);
    }
}

// What a byte that needs no sequence decodes to, alone.
Key plain_key(uint8_t byte) {
    if (byte == 0) return Key{true, 0, 3};
    if (byte == 0x7F) return Key{false, 0, 8};
    return Key{false, 0, byte};
}

void fuzz_decoder(FuzzedDataProvider& data) {
    KeyDecoder* decoder = new KeyDecoder;
    key_decoder_init(decoder);
    std::string all;
    std::vector<Key> keys;
    uint64_t now = 0;
    while (data.remaining_bytes() > 0) {
        std::string chunk = data.ConsumeRandomLengthString(64);
        all += chunk;
        now += data.ConsumeIntegralInRange<uint64_t>(0, 120);
        key_decoder_feed(decoder, reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size(), now);
        FUZZ_CHECK(decoder->pending_length <= sizeof decoder->pending);
        FUZZ_CHECK(decoder->queue_count <= KEY_QUEUE_CAPACITY);
        int64_t deadline = key_decoder_deadline(decoder);
        FUZZ_CHECK((deadline < 0) == (decoder->pending_length == 0));
        if (data.ConsumeBool()) {
            now += data.ConsumeIntegralInRange<uint64_t>(0, 120);
            key_decoder_tick(decoder, now);
            // Once the deadline has passed nothing is left pending.
            if (deadline >= 0 && now >= static_cast<uint64_t>(deadline)) FUZZ_CHECK(decoder->pending_length == 0);
        }
        Key key{};
        int32_t take = data.ConsumeIntegralInRange<int32_t>(0, 300);
        for (int32_t i = 0; i < take && key_decoder_take(decoder, &key); ++i) {
            check_key(key);
            keys.push_back(key);
        }
    }
    key_decoder_flush(decoder);
    // Every byte is taken: nothing pending, no deadline.
    FUZZ_CHECK(decoder->pending_length == 0);
    FUZZ_CHECK(key_decoder_deadline(decoder) == -1);
    Key key{};
    while (key_decoder_take(decoder, &key)) {
        check_key(key);
        keys.push_back(key);
    }
    FUZZ_CHECK(!key_decoder_has_key(decoder));
    // No key comes from nothing: each needs at least one byte.
    FUZZ_CHECK(keys.size() <= all.size());
    // Without Esc and without upper-half bytes every byte is one key. The
    // queue may have dropped keys when it was full.
    bool plain = true;
    for (char c : all) plain = plain && c != 0x1B && static_cast<unsigned char>(c) < 0x80;
    if (plain && keys.size() == all.size()) {
        for (std::size_t i = 0; i < all.size(); ++i) {
            Key expected = plain_key(static_cast<uint8_t>(all[i]));
            FUZZ_CHECK(keys[i].extended == expected.extended && keys[i].lead == expected.lead &&
                       keys[i].code == expected.code);
        }
    }
    delete decoder;
}

// The cells a character of the line takes from cell number `cell`: one, a
// Ctrl+Z two (^Z), a Tab the blanks up to the next multiple of 8 columns or
// the right edge.
int64_t echo_cells(uint8_t byte, int64_t cell, int32_t width) {
    if (byte == 0x1A) return 2;
    if (byte != '\t') return 1;
    int64_t x = ((cell % width) + width) % width;
    return std::min<int64_t>((x / 8 + 1) * 8, width) - x;
}

// The character the echo of `byte` shows in its k-th cell.
uint8_t echo_char(uint8_t byte, int64_t k) {
    if (byte == 0x1A) return k == 0 ? '^' : 'Z';
    return byte == '\t' ? ' ' : byte;
}

// Whether a popup open stands over cell number `cell`, hiding the echo there.
bool under_popup(const LineEditor& editor, const ScreenBuffer& screen, int64_t cell) {
    auto x = static_cast<int32_t>(cell % screen.width);
    auto y = static_cast<int32_t>(cell / screen.width);
    for (uint32_t i = 0; i < editor.popup_count; ++i) {
        const LinePopup& p = editor.popups[i];
        if (x >= p.left && x < p.left + p.width && y >= p.top && y < p.top + p.height) return true;
    }
    return false;
}

// The echo of the line as the screen holds it: every visible character of
// the line in its cell (a Tab as blanks, a Ctrl+Z as ^Z) where no popup
// stands over it, the cursor at the insertion point.
void check_echo(const LineEditor& editor, const ScreenBuffer& screen) {
    FUZZ_CHECK(editor.cursor <= editor.text.length);
    FUZZ_CHECK(screen.popup_shown == (editor.popup_count > 0));
    for (uint32_t i = 0; i < editor.text.length; ++i) {
        uint8_t byte = editor.text.bytes[i];
        FUZZ_CHECK((byte >= 0x20 || byte == '\t' || byte == 0x1A) && byte != 0x7F);
    }
    int64_t cells = int64_t{screen.width} * screen.height;
    int64_t start_y = editor.start_row - static_cast<int64_t>(screen.scrolls);
    int64_t cell = screen_cell_index(screen.width, editor.start_x, std::max<int64_t>(start_y, INT32_MIN / 2));
    int64_t cursor = cell;
    for (uint32_t i = 0; i < editor.text.length; ++i) {
        uint8_t byte = editor.text.bytes[i];
        int64_t taken = echo_cells(byte, cell, screen.width);
        for (int64_t k = 0; k < taken; ++k) {
            if (cell + k < 0 || cell + k >= cells || under_popup(editor, screen, cell + k)) continue;
            FUZZ_CHECK(screen.cells[static_cast<std::size_t>(cell + k)].ch == echo_char(byte, k));
        }
        cell += taken;
        if (i + 1 == editor.cursor) cursor = cell;
    }
    cursor = std::clamp<int64_t>(cursor, 0, cells - 1);
    FUZZ_CHECK(screen_cell_index(screen.width, screen.cursor_x, screen.cursor_y) == cursor);
}

Key any_key(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return Key{false, 0, static_cast<uint8_t>(data.ConsumeIntegralInRange<int>(0x20, 0x7E))};
    case 1: {
        static const uint8_t EDITING[] = {8, 10, 13, 27, 4, 0x7F, 1, 26, 9};
        return Key{false, 0, EDITING[data.ConsumeIntegralInRange<std::size_t>(0, sizeof EDITING - 1)]};
    }
    case 2: {
        static const uint8_t EXTENDED[] = {72,  80, 75, 77, 71, 79, 73, 81, 82, 83, 115, 116, 119,
                                           117, 59, 60, 61, 62, 63, 64, 65, 66, 67, 110, 133};
        return Key{true, static_cast<uint8_t>(data.ConsumeBool() ? 224 : 0),
                   EXTENDED[data.ConsumeIntegralInRange<std::size_t>(0, sizeof EXTENDED - 1)]};
    }
    default:
        return Key{data.ConsumeBool(), static_cast<uint8_t>(data.ConsumeBool() ? 224 : 0),
                   data.ConsumeIntegral<uint8_t>()};
    }
}

void fuzz_editor(FuzzedDataProvider& data) {
    ScreenBuffer screen{};
    screen_init(&screen, data.ConsumeIntegralInRange<int32_t>(1, 90), data.ConsumeIntegralInRange<int32_t>(1, 30));
    screen_set_cursor(&screen, data.ConsumeIntegralInRange<int32_t>(0, screen.width - 1),
                      data.ConsumeIntegralInRange<int32_t>(0, screen.height - 1));
    LineEditor editor{};
    line_editor_init(&editor);
    line_editor_begin(&editor, &screen);
    for (int32_t step = 0; step < 400 && data.remaining_bytes() > 0; ++step) {
        if (data.ConsumeIntegralInRange<int>(0, 15) == 0) {
            // The terminal was resized: the buffer grows to it, or the
            // window alone changes, and no cell changes; the keyboard then
            // has the editor follow the new size before it waits again.
            std::vector<Cell> before = fuzz_cells(screen);
            int32_t width = screen.width;
            int32_t height = screen.height;
            screen_fit_terminal(&screen, data.ConsumeIntegralInRange<int32_t>(1, 90),
                                data.ConsumeIntegralInRange<int32_t>(1, 30));
            fuzz_check_resize_kept(before, width, height, screen);
            fuzz_check_window(screen);
            line_editor_follow(&editor, &screen);
            check_echo(editor, screen);
            fuzz_check_window(screen);
            continue;
        }
        Key key = any_key(data);
        FuzzRecord before = fuzz_record(screen);
        LineEditorResult result = line_editor_key(&editor, &screen, key);
        fuzz_check_counted(before, screen);
        FUZZ_CHECK(screen.cursor_x >= 0 && screen.cursor_x < screen.width);
        FUZZ_CHECK(screen.cursor_y >= 0 && screen.cursor_y < screen.height);
        FUZZ_CHECK(screen.cells != nullptr);
        fuzz_check_window(screen);
        if (result == LINE_EDITOR_EDITING) {
            check_echo(editor, screen);
        } else {
            FUZZ_CHECK(result == LINE_EDITOR_DONE || editor.text.length == 0);
            FUZZ_CHECK(editor.history_count <= LINE_HISTORY_CAPACITY);
            line_editor_begin(&editor, &screen);
        }
    }
    line_editor_init(&editor);
    screen_free(&screen);
}

// fgets, _kbhit and _getch on typed bytes: lines come out whole and in
// order, and the run always ends.
void fuzz_keyboard(FuzzedDataProvider& data) {
    fresh_runtime(data.ConsumeIntegralInRange<int32_t>(1, 100), data.ConsumeIntegralInRange<int32_t>(1, 30));
    uint64_t at = 0;
    std::string typed;
    int32_t chunks = data.ConsumeIntegralInRange<int32_t>(0, 8);
    for (int32_t i = 0; i < chunks; ++i) {
        at += data.ConsumeIntegralInRange<uint64_t>(0, 200);
        std::string chunk = data.ConsumeRandomLengthString(200);
        typed += chunk;
        testing_type_at(at, chunk);
    }
    testing_end_input();
    // Text and Enter alone (no editing keys, no sequences): the lines read
    // are exactly what was typed, nothing lost or doubled.
    bool plain = true;
    for (char c : typed) plain = plain && ((c >= 0x20 && c < 0x7F) || c == '\r');
    bool lines_only = plain && data.ConsumeBool();
    std::string read;
    for (int32_t calls = 0; calls < 2000; ++calls) {
        int which = lines_only ? 0 : data.ConsumeIntegralInRange<int>(0, 3);
        if (which <= 1) {
            char buffer[80];
            // A buffer of one byte only ever gets the empty string.
            int size = data.ConsumeIntegralInRange<int>(lines_only ? 2 : 1, static_cast<int>(sizeof buffer));
            std::memset(buffer, 0x5A, sizeof buffer);
            char* got = platform::fgets(buffer, size, stdin);
            if (got == nullptr) {
                if (lines_only || data.remaining_bytes() == 0) break;
                continue;
            }
            FUZZ_CHECK(got == buffer);
            std::size_t n = std::strlen(buffer);
            read.append(buffer, n);
            FUZZ_CHECK(n < static_cast<std::size_t>(size));
            for (std::size_t i = n + 1; i < sizeof buffer; ++i) FUZZ_CHECK(buffer[i] == 0x5A);
            // A line holds only characters and Tabs, then at most its '\n'
            // at the end.
            for (std::size_t i = 0; i < n; ++i) {
                auto byte = static_cast<uint8_t>(buffer[i]);
                FUZZ_CHECK(byte >= 0x20 || byte == '\t' || (byte == '\n' && i + 1 == n));
            }
        } else if (which == 2) {
            (void)platform::_kbhit();
        } else {
            int code = platform::_getch();
            FUZZ_CHECK(code >= -1 && code <= 255);
            if (code < 0 && data.remaining_bytes() == 0) break;
        }
        const ScreenBuffer& s = testing_console().screen;
        FUZZ_CHECK(s.cursor_x >= 0 && s.cursor_x < s.width && s.cursor_y >= 0 && s.cursor_y < s.height);
    }
    if (lines_only) {
        std::string expected = typed;
        for (char& c : expected) c = c == '\r' ? '\n' : c;
        FUZZ_CHECK(read == expected);
    }
    // Input has ended: once every key is taken, a wait for one would never end.
    for (int32_t i = 0; i < 10000 && platform::_kbhit_possible() != 0; ++i) (void)platform::_getch();
    FUZZ_CHECK(platform::_kbhit_possible() == 0);
    input_context_fresh();
}

// A whole calculator run on a console of any size, with anything typed at
// any time, faults and refused allocations: it always ends, every temporary
// is back in the pool and no buffer is left but the input line.
void fuzz_calculator(FuzzedDataProvider& data) {
    int32_t width = data.ConsumeIntegralInRange<int32_t>(1, 120);
    int32_t height = data.ConsumeIntegralInRange<int32_t>(1, 40);
    // Input ends after what was typed (key null): without that, and without
    // a key left, the key wait would rightly wait for ever.
    bool on_terminal = data.ConsumeBool();
    calculator_run_typed({.key = nullptr, .width = width, .height = height, .on_terminal = on_terminal, .prepare = [&] {
                              uint64_t refuse = data.ConsumeBool() ? data.ConsumeIntegral<uint64_t>() : 0;
                              fuzz_heap_install_with_console(refuse, 1u << 20, width, height, on_terminal);
                              if (data.ConsumeBool()) {
                                  ConsoleFaults& faults = testing_hooks().faults;
                                  faults.buffer_info_fails = data.ConsumeIntegralInRange<int>(0, 7) == 0;
                                  faults.write_limit =
                                      data.ConsumeBool() ? -1 : data.ConsumeIntegralInRange<int64_t>(0, 30);
                                  faults.writes_before_refusal =
                                      data.ConsumeBool() ? -1 : data.ConsumeIntegralInRange<int32_t>(0, 20);
                              }
                              if (data.ConsumeBool()) {
                                  testing_console_set_largest(data.ConsumeIntegralInRange<int32_t>(0, 130),
                                                              data.ConsumeIntegralInRange<int32_t>(0, 50));
                              }
                              uint64_t at = 0;
                              int32_t chunks = data.ConsumeIntegralInRange<int32_t>(0, 6);
                              for (int32_t i = 0; i < chunks; ++i) {
                                  at += data.ConsumeIntegralInRange<uint64_t>(0, 3000);
                                  testing_type_at(at, data.ConsumeRandomLengthString(300));
                              }
                              if (data.ConsumeBool()) {
                                  std::vector<TerminalResize> resizes;
                                  int32_t count = data.ConsumeIntegralInRange<int32_t>(1, 6);
                                  for (int32_t i = 0; i < count; ++i) {
                                      uint32_t when = data.ConsumeIntegralInRange<uint32_t>(0, 40);
                                      int32_t w = data.ConsumeIntegralInRange<int32_t>(1, 120);
                                      int32_t h = data.ConsumeIntegralInRange<int32_t>(1, 40);
                                      resizes.push_back({when, w, h});
                                  }
                                  resize_plan_install(resizes);
                              }
                          }});
    const ScreenBuffer& s = testing_console().screen;
    FUZZ_CHECK(s.cursor_x >= 0 && s.cursor_x < s.width && s.cursor_y >= 0 && s.cursor_y < s.height);
    fuzz_check_window(s);
    if (on_terminal) FUZZ_CHECK(s.width >= 80 && s.height >= 25);
    fuzz_check_pool(0);
    input_context_fresh();
    fuzz_check_no_block_left();
    memory_reset();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: fuzz_decoder(data); break;
    case 1: fuzz_editor(data); break;
    case 2: fuzz_keyboard(data); break;
    default: fuzz_calculator(data); break;
    }
    return 0;
}
