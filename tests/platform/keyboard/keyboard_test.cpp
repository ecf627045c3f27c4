// Tests of _kbhit, _getch and fgets on the console, against the scripted
// terminal and its simulated clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/keyboard/key_decoder.h"
#include "platform/platform.h"
#include "platform/terminal/terminal_session.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/key_names.h"

namespace {

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override { testing_console_create(20, 5); }

    // One fgets on standard input; "<null>" for a null result.
    static std::string read_line(int size = 64) {
        char buffer[256];
        char* result = platform::fgets(buffer, size, stdin);
        return result == nullptr ? "<null>" : std::string(result);
    }
};

TEST_F(KeyboardTest, GetchGivesOrdinaryKeysOneCodeEach) {
    platform::DWORD written = 0;  // a question written before is on the screen before a key is taken
    platform::WriteFile(platform::GetStdHandle(platform::STD_OUTPUT_HANDLE), "premi", 5, &written, nullptr);
    testing_type(typed_keys("a<Enter><BS>\xc3\xa0"));
    EXPECT_EQ(platform::_getch(), 'a');
    EXPECT_NE(testing_terminal_output().find("premi"), std::string::npos);
    EXPECT_EQ(platform::_getch(), 13);
    EXPECT_EQ(platform::_getch(), 8);
    EXPECT_EQ(platform::_getch(), 0x85);  // à
}

TEST_F(KeyboardTest, GetchGivesAnExtendedKeyInTwoCalls) {
    testing_type(typed_keys("<Up><F1>"));
    EXPECT_EQ(platform::_getch(), 224);
    EXPECT_NE(platform::_kbhit(), 0);  // the second code is waiting
    EXPECT_EQ(platform::_getch(), 72);
    EXPECT_EQ(platform::_getch(), 0);
    EXPECT_EQ(platform::_getch(), 59);
}

TEST_F(KeyboardTest, KbhitNeverWaitsAndLeavesTheKeyQueued) {
    EXPECT_EQ(platform::_kbhit(), 0);
    EXPECT_EQ(testing_now_ms(), 0u);
    testing_type_at(120, "k");
    EXPECT_EQ(platform::_kbhit(), 0);
    EXPECT_EQ(testing_now_ms(), 0u);
    platform::Sleep(150);
    EXPECT_NE(platform::_kbhit(), 0);
    EXPECT_NE(platform::_kbhit(), 0);
    EXPECT_EQ(platform::_getch(), 'k');
    EXPECT_EQ(platform::_kbhit(), 0);
}

TEST_F(KeyboardTest, LoneEscIsReportedAfterItsTimeout) {
    testing_type_at(10, typed_keys("<Esc>"));
    EXPECT_EQ(platform::_getch(), 27);
    EXPECT_EQ(testing_now_ms(), 10u + KEY_ESC_TIMEOUT_MS);
}

TEST_F(KeyboardTest, KbhitSeesALoneEscOnlyOnceItsTimeHasPassed) {
    testing_type(typed_keys("<Esc>"));
    EXPECT_EQ(platform::_kbhit(), 0);
    platform::Sleep(KEY_ESC_TIMEOUT_MS);
    EXPECT_NE(platform::_kbhit(), 0);
    EXPECT_EQ(platform::_getch(), 27);
}

// Windows gives nothing for an Alt key it has no code for: neither _kbhit
// nor _getch sees Meta+Space or Meta+!, and Meta+b is Alt+B.
TEST_F(KeyboardTest, MetaKeysComeAsAltKeysAndThoseWithoutACodeNotAtAll) {
    testing_type("\x1b \x1b!");
    EXPECT_EQ(platform::_kbhit(), 0);
    testing_type(
        "\x1b"
        "bz");
    EXPECT_EQ(platform::_getch(), 0);
    EXPECT_EQ(platform::_getch(), 48);
    EXPECT_EQ(platform::_getch(), 'z');
}

TEST_F(KeyboardTest, GetchReturnsMinusOneWithoutAKeyboardOrAfterTheEnd) {
    testing_type("x");
    testing_end_input();
    EXPECT_EQ(platform::_getch(), 'x');
    EXPECT_EQ(platform::_getch(), -1);
    testing_console_create(20, 5);
    testing_console_set_keyboard(false);
    testing_type("y");
    EXPECT_EQ(platform::_kbhit_possible(), 0);
    EXPECT_EQ(platform::_kbhit(), 0);
    EXPECT_EQ(platform::_getch(), -1);
    EXPECT_EQ(read_line(), "<null>");
}

