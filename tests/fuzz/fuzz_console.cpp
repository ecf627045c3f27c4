// Fuzz target for the console model: random sequences of the platform's
// console functions and of the runtime's console and print operations, with
// random arguments, faults and resizes, on a console of random size. The
// cursor never leaves the buffer, no cell outside an operation's reach
// changes, fills and scrolls give what the console's rules give, no change
// goes uncounted, and every temporary goes back to the pool.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/terminal/terminal_session.h"
#include "runtime/console/console_write.h"
#include "runtime/console/print.h"
#include "runtime/core/temp_pool.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using platform::COORD;
using platform::DWORD;
using platform::SHORT;
using platform::SMALL_RECT;

ScreenBuffer& screen() { return testing_console().screen; }

void check_screen() {
    const ScreenBuffer& s = screen();
    FUZZ_CHECK(s.width >= 1 && s.height >= 1);
    FUZZ_CHECK(s.cells != nullptr);
    FUZZ_CHECK(s.cursor_x >= 0 && s.cursor_x < s.width);
    FUZZ_CHECK(s.cursor_y >= 0 && s.cursor_y < s.height);
    FUZZ_CHECK(s.cursor_size >= 1 && s.cursor_size <= 100);
    fuzz_check_window(s);
}

SHORT any_short(FuzzedDataProvider& data) {
    // Mostly near the buffer, sometimes anywhere in 16 bits.
    if (data.ConsumeBool()) return static_cast<SHORT>(data.ConsumeIntegralInRange<int32_t>(-3, 90));
    return data.ConsumeIntegral<SHORT>();
}

DWORD any_length(FuzzedDataProvider& data) {
    if (data.ConsumeBool()) return data.ConsumeIntegralInRange<DWORD>(0, 3000);
    return data.ConsumeIntegral<DWORD>();
}

int32_t any_int(FuzzedDataProvider& data) {
    if (data.ConsumeBool()) return data.ConsumeIntegralInRange<int32_t>(-3, 90);
    return data.ConsumeIntegral<int32_t>();
}

// FillConsoleOutput*: row-major from the start cell, stopping at the end of
// the buffer; a start outside fills nothing.
void check_fill(const std::vector<Cell>& before, COORD start, DWORD length, DWORD written, bool attribute,
                uint16_t value) {
    const ScreenBuffer& s = screen();
    int64_t cells = int64_t{s.width} * s.height;
    bool inside = start.X >= 0 && start.Y >= 0 && start.X < s.width && start.Y < s.height;
    int64_t first = inside ? screen_cell_index(s.width, start.X, start.Y) : 0;
    int64_t expected = inside ? std::min<int64_t>(length, cells - first) : 0;
    FUZZ_CHECK(written == static_cast<DWORD>(expected));
    for (int64_t i = 0; i < cells; ++i) {
        const Cell& now = s.cells[static_cast<std::size_t>(i)];
        const Cell& old = before[static_cast<std::size_t>(i)];
        bool filled = i >= first && i < first + expected;
        if (attribute) {
            FUZZ_CHECK(now.ch == old.ch);
            FUZZ_CHECK(now.attr == (filled ? value : old.attr));
        } else {
            FUZZ_CHECK(now.attr == old.attr);
            FUZZ_CHECK(now.ch == (filled ? static_cast<uint8_t>(value) : old.ch));
        }
    }
}

struct Box {
    int32_t left, top, right, bottom;
};

Box box_cut(Box a, Box b) {
    return Box{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
               std::min(a.bottom, b.bottom)};
}

bool box_empty(Box b) { return b.left > b.right || b.top > b.bottom; }
bool box_has(Box b, int32_t x, int32_t y) { return x >= b.left && x <= b.right && y >= b.top && y <= b.bottom; }

