// The renderer checked against a real terminal emulator (libvterm): whatever
// the console model holds after random operations and resizes, the bytes the
// renderer sends must make a terminal of the same size show exactly the
// model's characters (code page 850 as Unicode), colours and cursor.
#include <gtest/gtest.h>

#include <iconv.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <vterm.h>

#include "platform/console/console_state.h"
#include "platform/terminal/terminal_render.h"
#include "platform/terminal/terminal_session.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/calculator_golden.h"
#include "tests/support/calculator_run.h"
#include "tests/support/key_names.h"
#include "tests/support/platform_text.h"
#include "tests/support/runtime_fresh.h"
#include "tests/support/terminal_resizes.h"

namespace {

// What a cell byte must look like, taken from outside the program: the
// C library's CP850 table for the printable bytes, and the code page's
// glyphs for the control bytes, which no table for text carries.
struct GlyphTable {
    uint32_t code_point[256];
};

GlyphTable glyph_table() {
    // clang-format off
    static const uint32_t CONTROL_GLYPHS[32] = {
        0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
        0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
        0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
    GlyphTable table{};
    for (int i = 0; i < 32; ++i) table.code_point[i] = CONTROL_GLYPHS[i];
    table.code_point[0x7F] = 0x2302;
    iconv_t cd = iconv_open("UTF-32LE", "CP850");
    for (int byte = 0x20; byte < 0x100; ++byte) {
        if (byte == 0x7F) continue;
        char in[1] = {static_cast<char>(byte)};
        unsigned char out[4] = {0, 0, 0, 0};
        char* in_ptr = in;
        char* out_ptr = reinterpret_cast<char*>(out);
        std::size_t in_left = 1;
        std::size_t out_left = 4;
        if (cd != reinterpret_cast<iconv_t>(-1) && iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == 0) {
            table.code_point[byte] = uint32_t{out[0]} | (uint32_t{out[1]} << 8u) | (uint32_t{out[2]} << 16u) |
                                     (uint32_t{out[3]} << 24u);
        }
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
    return table;
}

// The ANSI colour index (30-37 and 90-97 order: black, red, green, yellow,
// blue, magenta, cyan, white, then the bright ones) a terminal shows each
// console colour as, written out from the consoles' documentation in
// their order.
constexpr int32_t ANSI_INDEX[16] = {
    0,  4,  2,  6,   // black, blue, green, cyan
    1,  5,  3,  7,   // red, magenta, yellow (brown), light grey
    8,  12, 10, 14,  // dark grey, light blue, light green, light cyan
    9,  13, 11, 15,  // light red, light magenta, light yellow, white
};
int32_t ansi_index(uint32_t windows) { return ANSI_INDEX[windows & 0x0Fu]; }

struct Emulator {
    VTerm* vt;
    VTermScreen* screen;
    bool cursor_visible;
    std::size_t fed;                     // bytes of the terminal output fed so far
    std::vector<std::string> scrollback;  // the rows gone up into the scrollback, oldest first, blanks cut off the end
};

int on_termprop(VTermProp prop, VTermValue* value, void* user) {
    if (prop == VTERM_PROP_CURSORVISIBLE) static_cast<Emulator*>(user)->cursor_visible = value->boolean != 0;
    return 1;
}

// The calculator's texts are ASCII: a row's characters are its text.
int on_pushline(int columns, const VTermScreenCell* cells, void* user) {
    std::string text;
    for (int x = 0; x < columns; ++x) text.push_back(cells[x].chars[0] == 0 ? ' ' : static_cast<char>(cells[x].chars[0]));
    static_cast<Emulator*>(user)->scrollback.push_back(text.substr(0, text.find_last_not_of(' ') + 1));
    return 1;
}

const VTermScreenCallbacks CALLBACKS = {nullptr, nullptr, nullptr, on_termprop, nullptr, nullptr, on_pushline, nullptr};

class VtermOracleTest : public ::testing::Test {
protected:
    void SetUp() override { glyphs = glyph_table(); }
    void TearDown() override {
        if (emulator.vt != nullptr) vterm_free(emulator.vt);
        emulator.vt = nullptr;
    }

    void start(int32_t width, int32_t height) {
        fresh_runtime(width, height);
        start_emulator(width, height);
    }

    void start_emulator(int32_t width, int32_t height) {
        emulator.vt = vterm_new(height, width);
        vterm_set_utf8(emulator.vt, 1);
        emulator.screen = vterm_obtain_screen(emulator.vt);
        vterm_screen_set_callbacks(emulator.screen, &CALLBACKS, &emulator);
        vterm_screen_reset(emulator.screen, 1);
        emulator.cursor_visible = true;
        emulator.fed = 0;
        emulator.scrollback.clear();
    }

    // The terminal is resized first; the program hears of it and follows.
    void resize(int32_t width, int32_t height) {
        vterm_set_size(emulator.vt, height, width);
        testing_terminal_resize(width, height);
    }

    // `length` characters of a 0-based row of the emulator's screen from a
    // 0-based column (ASCII).
    std::string emulator_text(int32_t row, int32_t column, int32_t length) {
        std::string text;
        for (int32_t x = column; x < column + length; ++x) {
            VTermScreenCell cell{};
            vterm_screen_get_cell(emulator.screen, VTermPos{row, x}, &cell);
            text.push_back(cell.chars[0] == 0 ? ' ' : static_cast<char>(cell.chars[0]));
        }
        return text;
    }

    void present_and_feed() {
        terminal_present(&testing_console().screen);
        const std::string& out = testing_terminal_output();
        ASSERT_GE(out.size(), emulator.fed);
        vterm_input_write(emulator.vt, out.data() + emulator.fed, out.size() - emulator.fed);
        emulator.fed = out.size();
        vterm_screen_flush_damage(emulator.screen);
    }

    // What terminal cell (x, y) must show of the model's window: its cell,
    // or at an edge beyond which the row shows more, a mark ('>' in the
    // last column, '<' in the first) in that cell's colours, or in the
    // terminal's own where those would hide it.
    static Cell expected_cell(const ScreenBuffer& model, int32_t x, int32_t y) {
        int32_t row = model.window_y + y;
        auto shows = [&](int32_t from, int32_t to) {
            for (int32_t column = from; column < to; ++column) {
                Cell c = screen_cell(&model, column, row);
                if ((c.ch != ' ' && c.ch != 0) || (c.attr & 0xFF) != 0x07) return true;
            }
            return false;
        };
        Cell cell = screen_cell(&model, model.window_x + x, row);
        uint8_t mark = 0;
        if (x == model.window_width - 1 && shows(model.window_x + model.window_width, model.width)) {
            mark = '>';
        } else if (x == 0 && shows(0, model.window_x)) {
            mark = '<';
        }
        if (mark == 0) return cell;
        bool hidden = (cell.attr & 0x0F) == ((cell.attr >> 4) & 0x0F);
        return Cell{mark, hidden ? uint16_t{0x07} : cell.attr};
    }

    // The terminal shows the model's window: every cell, and the cursor.
    void expect_terminal_shows_model(const std::string& context) {
        const ScreenBuffer& model = testing_console().screen;
        int rows = 0;
        int cols = 0;
        vterm_get_size(emulator.vt, &rows, &cols);
        ASSERT_EQ(rows, model.window_height) << context;
        ASSERT_EQ(cols, model.window_width) << context;
        ASSERT_GE(model.window_x, 0) << context;
        ASSERT_GE(model.window_y, 0) << context;
        ASSERT_LE(model.window_x + model.window_width, model.width) << context;
        ASSERT_LE(model.window_y + model.window_height, model.height) << context;
        int32_t wrong = 0;
        for (int32_t y = 0; y < model.window_height && wrong < 5; ++y) {
            for (int32_t x = 0; x < model.window_width && wrong < 5; ++x) {
                Cell cell = expected_cell(model, x, y);
                VTermScreenCell shown{};
                vterm_screen_get_cell(emulator.screen, VTermPos{y, x}, &shown);
                uint32_t ch = shown.chars[0] == 0 ? 0x20 : shown.chars[0];
                uint32_t expected = glyphs.code_point[cell.ch];
                auto attribute = static_cast<uint8_t>(cell.attr & 0xFF);
                bool colours_right;
                if (attribute == 0x07) {
                    colours_right = VTERM_COLOR_IS_DEFAULT_FG(&shown.fg) && VTERM_COLOR_IS_DEFAULT_BG(&shown.bg);
                } else {
                    colours_right = VTERM_COLOR_IS_INDEXED(&shown.fg) && VTERM_COLOR_IS_INDEXED(&shown.bg) &&
                                    !VTERM_COLOR_IS_DEFAULT_FG(&shown.fg) && !VTERM_COLOR_IS_DEFAULT_BG(&shown.bg) &&
                                    shown.fg.indexed.idx == ansi_index(attribute & 0x0Fu) &&
                                    shown.bg.indexed.idx == ansi_index(attribute >> 4);
                }
                bool plain = !shown.attrs.bold && !shown.attrs.reverse && !shown.attrs.underline && shown.width == 1;
                if (ch != expected || !colours_right || !plain || shown.chars[1] != 0) {
                    ADD_FAILURE() << context << ": cell (" << x << "," << y << ") byte 0x" << std::hex
                                  << int(cell.ch) << " attr 0x" << int(attribute) << " shows U+" << ch
                                  << " expected U+" << expected << std::dec << " fg "
                                  << (VTERM_COLOR_IS_DEFAULT_FG(&shown.fg) ? -1 : int(shown.fg.indexed.idx)) << " bg "
                                  << (VTERM_COLOR_IS_DEFAULT_BG(&shown.bg) ? -1 : int(shown.bg.indexed.idx));
                    ++wrong;
                }
            }
        }
        EXPECT_EQ(emulator.cursor_visible, model.cursor_visible) << context;
        if (model.cursor_visible) {
            VTermPos cursor{};
            vterm_state_get_cursorpos(vterm_obtain_state(emulator.vt), &cursor);
            EXPECT_EQ(cursor.col, model.cursor_x - model.window_x) << context;
            EXPECT_EQ(cursor.row, model.cursor_y - model.window_y) << context;
        }
    }

    // One random console operation, as a program would make it.
    void random_operation(std::mt19937& rng) {
        auto pick = [&](int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(rng); };
        platform::HANDLE out = console_output;
        ScreenBuffer& model = testing_console().screen;
        switch (pick(0, 9)) {
        case 0:
        case 1: {
            std::string bytes;
            int32_t n = pick(0, 3 * model.width);
            for (int32_t i = 0; i < n; ++i) {
                // Mostly text, some controls and upper-half bytes.
                int32_t kind = pick(0, 9);
                bytes.push_back(static_cast<char>(kind < 6 ? pick(0x20, 0x7E) : kind < 8 ? pick(0x80, 0xFF) : pick(0, 0x1F)));
            }
            platform::DWORD written = 0;
            platform::WriteFile(out, bytes.data(), static_cast<platform::DWORD>(bytes.size()), &written, nullptr);
            break;
        }
        case 2: platform::SetConsoleTextAttribute(out, static_cast<platform::WORD>(pick(0, 0xFF))); break;
        case 3: {
            platform::DWORD written = 0;
            platform::COORD at{static_cast<platform::SHORT>(pick(0, model.width - 1)), static_cast<platform::SHORT>(pick(0, model.height - 1))};
            platform::FillConsoleOutputAttribute(out, static_cast<platform::WORD>(pick(0, 0xFFFF)),
                                                 static_cast<platform::DWORD>(pick(0, model.width * 3)), at, &written);
            break;
        }
        case 4: {
            platform::DWORD written = 0;
            platform::COORD at{static_cast<platform::SHORT>(pick(0, model.width - 1)), static_cast<platform::SHORT>(pick(0, model.height - 1))};
            platform::FillConsoleOutputCharacterA(out, static_cast<char>(pick(0, 0xFF)),
                                                  static_cast<platform::DWORD>(pick(0, model.width * 3)), at, &written);
            break;
        }
        case 5: {
            platform::COORD at{static_cast<platform::SHORT>(pick(0, model.width - 1)), static_cast<platform::SHORT>(pick(0, model.height - 1))};
            platform::SetConsoleCursorPosition(out, at);
            break;
        }
        case 6: {
            platform::CONSOLE_CURSOR_INFO info{25, pick(0, 3) != 0 ? platform::TRUE : platform::FALSE};
            platform::SetConsoleCursorInfo(out, &info);
            break;
        }
        case 7: {
            platform::SMALL_RECT rect{static_cast<platform::SHORT>(pick(0, model.width - 1)), static_cast<platform::SHORT>(pick(0, model.height - 1)),
                                      static_cast<platform::SHORT>(pick(0, model.width - 1)), static_cast<platform::SHORT>(pick(0, model.height - 1))};
            platform::CHAR_INFO fill{};
            fill.Char.AsciiChar = static_cast<char>(pick(0x20, 0x7E));
            fill.Attributes = static_cast<platform::WORD>(pick(0, 0xFF));
            platform::COORD to{static_cast<platform::SHORT>(pick(-3, model.width)), static_cast<platform::SHORT>(pick(-3, model.height))};
            platform::ScrollConsoleScreenBufferA(out, &rect, nullptr, to, &fill);
            break;
        }
        case 8: platform::SetConsoleMode(out, static_cast<platform::DWORD>(pick(0, 3))); break;
        default: {
            // The whole screen in one attribute, as a clear does.
            platform::DWORD written = 0;
            auto cells = static_cast<platform::DWORD>(model.width * model.height);
            platform::FillConsoleOutputAttribute(out, static_cast<platform::WORD>(pick(0, 0xFF)), cells, platform::COORD{0, 0}, &written);
            platform::FillConsoleOutputCharacterA(out, ' ', cells, platform::COORD{0, 0}, &written);
            break;
        }
        }
    }

    // Hooks on the scripted terminal for whole runs: every frame the program
    // writes goes through the emulator and is checked there and then, and
    // the terminal changes size at planned reads, as SIGWINCH would.
    struct RunHooks {
        VtermOracleTest* test;
        int32_t frames;
    };
    // clang-format on
    static RunHooks hooks;

    static bool frame_written(const uint8_t* bytes, std::size_t length) {
        VtermOracleTest* test = hooks.test;
        vterm_input_write(test->emulator.vt, reinterpret_cast<const char*>(bytes), length);
        vterm_screen_flush_damage(test->emulator.screen);
        // The question where the cursor is, before a resize is taken in:
        // the emulator's answer comes back as typed bytes do.
        if (std::string(reinterpret_cast<const char*>(bytes), length) == RENDER_ASK_CURSOR) {
            char answer[32];
            testing_type(std::string(answer, vterm_output_read(test->emulator.vt, answer, sizeof answer)));
            return true;
        }
        hooks.frames += 1;
        if (!test->HasFailure()) test->expect_terminal_shows_model("frame " + std::to_string(hooks.frames));
        return true;
    }
    void hook_run(std::vector<TerminalResize> resizes) {
        hooks = RunHooks{this, 0};
        resize_plan_install(std::move(resizes), [](int32_t columns, int32_t rows) {
            vterm_set_size(hooks.test->emulator.vt, rows, columns);
        });
        terminal_io().write = frame_written;
    }

    GlyphTable glyphs{};
    Emulator emulator{};
};

VtermOracleTest::RunHooks VtermOracleTest::hooks;

TEST_F(VtermOracleTest, TheGlyphTableComesFromOutside) {
    // The oracle itself: iconv knows CP850, so every upper-half byte has a
    // character of its own.
    EXPECT_EQ(glyphs.code_point[0x82], 0xE9u);    // é
    EXPECT_EQ(glyphs.code_point[0xC9], 0x2554u);  // ╔
    EXPECT_EQ(glyphs.code_point[0xFF], 0xA0u);
    EXPECT_EQ(glyphs.code_point[uint8_t{'A'}], uint32_t{'A'});
}

TEST_F(VtermOracleTest, EveryByteInEveryColourShowsAsTheModelHoldsIt) {
    start(64, 20);
    ScreenBuffer& model = testing_console().screen;
    // 256 bytes x 256 attributes, one screen after another.
    for (int32_t page = 0; page < 256 * 256 / (64 * 20) + 1; ++page) {
        for (int32_t i = 0; i < 64 * 20; ++i) {
            int32_t n = page * 64 * 20 + i;
            screen_fill_character(&model, static_cast<uint8_t>(n & 0xFF), 1, i % 64, i / 64);
            screen_fill_attribute(&model, static_cast<uint16_t>((n >> 8) & 0xFF), 1, i % 64, i / 64);
        }
        present_and_feed();
        expect_terminal_shows_model("page " + std::to_string(page));
        if (HasFailure()) return;
    }
}

TEST_F(VtermOracleTest, RandomOperationsAndResizes) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(rng); };
        start(pick(1, 100), pick(1, 40));
        for (int32_t step = 0; step < 120; ++step) {
            if (pick(0, 25) == 0) {
                resize(pick(1, 120), pick(1, 45));
            } else {
                random_operation(rng);
            }
            // Several operations may come between two frames, as between
            // two waits of the program.
            if (pick(0, 2) == 0) {
                present_and_feed();
                expect_terminal_shows_model("seed " + std::to_string(seed) + " step " + std::to_string(step));
                if (HasFailure()) return;
            }
        }
        TearDown();
    }
}

