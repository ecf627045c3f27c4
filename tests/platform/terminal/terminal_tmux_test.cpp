// The terminal side in a real terminal emulator: the probe program runs in a
// tmux pane, keys are typed with send-keys, and the pane's characters,
// colours and terminal modes are read back, also after the program was
// interrupted, killed or suspended.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "tests/support/terminal_modes.h"
#include "tests/support/tmux_session.h"

namespace {

// --- the probe -------------------------------------------------------------

// Where the probe leaves its process id, one file per test process.
std::string pid_file() { return "/tmp/portata-probe-" + std::to_string(getpid()) + ".pid"; }

// The modes the probe must hand back: a shell's, and flow control.
const std::vector<std::string> PROBE_MODES = {"icanon", "echo", "isig", "icrnl", "ixon", "opost"};

// After the probe the pane shows its exit status and the terminal modes.
// The shell catches SIGINT so that it outlives an interrupted probe (the
// probe itself gets the default action back when it starts).
std::string probe_command(const std::string& redirect = "") {
    return std::string("trap : INT; TERMINAL_PROBE_PID_FILE='") + pid_file() + "' '" + TERMINAL_PROBE_EXE + "'" +
           redirect + "; echo \"EXIT:$?\"; " + modes_command(PROBE_MODES) + "; sleep 60";
}

class TerminalTmuxTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
    }
    void TearDown() override {
        tmux_stop(session);
        std::remove(pid_file().c_str());
    }

    void start(const std::string& command) {
        session = tmux_start(command, 80, 25);
        ASSERT_TRUE(tmux_wait_for_text(session, "> ")) << tmux_text(session);
    }

    // The probe has ended with this status: the shell's line starts a fresh
    // row in the terminal's own colours, and the terminal is back in its
    // cooked modes.
    void expect_ended(const std::string& status) {
        ASSERT_TRUE(tmux_wait(session, [](const std::string& text) { return modes_shown(text, "EXIT:", PROBE_MODES); }))
            << tmux_text(session);
        TmuxScreen screen = tmux_screen(session);
        int32_t row = tmux_row_of(screen, "EXIT:");
        EXPECT_EQ(tmux_row_text(screen, row, 0, static_cast<int32_t>(5 + status.size())), "EXIT:" + status);
        tmux_expect_colours(screen, row, 0, 5, 39, 49);
        expect_modes_on(modes_line(tmux_text(session), "EXIT:", PROBE_MODES), PROBE_MODES);
    }

    TmuxSession session{};
};

TEST_F(TerminalTmuxTest, ColoursCharactersLineEditingResizeAndAKey) {
    start(probe_command());
    TmuxScreen screen = tmux_screen(session);
    EXPECT_EQ(tmux_row_text(screen, 0, 0, 20), "Giallo normale Rosso");
    tmux_expect_colours(screen, 0, 0, 6, 93, 44);
    tmux_expect_colours(screen, 0, 6, 9, 39, 49);
    tmux_expect_colours(screen, 0, 15, 5, 97, 41);
    EXPECT_EQ(tmux_row_text(screen, 1, 0, 4), "\xc3\xa9\xe2\x94\x80\xe2\x98\xba\xe2\x8c\x82");  // é─☺⌂

    tmux_send(session, "-l 12");
    tmux_send(session, "Left");
    tmux_send(session, "-l 3");
    ASSERT_TRUE(tmux_wait_for_text(session, "> 132")) << tmux_text(session);
    screen = tmux_screen(session);
    tmux_expect_colours(screen, 2, 0, 5, 93, 44);  // the echo in the current attribute
    EXPECT_EQ(screen.cursor_x, 4);
    EXPECT_EQ(screen.cursor_y, 2);

    EXPECT_TRUE(tmux_resize(session, 70, 20));
    tmux_send(session, "Enter");
    ASSERT_TRUE(tmux_wait_for_text(session, "tasto?")) << tmux_text(session);
    screen = tmux_screen(session);
    EXPECT_EQ(tmux_row_text(screen, 3, 0, 10), "letto: 132");
    tmux_expect_colours(screen, 3, 0, 10, 97, 42);
    // The buffer keeps its size; the window onto it is the terminal's.
    EXPECT_EQ(tmux_row_text(screen, 4, 0, 23), "dim: 80x25 vista: 70x20");
    EXPECT_EQ(tmux_row_text(screen, 0, 0, 20), "Giallo normale Rosso");  // kept through the resize

    tmux_send(session, "Up");
    expect_ended("0");
    screen = tmux_screen(session);
    EXPECT_EQ(tmux_row_of(screen, "tasto: 224 72"), 5);
    EXPECT_EQ(tmux_row_of(screen, "fine"), 6);
    EXPECT_EQ(tmux_row_of(screen, "EXIT:"), 7);
}

