// Tests of the terminal session against the scripted terminal: what a
// present writes, a frame cut short, the news of a resize or a resume taken
// in, and the locale read for the terminal's character set.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/terminal/terminal_session.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/tmux_session.h"

namespace {

TEST(TerminalPresent, WritesTheFrameToTheTerminalOnceAndNothingWhenUnchanged) {
    testing_console_create(3, 2);
    platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    platform::DWORD written = 0;
    platform::WriteFile(out, "hi", 2, &written, nullptr);
    platform::Sleep(0);
    EXPECT_EQ(testing_terminal_output(), "\r\n\x1b[H\x1b[0m\x1b[Jhi");
    testing_terminal_output().clear();
    platform::Sleep(0);
    EXPECT_EQ(platform::_kbhit(), 0);
    EXPECT_EQ(testing_terminal_output(), "");
    // A resize redraws the whole of the next frame, and of that one alone.
    testing_terminal_resize(3, 2);
    platform::Sleep(0);
    EXPECT_EQ(testing_terminal_output(), "\x1b[Hhi\x1b[K\x1b[2;1H\x1b[K\x1b[1;3H\x1b[?25h");
    testing_terminal_output().clear();
    platform::Sleep(0);
    EXPECT_EQ(testing_terminal_output(), "");
}

TEST(TerminalPresent, AFrameNotWhollyWrittenLeavesTheNextToDrawEveryRow) {
    testing_console_create(3, 2);
    platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    platform::DWORD written = 0;
    platform::WriteFile(out, "hi", 2, &written, nullptr);
    platform::Sleep(0);
    testing_hooks().terminal_write_fails = true;
    platform::WriteFile(out, "\r\nyo", 4, &written, nullptr);
    platform::Sleep(0);
    testing_hooks().terminal_write_fails = false;
    testing_terminal_output().clear();
    platform::Sleep(0);
    // The colours and the rows the failed frame may or may not have reached.
    EXPECT_EQ(testing_terminal_output(), "\x1b[H\x1b[0mhi\x1b[K\x1b[2;1Hyo\x1b[K\x1b[?25h");
}

// However the program hears of a new size, a resize or a resume after the
// terminal was resized while the program was stopped (its SIGWINCH went to
// the shell), the next present takes the size and draws every row anew;
// after a resume in colours set afresh, as the stop gave the terminal back
// in its own.
TEST(TerminalPresent, ANewSizeIsTakenAfterAResizeAndAfterAResume) {
    struct Case {
        void (*news)(int32_t columns, int32_t rows);
        const char* colours;  // sent before the first row is erased
    } cases[] = {{testing_terminal_resize, ""}, {testing_terminal_resume, "\x1b[0m"}};
    for (const Case& c : cases) {
        testing_console_on_terminal(80, 25);
        platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
        ASSERT_TRUE(platform::SetConsoleCursorPosition(out, platform::COORD{39, 21}));
        platform::Sleep(0);
        testing_terminal_output().clear();
        c.news(60, 20);
        platform::Sleep(0);
        const ScreenBuffer& screen = testing_console().screen;
        EXPECT_EQ(screen.window_width, 60);
        EXPECT_EQ(screen.window_height, 20);
        EXPECT_EQ(screen.window_y, 2);  // the cursor's row the bottom one
        // Every row of the new size drawn (blank), then the cursor shown.
        std::string redraw = std::string("\x1b[H") + c.colours + "\x1b[K";
        for (int32_t row = 2; row <= 20; ++row) redraw += "\x1b[" + std::to_string(row) + ";1H\x1b[K";
        platform::Sleep(0);  // the next look draws nothing: the news was taken once
        EXPECT_EQ(testing_terminal_output(), redraw + "\x1b[39C\x1b[?25h");
    }
}

// A burst of resizes, the next coming while the first settles: the size it
// settles at is drawn once, the one on the way not at all.
TEST(TerminalPresent, ABurstOfResizesIsDrawnOnceAtTheSizeItSettlesAt) {
    testing_console_on_terminal(80, 25);
    platform::Sleep(0);
    static void (*scripted_sleep)(uint32_t) = terminal_io().sleep_ms;
    terminal_io().sleep_ms = [](uint32_t ms) {
        testing_terminal_resize(60, 20);
        terminal_io().sleep_ms = scripted_sleep;
        scripted_sleep(ms);
    };
    testing_terminal_resize(70, 22);
    testing_terminal_output().clear();
    platform::Sleep(0);
    std::string out = testing_terminal_output();
    EXPECT_EQ(testing_console().screen.window_width, 60);
    EXPECT_EQ(text_count(out, "\x1b[K"), 20) << "every row of 60 x 20 erased to its end once";
}

// Reading the terminal's character set from the user's locale leaves the
// process's locale as it was: atof's decimal point stays the full stop,
// even after a locale that writes a decimal comma.
TEST(TerminalCharset, ReadingTheLocaleLeavesTheDecimalPoint) {
    const char* before = std::getenv("LC_ALL");
    std::string saved = before != nullptr ? before : "";
    for (const char* locale : {"it_IT.UTF-8", "C"}) {
        setenv("LC_ALL", locale, 1);
        EXPECT_EQ(terminal_locale_charset(), locale[0] == 'C' ? CHARSET_ASCII : CHARSET_UTF8) << locale;
        EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C") << locale;
        EXPECT_DOUBLE_EQ(platform::atof("2.5"), 2.5) << locale;
    }
    if (before == nullptr) unsetenv("LC_ALL");
    if (before != nullptr) setenv("LC_ALL", saved.c_str(), 1);
}

}  // namespace