TEST_F(VtermOracleTest, HandingTheTerminalBackLeavesDefaultColoursAndAFreshLine) {
    for (int32_t lowest : {-1, 3, 23, 24}) {
        start(80, 25);
        ScreenBuffer& model = testing_console().screen;
        if (lowest >= 0) {
            platform::DWORD written = 0;
            platform::FillConsoleOutputAttribute(console_output, 0x1E, 5,
                                                 platform::COORD{2, static_cast<platform::SHORT>(lowest)}, &written);
        }
        screen_set_cursor(&model, 10, 12);
        present_and_feed();
        // The renderer's own record of the terminal, brought to the same
        // state the present left, then the restore.
        TerminalRender render{};
        RenderScope render_scope{&render};
        render_frame_text(&render, &model);
        std::string restore = render_restore_text(&render, &model);
        vterm_input_write(emulator.vt, restore.data(), restore.size());
        vterm_input_write(emulator.vt, "$", 1);  // the shell's prompt
        VTermPos cursor{};
        vterm_state_get_cursorpos(vterm_obtain_state(emulator.vt), &cursor);
        VTermScreenCell prompt{};
        vterm_screen_get_cell(emulator.screen, VTermPos{cursor.row, cursor.col - 1}, &prompt);
        EXPECT_EQ(prompt.chars[0], uint32_t{'$'}) << lowest;
        EXPECT_TRUE(VTERM_COLOR_IS_DEFAULT_FG(&prompt.fg) && VTERM_COLOR_IS_DEFAULT_BG(&prompt.bg)) << lowest;
        EXPECT_TRUE(emulator.cursor_visible) << lowest;
        EXPECT_EQ(cursor.col, 1) << lowest;
        // The prompt starts on the program's cursor row when nothing is
        // drawn from there down, else on a fresh line below the lowest drawn
        // (the terminal scrolling when that was the bottom row).
        int32_t expected_row = lowest < 12 ? 12 : std::min(lowest + 1, 24);
        EXPECT_EQ(cursor.row, expected_row) << lowest;
        TearDown();
    }
}

