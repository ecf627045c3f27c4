// portata in an 80x25 tmux pane: typed as a user would, read back with its
// colours, and the terminal checked after it ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/calculator_pane.h"
#include "tests/support/terminal_modes.h"

namespace {

constexpr int32_t STEP_MS = 5000;

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

    CalculatorPane pane{{}, STEP_MS};
};

TEST_F(TerminalTest, TheScreenAnswersAndEndsOnAKey) {
    calculator_pane_expect_answered_run(&pane, [this] { start(); });
}

TEST_F(TerminalTest, AnswersAsUsersTypeThem) {
    calculator_pane_expect_answer_cases(&pane, [this] { start(); });
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
        expect_modes_on(modes_line(text, "EXIT:"));
        tmux_stop(pane.session);
    }
}

}  // namespace
