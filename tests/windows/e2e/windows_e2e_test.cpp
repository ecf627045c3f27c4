// portata.exe, cross-built for Windows, on Wine's console in an 80x25 tmux
// pane: the same rows, colours and cursor positions as the native program,
// and no wait for a key when its output is not the console.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/calculator_golden.h"
#include "tests/support/calculator_pane.h"
#include "tests/support/terminal_modes.h"

namespace {

// Wine's first start in a prefix can take a minute; later ones a second or two.
constexpr int32_t WINE_START_MS = 120000;
// Wine starts slowly, and slower still on a busy machine.
constexpr int32_t STEP_MS = 2 * TEST_WAIT_MS;
// Wine's console gives the terminal its modes back just after the program
// has ended.
constexpr int32_t SETTLE_MS = 500;

std::string wine_command(const char* program = PORTATA_EXE) {
    return std::string("env WINEPREFIX='") + PORTATA_WINEPREFIX + "' WINEDEBUG=-all '" + PORTATA_WINE + "' '" +
           program + "'";
}

std::string file_text(const std::string& path) {
    std::string text;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return text;
    char chunk[512];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    std::fclose(file);
    return text;
}

// Wine's console has taken the pane's terminal once canonical mode is off;
// keys typed before then are read by the terminal's line discipline, which
// turns Enter into a line feed that the console does not take for Enter.
bool wait_for_wine_console(const TmuxSession& session, int32_t timeout_ms) {
    std::string tty = tmux_pane_tty(session);
    return wait_until([&] { return has_word(shell_output(modes_command({"icanon"}, tty)), "-icanon"); }, timeout_ms);
}

class WindowsTerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
    }
    void TearDown() override { tmux_stop(pane.session); }

    void start() {
        pane.session = tmux_start(calculator_pane_command(wine_command(), SETTLE_MS), 80, 25);
        ASSERT_TRUE(tmux_wait_for_text(pane.session, "Antenna TX", WINE_START_MS)) << tmux_text(pane.session);
        // The question may show before the console has the terminal's keys.
        ASSERT_TRUE(wait_for_wine_console(pane.session, WINE_START_MS)) << tmux_text(pane.session);
    }

    CalculatorPane pane{{}, STEP_MS};
};

TEST_F(WindowsTerminalTest, TheScreenAnswersAndEndsOnAKey) {
    calculator_pane_expect_answered_run(&pane, [this] { start(); });
}

TEST_F(WindowsTerminalTest, AnswersAsUsersTypeThem) {
    calculator_pane_expect_answer_cases(&pane, [this] { start(); });
}

// Ctrl+C ends the program while it asks, and Wine's console gives the
// terminal back as it was. The exit status is not checked: Windows reports
// STATUS_CONTROL_C_EXIT, which Wine does not pass on to the shell.
TEST_F(WindowsTerminalTest, InterruptedWhileAskingLeavesTheTerminalSane) {
    start();
    tmux_send(pane.session, "-l 12");
    ASSERT_TRUE(tmux_wait_for_text(pane.session, "12", STEP_MS)) << tmux_text(pane.session);
    tmux_send(pane.session, "C-c");
    ASSERT_TRUE(tmux_wait_for_text(pane.session, "=DONE=", STEP_MS)) << tmux_text(pane.session);
    std::string text = tmux_text(pane.session);
    EXPECT_EQ(text.find("premi un tasto"), std::string::npos) << text;
    EXPECT_TRUE(modes_all_on(text, "EXIT:")) << text;
}

// With its output in a file portata still reads the answers typed at the
// console, but it has no screen to wait on: it ends without a key.
TEST_F(WindowsTerminalTest, OutputToAFileEndsWithoutAKey) {
    std::string file = std::string(PORTATA_WINEPREFIX) + "-redirected.txt";
    std::remove(file.c_str());
    pane.session = tmux_start(calculator_pane_command(wine_command() + " > '" + file + "'", SETTLE_MS), 80, 25);
    // Nothing shows while it asks.
    ASSERT_TRUE(wait_for_wine_console(pane.session, WINE_START_MS)) << tmux_text(pane.session);
    tmux_send(pane.session, std::string("-l ") + FINISHED_TX);
    tmux_send(pane.session, "Enter");
    tmux_send(pane.session, std::string("-l ") + FINISHED_RX);
    tmux_send(pane.session, "Enter");
    ASSERT_TRUE(tmux_wait_for_text(pane.session, "=DONE=", STEP_MS)) << tmux_text(pane.session);
    EXPECT_NE(tmux_text(pane.session).find("EXIT:0"), std::string::npos) << tmux_text(pane.session);
    std::string text = file_text(file);
    EXPECT_NE(text.find(FINISHED_RANGE), std::string::npos) << text;
    EXPECT_NE(text.find(CALCULATOR_PRESS_KEY), std::string::npos) << text;
}

// The console set-up's own tests need a console, which Wine gives only to a
// program on a terminal: they run here, in a pane, and none may skip.
TEST_F(WindowsTerminalTest, TheConsoleSetUpTestsPassOnWinesConsole) {
    std::string log = std::string(PORTATA_WINEPREFIX) + "-console-setup.txt";
    std::remove(log.c_str());
    pane.session = tmux_start(
        calculator_pane_command(wine_command(PORTATA_CONSOLE_SETUP_TESTS) + " > '" + log + "' 2>&1", SETTLE_MS), 80,
        25);
    ASSERT_TRUE(tmux_wait_for_text(pane.session, "=DONE=", WINE_START_MS)) << tmux_text(pane.session);
    std::string text = file_text(log);
    EXPECT_NE(tmux_text(pane.session).find("EXIT:0"), std::string::npos) << text;
    EXPECT_NE(text.find("[  PASSED  ]"), std::string::npos) << text;
    EXPECT_EQ(text.find("SKIPPED"), std::string::npos) << text;
}

// In a pipe, with no console at all, it reads standard input and ends.
TEST(WindowsPipeTest, APipeRunEndsWithTheRange) {
    std::string command = "printf '100\\n25\\n' | timeout 120 " + wine_command() + " 2>/dev/null";
    ShellRun run = shell_run(command);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find(CALCULATOR_ASK_TX), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(FINISHED_RANGE), std::string::npos) << run.output;
}

}  // namespace