// Whole calculator runs: answers typed with editing keys, in chunks, while
// the terminal is resized; every frame drawn must show the model exactly.
TEST_F(VtermOracleTest, EveryFrameOfWholeRunsWithEditingAndResizes) {
    static const char* const KEYS[] = {"1",      "2",     "5",     "7", "0", "<BS>", "<Left>",  "<Right>",
                                       "<Home>", "<End>", "<Del>", " ", ",", "-",    "\xc3\xa9"};
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&](int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(rng); };
        // The height is drawn first, as the seeds' sizes have always been.
        int32_t height = seed % 3 == 0 ? 25 : pick(5, 40);
        int32_t width = seed % 3 == 0 ? 80 : pick(20, 120);
        // The first two on the small terminals users have most.
        if (seed <= 2) {
            width = seed == 1 ? 80 : 60;
            height = seed == 1 ? 24 : 20;
        }
        std::vector<std::pair<uint64_t, std::string>> typed;  // arrival -> keys
        uint64_t at = 0;
        for (int32_t answer = 0; answer < 2; ++answer) {
            int32_t keys = pick(0, 25);
            for (int32_t k = 0; k < keys; ++k) {
                at += static_cast<uint64_t>(pick(0, 300));
                typed.push_back({at, KEYS[pick(0, sizeof KEYS / sizeof KEYS[0] - 1)]});
            }
            typed.push_back({at += 100, "<Enter>"});
        }
        std::vector<TerminalResize> resizes;
        int32_t count = pick(0, 4);
        for (int32_t i = 0; i < count; ++i) {
            resizes.push_back({static_cast<uint32_t>(pick(0, 40)), pick(10, 120), pick(3, 40)});
        }
        start_emulator(width, height);
        calculator_run_typed(
            {.key_at_ms = at + 5000, .width = width, .height = height, .on_terminal = true, .prepare = [&] {
                 for (const auto& [when, keys] : typed) testing_type_at(when, typed_keys(keys));
                 hook_run(resizes);
             }});
        EXPECT_GT(hooks.frames, 0) << "seed " << seed;
        if (HasFailure()) {
            ADD_FAILURE() << "seed " << seed;
            return;
        }
        input_context_fresh();
        TearDown();
    }
}

}  // namespace