// ScrollConsoleScreenBuffer as the console reference lays its steps out:
// trim the source to the buffer, clip, move the origin by the trim, copy
// through a snapshot, fill what the source left and the copy did not cover.
std::vector<Cell> reference_scroll(const std::vector<Cell>& before, int32_t width, int32_t height, SMALL_RECT rect,
                                   const SMALL_RECT* clip_rect, COORD origin, Cell fill, uint16_t attribute,
                                   bool* changed_anything) {
    std::vector<Cell> after = before;
    *changed_anything = false;
    Box whole{0, 0, width - 1, height - 1};
    Box asked{rect.Left, rect.Top, rect.Right, rect.Bottom};
    Box source = box_cut(asked, whole);
    if (box_empty(asked) || box_empty(source)) return after;
    Box clip = clip_rect != nullptr
                   ? box_cut(Box{clip_rect->Left, clip_rect->Top, clip_rect->Right, clip_rect->Bottom}, whole)
                   : whole;
    int32_t dx = origin.X + (source.left - asked.left);
    int32_t dy = origin.Y + (source.top - asked.top);
    if (dx == source.left && dy == source.top) return after;
    *changed_anything = true;
    if (fill.ch == 0 && fill.attr == 0) fill = Cell{' ', attribute};
    Box target{dx, dy, dx + source.right - source.left, dy + source.bottom - source.top};
    Box dest = box_cut(target, clip);
    auto at = [&](int32_t x, int32_t y) { return static_cast<std::size_t>(screen_cell_index(width, x, y)); };
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (box_has(dest, x, y)) {
                after[at(x, y)] = before[at(x - dx + source.left, y - dy + source.top)];
            } else if (box_has(source, x, y) && box_has(clip, x, y)) {
                after[at(x, y)] = fill;
            }
        }
    }
    return after;
}

// The cells of the console model now against a copy.
bool same_cells(const std::vector<Cell>& a, const Cell* b) {
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].ch != b[i].ch || a[i].attr != b[i].attr) return false;
    }
    return true;
}

