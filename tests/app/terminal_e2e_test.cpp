// portata in an 80x25 tmux pane: typed as a user would, read back with its
// colours, and the terminal checked after it ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/calculator_pane.h"

namespace {

// How long the screen may take to answer a key: generous, as the machine may
// be busy with other builds.
constexpr int32_t STEP_MS = 30000;

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
    }
    void TearDown() override { tmux_stop(pane.session); }

    void start() {
        pane.session = tmux_start(calculator_pane_command(std::string("'") + PORTATA_EXE + "'"), 80, 25);
        ASSERT_TRUE(tmux_wait_for_text(pane.session, "Antenna TX", STEP_MS)) << tmux_text(pane.session);
    }

    void send(const std::string& keys) { tmux_send(pane.session, keys); }

    // Waits for the answer's field (row 8 or 10, 1-based, from column 40)
    // to show `shown` and nothing after it.
    bool field_shows(int32_t row, const std::string& shown) {
        std::string expected = shown + std::string(12 - shown.size(), ' ');
        std::string last;
        bool seen = tmux_wait(pane.session, [&](const std::string&) {
            last = tmux_row_text(tmux_screen(pane.session), row - 1, 39, 12);
            return last == expected;
        }, STEP_MS);
        EXPECT_TRUE(seen) << "row " << row << " shows '" << last << "', not '" << expected << "'";
        return seen;
    }

    CalculatorPane pane{{}, STEP_MS};
};

TEST_F(TerminalTest, TheScreenAnswersAndEndsOnAKey) {
    calculator_pane_expect_answered_run(&pane, [this] { start(); });
}

TEST_F(TerminalTest, AnswersAsUsersTypeThem) {
    calculator_pane_expect_answer_cases(&pane, [this] { start(); });
}

// Meta+a (sent as Esc a in one write) does not clear the line, Option+Left
// (Esc b, sent as two keys) goes a word left, Ctrl+W and Ctrl+U erase.
TEST_F(TerminalTest, MetaAndControlKeysEditTheAnswer) {
    start();
    send("-l 1234");
    send("Left Left M-a");
    send("-l 9");
    ASSERT_TRUE(field_shows(8, "12934"));
    send("Escape b");
    send("-l 7");
    ASSERT_TRUE(field_shows(8, "712934"));
    send("End");
    send("-l ' 5 6'");
    send("C-w");
    ASSERT_TRUE(field_shows(8, "712934 5"));
    send("Left Left C-u");
    ASSERT_TRUE(field_shows(8, "5"));
    calculator_pane_answer(pane, "", "Antenna RX");
    calculator_pane_answer(pane, "", "premi un tasto");
    EXPECT_EQ(tmux_row_text(tmux_screen(pane.session), 19, 39, 6), " 9 km ");  // 4 x sqrt 5
    calculator_pane_expect_clean_exit(pane);
}

// Ctrl+L draws the screen anew over bytes written straight to the pane's
// terminal, and Down after Up brings back the answer being typed: the run
// ends on the finished screen of 100 and 25 all the same.
TEST_F(TerminalTest, CtrlLRedrawsOverGarbageAndDownBringsBackTheTypedAnswer) {
    start();
    calculator_pane_answer(pane, "100", "Antenna RX");
    send("-l 2");
    std::string tty = shell_output("tmux -L " + pane.session.socket + " display -p -t 0 '#{pane_tty}'");
    tty = tty.substr(0, tty.find('\n'));
    shell_output("printf '\\033[31mGARBAGE\\033[10;60Hzz\\033[1;1HXX' > " + shell_quote(tty));
    ASSERT_TRUE(tmux_wait_for_text(pane.session, "GARBAGE", STEP_MS)) << tmux_text(pane.session);
    send("C-l");
    ASSERT_TRUE(tmux_wait(pane.session, [](const std::string& text) {
        return text.find("GARBAGE") == std::string::npos && text.find("XX") == std::string::npos &&
               text.find("zz") == std::string::npos;
    }, STEP_MS)) << tmux_text(pane.session);
    send("-l 5");
    send("Up");
    ASSERT_TRUE(field_shows(10, "100"));
    send("Down");
    ASSERT_TRUE(field_shows(10, "25"));
    calculator_pane_answer(pane, "", "premi un tasto");
    calculator_pane_expect_finished_screen(tmux_screen(pane.session));
    calculator_pane_expect_clean_exit(pane);
}

TEST_F(TerminalTest, InterruptedWhileAskingLeavesTheTerminalSane) {
    struct Case {
        bool kill;
        const char* status;
    } cases[] = {{false, "EXIT:130"}, {true, "EXIT:143"}};
    for (const Case& c : cases) {
        start();
        tmux_send(pane.session, "-l 12");
        if (c.kill) {
            std::system(("pkill -TERM -P " + std::to_string(tmux_pane_pid(pane.session))).c_str());
        } else {
            tmux_send(pane.session, "C-c");
        }
        ASSERT_TRUE(tmux_wait_for_text(pane.session, "=DONE=", STEP_MS)) << tmux_text(pane.session);
        std::string text = tmux_text(pane.session);
        EXPECT_NE(text.find(c.status), std::string::npos) << text;
        calculator_pane_expect_sane_modes(text);
        tmux_stop(pane.session);
    }
}

}  // namespace