namespace {

// The rows of the finished screen above the last `rows`, as a terminal
// `columns` wide from the first column shows them: a row cut at the right
// edge marked there, blanks cut off the end.
std::vector<std::string> finished_rows_above(int32_t columns, int32_t rows) {
    std::vector<std::string> above(static_cast<std::size_t>(25 - rows));
    for (const ScreenText& t : finished_screen()) {
        if (t.row > 25 - rows) continue;
        std::string& row = above[static_cast<std::size_t>(t.row - 1)];
        row.resize(static_cast<std::size_t>(t.column - 1), ' ');
        row += t.text;
    }
    for (std::string& row : above) {
        if (row.size() > static_cast<std::size_t>(columns))
            row = row.substr(0, static_cast<std::size_t>(columns - 1)) + ">";
        row = row.substr(0, row.find_last_not_of(' ') + 1);
    }
    return above;
}

// The calculator on terminals smaller than its screen: every frame shows
// exactly the window onto the model, cut rows marked at its edges. The end
// is the finished screen's last rows, the window placed sideways so that
// the range and the prompt are whole on terminals narrower than the
// screen, and the rows above gone up into the terminal's scrollback, each
// once and as the screen holds it, also when the answers were pasted ahead
// and the window moved down past rows never drawn.
TEST_F(VtermOracleTest, EveryFrameOfTheCalculatorOnSmallTerminals) {
    struct Case {
        int32_t columns;
        int32_t rows;
        bool pasted;
        int32_t left;  // the buffer column the window starts at in the end
    } cases[] = {{60, 20, false, 0}, {80, 15, true, 0}, {40, 12, false, 6}, {45, 12, false, 1}};
    for (const Case& c : cases) {
        std::string context = std::to_string(c.columns) + "x" + std::to_string(c.rows);
        start_emulator(c.columns, c.rows);
        // Key by key, so that each draws a frame of its own, or all at once.
        calculator_run_typed({"", "x", 60000, c.columns, c.rows, true, [&] {
                                  const char* keys[] = {"1", "0", "0", "<Enter>", "2", "5", "<Enter>"};
                                  for (uint64_t i = 0; i < 7; ++i) {
                                      testing_type_at(c.pasted ? 100 : 100 * (i + 1), typed_keys(keys[i]));
                                  }
                                  hook_run({});
                              }});
        EXPECT_GE(hooks.frames, c.pasted ? 2 : 7) << context;
        // Placed to show the rows' text whole: the range and the prompt.
        EXPECT_EQ(testing_console().screen.window_x, c.left) << context;
        EXPECT_EQ(emulator_text(c.rows - 6, 39 - c.left, 7), FINISHED_RANGE) << context;
        EXPECT_EQ(emulator_text(c.rows - 1, 11 - c.left, 30), std::string(CALCULATOR_PRESS_KEY) + " ") << context;
        // Where the window never moved sideways, the rows above it went into
        // the scrollback whole.
        if (c.left == 0) {
            EXPECT_EQ(emulator.scrollback, finished_rows_above(c.columns, c.rows)) << context;
        }
        if (HasFailure()) return;
        input_context_fresh();
        TearDown();
    }
}

}  // namespace