TEST_F(TerminalTmuxTest, InterruptedOrKilledWhileReadingALineLeavesTheTerminalSane) {
    for (const char* how : {"C-c", "TERM", "HUP"}) {
        start(probe_command());
        tmux_send(session, "-l 45");
        ASSERT_TRUE(tmux_wait_for_text(session, "> 45")) << tmux_text(session);
        if (std::string(how) == "C-c") {
            tmux_send(session, "C-c");
        } else {
            std::FILE* file = std::fopen(pid_file().c_str(), "r");
            ASSERT_NE(file, nullptr);
            long pid = 0;
            EXPECT_EQ(std::fscanf(file, "%ld", &pid), 1);
            std::fclose(file);
            ASSERT_GT(pid, 1);
            EXPECT_EQ(kill(static_cast<pid_t>(pid), std::string(how) == "TERM" ? SIGTERM : SIGHUP), 0);
        }
        // Killed by the signal itself, after the terminal was given back.
        expect_ended(std::string(how) == "C-c" ? "130" : std::string(how) == "TERM" ? "143" : "129");
        tmux_stop(session);
    }
}

TEST_F(TerminalTmuxTest, KeysComeFromTheTerminalWhenStandardInputIsRedirected) {
    session = tmux_start(probe_command(" < /dev/null"), 80, 25);
    ASSERT_TRUE(tmux_wait_for_text(session, "tasto?")) << tmux_text(session);
    EXPECT_NE(tmux_text(session).find("letto: (null)"), std::string::npos);
    tmux_send(session, "F1");
    expect_ended("0");
    EXPECT_NE(tmux_text(session).find("tasto: 0 59"), std::string::npos) << tmux_text(session);
}

TEST_F(TerminalTmuxTest, SuspendedTheShellHasItsTerminalAndResumedTheScreenComesBack) {
    session = tmux_start("PS1='$ ' sh -i", 80, 25);
    ASSERT_TRUE(tmux_wait_for_text(session, "$ ")) << tmux_text(session);
    tmux_send(session, std::string("-l \"'") + TERMINAL_PROBE_EXE + "'\"");
    tmux_send(session, "Enter");
    ASSERT_TRUE(tmux_wait_for_text(session, "> ")) << tmux_text(session);
    tmux_send(session, "-l 8");
    ASSERT_TRUE(tmux_wait_for_text(session, "> 8")) << tmux_text(session);
    tmux_send(session, "C-z");
    ASSERT_TRUE(tmux_wait_for_text(session, "Stopped")) << tmux_text(session);
    tmux_send(session, "-l 'stty -a | grep -c \" icanon \"; echo STTY'");
    tmux_send(session, "Enter");
    ASSERT_TRUE(tmux_wait_for_text(session, "1\nSTTY")) << tmux_text(session);
    tmux_send(session, "-l fg");
    tmux_send(session, "Enter");
    ASSERT_TRUE(tmux_wait(session, [](const std::string& text) {
        return text.find("Giallo") != std::string::npos && text.find("STTY") == std::string::npos;
    })) << tmux_text(session);
    tmux_send(session, "-l 9");
    tmux_send(session, "Enter");
    ASSERT_TRUE(tmux_wait_for_text(session, "letto: 89")) << tmux_text(session);
    tmux_send(session, "z");
    ASSERT_TRUE(tmux_wait_for_text(session, "tasto: 122 -1")) << tmux_text(session);
}

}  // namespace