TEST_F(KeyboardTest, NoKeyIsPossibleOnceInputHasEndedAndTheQueueIsEmpty) {
    testing_type(typed_keys("<Down>"));
    testing_end_input();
    EXPECT_NE(platform::_kbhit(), 0);
    EXPECT_NE(platform::_kbhit_possible(), 0);
    EXPECT_EQ(platform::_getch(), 224);
    EXPECT_NE(platform::_kbhit_possible(), 0);  // the second code is still there
    EXPECT_EQ(platform::_getch(), 80);
    EXPECT_EQ(platform::_kbhit(), 0);
    EXPECT_EQ(platform::_kbhit_possible(), 0);
}

TEST_F(KeyboardTest, FgetsEditsALineWithEchoAndHandsItBackWithItsNewline) {
    platform::SetConsoleTextAttribute(platform::GetStdHandle(platform::STD_OUTPUT_HANDLE), 0x1F);
    platform::SetConsoleCursorPosition(platform::GetStdHandle(platform::STD_OUTPUT_HANDLE), platform::COORD{5, 1});
    testing_type(typed_keys("13<BS>25<Left><Left>0<Enter>"));
    EXPECT_EQ(read_line(), "1025\n");
    EXPECT_EQ(testing_row_text(1), "     1025           ");
    EXPECT_EQ(screen_cell(&testing_console().screen, 5, 1).attr, 0x1F);
    EXPECT_EQ(testing_console().screen.cursor_x, 0);
    EXPECT_EQ(testing_console().screen.cursor_y, 2);
}

TEST_F(KeyboardTest, EchoReachesTheTerminalWhileTheLineIsTyped) {
    platform::Sleep(0);  // the screen started, the first frame apart
    testing_type("4");
    testing_type_at(100, "2\r");
    EXPECT_EQ(read_line(), "42\n");
    // The first key was drawn before the wait for the second; the second at
    // the next present, right after it.
    EXPECT_NE(testing_terminal_output().find('4'), std::string::npos);
    EXPECT_EQ(testing_terminal_output().find('2'), std::string::npos);
    platform::Sleep(0);
    EXPECT_NE(testing_terminal_output().find("42"), std::string::npos);
}

// Ctrl+L while a line is typed has the next present draw every row anew
// from the model, colours from a reset, as when something else has
// written over the terminal; another control key draws nothing more.
TEST_F(KeyboardTest, CtrlLInALineRedrawsTheWholeTerminal) {
    struct Case {
        const char* key;
        bool redrawn;
    } cases[] = {{"\x0c", true}, {"\x07", false}};
    for (const Case& c : cases) {
        testing_console_create(20, 5);
        platform::Sleep(0);  // the screen started, the first frame apart
        testing_type("4");
        testing_type_at(100, c.key);
        testing_type_at(200, "\r");
        EXPECT_EQ(read_line(), "4\n");
        const std::string& output = testing_terminal_output();
        std::string redraw = "\x1b[H\x1b[0m4\x1b[K\x1b[2;1H\x1b[K\x1b[3;1H\x1b[K\x1b[4;1H\x1b[K\x1b[5;1H\x1b[K";
        EXPECT_EQ(output.find(redraw) != std::string::npos, c.redrawn) << output;
    }
}

TEST_F(KeyboardTest, LineLongerThanTheBufferComesInSuccessiveCalls) {
    testing_type("abcdefghij\r");
    EXPECT_EQ(read_line(0), "<null>");  // no room at all: nothing is taken
    EXPECT_EQ(read_line(5), "abcd");
    testing_end_input();  // the rest comes without waiting for keys
    EXPECT_EQ(read_line(5), "efgh");
    EXPECT_EQ(read_line(5), "ij\n");
    EXPECT_EQ(read_line(5), "<null>");
}

// So is, as a read of the Windows console gives it, a line that starts
// with Ctrl+Z (F6); a Ctrl+Z further on ends the line after it.
TEST_F(KeyboardTest, CtrlDOnAnEmptyLineIsTheEndOfInput) {
    testing_type(typed_keys("<C-d>7<Enter><F6>8<Enter>9<F6>0<Enter>"));
    EXPECT_EQ(read_line(), "<null>");
    EXPECT_EQ(read_line(), "7\n");
    EXPECT_EQ(read_line(), "<null>");
    EXPECT_EQ(read_line(), "9\x1a");
}

// A popup open then closes, giving its cells back.
TEST_F(KeyboardTest, InputEndingMidLineGivesWhatWasTyped) {
    testing_type(typed_keys("5<Enter>12<F9>"));
    testing_end_input();
    EXPECT_EQ(read_line(), "5\n");
    EXPECT_EQ(read_line(), "12");
    EXPECT_EQ(testing_row_text(1), "12" + std::string(18, ' '));
    EXPECT_FALSE(testing_console().screen.popup_shown);
    EXPECT_EQ(read_line(), "<null>");
}