void op_platform(FuzzedDataProvider& data) {
    platform::HANDLE out = console_output;
    ScreenBuffer& s = screen();
    std::vector<Cell> before(s.cells, s.cells + int64_t{s.width} * s.height);
    switch (data.ConsumeIntegralInRange<int>(0, 8)) {
    case 0: {
        std::string bytes = data.ConsumeRandomLengthString(300);
        DWORD written = 12345;
        int32_t refusals = testing_hooks().faults.writes_before_refusal;
        int64_t limit = testing_hooks().faults.write_limit;
        platform::BOOL ok = platform::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        if (refusals == 0) {
            FUZZ_CHECK(ok == platform::FALSE && written == 0 && same_cells(before, s.cells));
        } else {
            DWORD expected = limit >= 0
                                 ? static_cast<DWORD>(std::min<int64_t>(limit, static_cast<int64_t>(bytes.size())))
                                 : static_cast<DWORD>(bytes.size());
            FUZZ_CHECK(ok != platform::FALSE && written == expected);
        }
        break;
    }
    case 1:
    case 2: {
        bool attribute = data.ConsumeBool() && true;
        uint16_t value = data.ConsumeIntegral<uint16_t>();
        if (!attribute) value = static_cast<uint8_t>(value);
        DWORD length = any_length(data);
        COORD start{any_short(data), any_short(data)};
        DWORD written = 12345;
        platform::BOOL ok =
            attribute ? platform::FillConsoleOutputAttribute(out, value, length, start, &written)
                      : platform::FillConsoleOutputCharacterA(out, static_cast<char>(value), length, start, &written);
        FUZZ_CHECK(ok != platform::FALSE);
        check_fill(before, start, length, written, attribute, value);
        break;
    }
    case 3: {
        uint16_t attribute = data.ConsumeIntegral<uint16_t>();
        FUZZ_CHECK(platform::SetConsoleTextAttribute(out, attribute) != platform::FALSE);
        FUZZ_CHECK(s.attribute == attribute);
        break;
    }
    case 4: {
        platform::CONSOLE_CURSOR_INFO info{data.ConsumeIntegralInRange<DWORD>(0, 110), data.ConsumeIntegral<int32_t>()};
        platform::CONSOLE_CURSOR_INFO old{};
        FUZZ_CHECK(platform::GetConsoleCursorInfo(out, &old) != platform::FALSE);
        platform::BOOL ok = platform::SetConsoleCursorInfo(out, &info);
        bool valid = info.dwSize >= 1 && info.dwSize <= 100;
        FUZZ_CHECK((ok != platform::FALSE) == valid);
        platform::CONSOLE_CURSOR_INFO now{};
        platform::GetConsoleCursorInfo(out, &now);
        const platform::CONSOLE_CURSOR_INFO& expected = valid ? info : old;
        FUZZ_CHECK(now.dwSize == expected.dwSize && (now.bVisible != 0) == (expected.bVisible != 0));
        break;
    }
    case 5: {
        COORD to{any_short(data), any_short(data)};
        int32_t old_x = s.cursor_x;
        int32_t old_y = s.cursor_y;
        platform::BOOL ok = platform::SetConsoleCursorPosition(out, to);
        bool inside = to.X >= 0 && to.Y >= 0 && to.X < s.width && to.Y < s.height;
        FUZZ_CHECK((ok != platform::FALSE) == inside);
        FUZZ_CHECK(inside ? (s.cursor_x == to.X && s.cursor_y == to.Y) : (s.cursor_x == old_x && s.cursor_y == old_y));
        break;
    }
    case 6: {
        SMALL_RECT rect{any_short(data), any_short(data), any_short(data), any_short(data)};
        SMALL_RECT clip{any_short(data), any_short(data), any_short(data), any_short(data)};
        bool with_clip = data.ConsumeBool();
        COORD origin{any_short(data), any_short(data)};
        platform::CHAR_INFO fill{};
        fill.Char.AsciiChar =
            static_cast<char>(data.ConsumeIntegral<uint8_t>() % 3 == 0 ? 0 : data.ConsumeIntegral<uint8_t>());
        fill.Attributes = data.ConsumeBool() ? 0 : data.ConsumeIntegral<uint16_t>();
        bool changes = false;
        std::vector<Cell> expected =
            reference_scroll(before, s.width, s.height, rect, with_clip ? &clip : nullptr, origin,
                             Cell{static_cast<uint8_t>(fill.Char.AsciiChar), fill.Attributes}, s.attribute, &changes);
        platform::ScrollConsoleScreenBufferA(out, &rect, with_clip ? &clip : nullptr, origin, &fill);
        FUZZ_CHECK(same_cells(expected, s.cells));
        (void)changes;
        break;
    }
    case 7: {
        DWORD mode = data.ConsumeBool() ? data.ConsumeIntegralInRange<DWORD>(0, 3) : data.ConsumeIntegral<DWORD>();
        DWORD old = s.mode;
        platform::BOOL ok = platform::SetConsoleMode(out, mode);
        FUZZ_CHECK((ok != platform::FALSE) == ((mode & ~DWORD{0x1F}) == 0));
        FUZZ_CHECK(s.mode == (ok != platform::FALSE ? mode : old));
        break;
    }
    default: {
        platform::CONSOLE_SCREEN_BUFFER_INFO info{};
        platform::BOOL ok = platform::GetConsoleScreenBufferInfo(out, &info);
        if (testing_hooks().faults.buffer_info_fails) {
            FUZZ_CHECK(ok == platform::FALSE);
        } else {
            FUZZ_CHECK(ok != platform::FALSE);
            FUZZ_CHECK(info.dwSize.X == s.width && info.dwSize.Y == s.height);
            FUZZ_CHECK(info.dwCursorPosition.X == s.cursor_x && info.dwCursorPosition.Y == s.cursor_y);
            FUZZ_CHECK(info.wAttributes == s.attribute);
        }
        break;
    }
    }
}