TEST_F(KeyboardTest, KeysTypedWhileBusyWaitForTheNextReadAndEchoThen) {
    testing_type("1\r2");
    EXPECT_NE(platform::_kbhit(), 0);
    EXPECT_EQ(read_line(), "1\n");
    EXPECT_EQ(testing_row_text(1), std::string(20, ' '));  // "2" not echoed yet
    testing_type("\r");
    EXPECT_EQ(read_line(), "2\n");
    EXPECT_EQ(testing_row_text(1), "2" + std::string(19, ' '));
}

TEST_F(KeyboardTest, APasteIsDrawnOnceWhenItHasAllBeenTakenIn) {
    // 600 digits in no repeating pattern arrive at once, more than one read
    // of the terminal takes; their echo scrolls the 20x5 screen many times.
    std::string pasted;
    uint32_t state = 12345;
    for (int i = 0; i < 600; ++i) {
        state = state * 1103515245u + 12345u;
        pasted += static_cast<char>('0' + (state >> 16) % 10);
    }
    // Amid it, a terminal's report longer than a read, which is no key.
    testing_type(pasted.substr(0, 100) + "\x1b[" + std::string(600, '1') + "R" + pasted.substr(100) + "\r");
    std::string line;
    while (line.empty() || line.back() != '\n') {
        std::string part = read_line();
        ASSERT_NE(part, "<null>");
        line += part;
    }
    EXPECT_EQ(line, pasted + "\n");
    // Drawn after a read, or the report's reads, digits 20 to 99 would have
    // reached the terminal, to be scrolled away; drawn once, at the next
    // present, only the end of the paste does.
    platform::Sleep(0);
    EXPECT_EQ(testing_terminal_output().find(pasted.substr(60, 20)), std::string::npos);
    EXPECT_NE(testing_terminal_output().find(pasted.substr(580, 20)), std::string::npos);
}

TEST_F(KeyboardTest, FgetsOnAnotherStreamReadsTheStream) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("from a file\n", file);
    std::rewind(file);
    char buffer[32];
    ASSERT_NE(platform::fgets(buffer, sizeof buffer, file), nullptr);
    EXPECT_STREQ(buffer, "from a file\n");
    EXPECT_EQ(testing_terminal_output(), "");  // not a question on the screen: nothing drawn for it
    std::fclose(file);
}

// A terminal that grows pulls rows of its scrollback into view above what
// it shows: its cursor, asked for before the resize is taken in, is that
// many rows lower. The rows of the run that had gone up come back first;
// the user's rows beyond them go back by line feeds on its bottom row
// before the redraw. A terminal that does not answer is redrawn as before.
// Keys typed meanwhile are kept.
TEST_F(KeyboardTest, RowsAGrowingTerminalPulledIntoViewGoBackToItsScrollback) {
    struct Case {
        int16_t cursor_row;  // on the 80 x 18 terminal's buffer
        const char* answer;
        std::string first;                                              // what the frame after the question begins with
    } cases[] = {{7, "\x1b[15;41R", "\x1b[25;1H\n\n\n\n\n\n\n\x1b[H"},  // 7 rows of the user's
                 {20, "\x1b[25;41R", "\x1b[25;1H\n\n\n\n\x1b[H"},       // 3 of the run's, 4 of the user's
                 {7, "", "\x1b[H"}};
    for (const Case& c : cases) {
        testing_console_on_terminal(80, 18);
        platform::SetConsoleCursorPosition(platform::GetStdHandle(platform::STD_OUTPUT_HANDLE),
                                           platform::COORD{40, c.cursor_row});
        EXPECT_EQ(platform::_kbhit(), 0);
        testing_terminal_output().clear();
        testing_terminal_silent();
        testing_terminal_resize(80, 25);
        testing_type_at(testing_now_ms() + 20, std::string(c.answer) + "k");
        EXPECT_NE(platform::_kbhit(), 0) << c.answer;
        std::string out = testing_terminal_output();
        EXPECT_EQ(out.substr(0, 4), "\x1b[6n");
        EXPECT_EQ(out.substr(4, c.first.size()), c.first) << c.answer;
        EXPECT_EQ(platform::_getch(), 'k');
        terminal_redraw();  // a later redraw, as Ctrl+L asks: the rows went back once only
        EXPECT_EQ(platform::_kbhit(), 0);
        EXPECT_EQ(testing_terminal_output().find("\n\n", out.size()), std::string::npos) << c.answer;
    }
}

}  // namespace