void op_runtime(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange<int>(0, 11)) {
    case 0: {
        int32_t modes[] = {CONSOLE_CLEAR_DEFAULT, 0, 1, 2, any_int(data)};
        console_clear(modes[data.ConsumeIntegralInRange<int>(0, 4)]);
        break;
    }
    case 1: console_color(any_int(data), any_int(data)); break;
    case 2: console_locate(any_int(data), any_int(data), data.ConsumeIntegralInRange<int32_t>(-1, 2)); break;
    case 3:
        console_scroll_view(data.ConsumeBool() ? data.ConsumeIntegralInRange<int32_t>(-2, 40) : any_int(data));
        break;
    case 4: {
        std::string text = data.ConsumeRandomLengthString(400);
        print_buffer(0, text.data(), static_cast<uint32_t>(text.size()), data.ConsumeIntegralInRange<PrintMask>(0, 3));
        break;
    }
    case 5: print_int(0, data.ConsumeIntegral<int32_t>(), data.ConsumeIntegralInRange<PrintMask>(0, 3)); break;
    case 6: print_uint(0, data.ConsumeIntegral<uint32_t>(), data.ConsumeIntegralInRange<PrintMask>(0, 3)); break;
    case 7: {
        std::string text = data.ConsumeRandomLengthString(200);
        print_string(0, str_temp_for_literal(text.c_str(), 0), data.ConsumeIntegralInRange<PrintMask>(0, 3));
        break;
    }
    case 8:
        print_string(0, space_string(data.ConsumeIntegralInRange<int32_t>(-2, 300)),
                     data.ConsumeIntegralInRange<PrintMask>(0, 3));
        break;
    case 9: print_pad_zone(0, data.ConsumeIntegralInRange<PrintMask>(0, 3)); break;
    case 10: {
        int32_t start = any_int(data);
        int32_t span = data.ConsumeIntegralInRange<int32_t>(-5, 400);
        int64_t end = int64_t{start} + span;
        end = std::clamp<int64_t>(end, INT32_MIN, INT32_MAX);
        print_pad_range(0, data.ConsumeIntegralInRange<PrintMask>(0, 3), start, static_cast<int32_t>(end));
        break;
    }
    default: {
        std::string text = data.ConsumeRandomLengthString(400);
        console_write(text.data(), static_cast<uint32_t>(text.size()), data.ConsumeIntegralInRange<PrintMask>(0, 3));
        break;
    }
    }
    // Every print consumes the temporaries it is handed.
    fuzz_check_pool(0);
    // Queries are answered from inside the buffer whatever happened.
    int32_t column = 0;
    int32_t row = 0;
    console_get_cursor(&column, &row);
    int32_t width = 0;
    console_get_size(&width, nullptr);
    FUZZ_CHECK(width >= 1);
    if (!testing_hooks().faults.buffer_info_fails) {
        FUZZ_CHECK(column >= 1 && column <= screen().width && row >= 1 && row <= screen().height);
    }
}

void op_environment(FuzzedDataProvider& data) {
    ConsoleFaults& faults = testing_hooks().faults;
    switch (data.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: {
        // The terminal was resized: the model follows it at the next present.
        int32_t w = data.ConsumeIntegralInRange<int32_t>(1, 200);
        int32_t h = data.ConsumeIntegralInRange<int32_t>(1, 80);
        std::vector<Cell> before = fuzz_cells(screen());
        int32_t width = screen().width;
        int32_t height = screen().height;
        testing_terminal_resize(w, h);
        terminal_present(&screen());
        fuzz_check_resize_kept(before, width, height, screen());
        FUZZ_CHECK(screen().window_width == std::min(w, screen().width));
        FUZZ_CHECK(screen().window_height == std::min(h, screen().height));
        break;
    }
    case 1: faults.buffer_info_fails = data.ConsumeBool(); break;
    case 2: faults.write_limit = data.ConsumeBool() ? -1 : data.ConsumeIntegralInRange<int64_t>(0, 40); break;
    case 3: faults.writes_before_refusal = data.ConsumeIntegralInRange<int32_t>(-1, 20); break;
    default: terminal_present(&screen()); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    int32_t width = data.ConsumeIntegralInRange<int32_t>(1, 120);
    int32_t height = data.ConsumeIntegralInRange<int32_t>(1, 50);
    fresh_runtime(width, height);
    bool on_terminal = data.ConsumeBool();
    fuzz_heap_install_with_console(data.ConsumeBool() ? data.ConsumeIntegral<uint64_t>() : 0, 1u << 20, width, height,
                                   on_terminal);
    if (data.ConsumeBool())
        testing_console_set_largest(data.ConsumeIntegralInRange<int32_t>(0, 120),
                                    data.ConsumeIntegralInRange<int32_t>(0, 60));

    for (int32_t step = 0; step < 64 && data.remaining_bytes() > 0; ++step) {
        FuzzRecord before = fuzz_record(screen());
        switch (data.ConsumeIntegralInRange<int>(0, 4)) {
        case 0:
        case 1: op_platform(data); break;
        case 2:
        case 3: op_runtime(data); break;
        default: op_environment(data); break;
        }
        check_screen();
        fuzz_check_counted(before, screen());
    }
    terminal_present(&screen());
    check_screen();
    fuzz_check_pool(0);
    fuzz_check_no_block_left();
    memory_reset();
    return 0;
}
