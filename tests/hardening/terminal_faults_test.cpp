// portata in a real terminal (a tmux pane) under what a terminal can do to a
// program: signals while it asks and while it waits for the key, the
// terminal going away, a burst of resizes while the user types, a suspend
// and resume by the shell's job control, no controlling terminal, and
// standard streams closed. Each time the program ends (or goes on) cleanly,
// nothing typed is lost or shown twice, and the shell gets its terminal back
// with sane modes, its own colours and a visible cursor.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "tests/support/tmux_session.h"

namespace {

// After portata: its exit status, then the terminal's modes, each with a
// minus sign when off.
constexpr const char* AFTER =
    "; echo \"EXIT:$?\"; stty -a | tr ' ;' '\\n\\n' | grep -E '^-?(icanon|echo|isig|icrnl|opost)$' | tr '\\n' ' '; "
    "echo; sleep 60";

// The same modes line, typed at an interactive shell.
constexpr const char* MODES_LINE =
    "stty -a | tr ' ;' '\\n\\n' | grep -E '^-?(icanon|echo|isig|icrnl|opost)$' | tr '\\n' ' '; echo";


bool process_alive(int64_t pid) { return pid > 0 && (kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

class TerminalFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
        pid_file = "/tmp/portata-hardening-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".pid";
    }
    void TearDown() override {
        tmux_stop(session);
        std::remove(pid_file.c_str());
    }

    // Starts `prefix portata redirections` in an 80x25 pane; portata's own
    // process id goes to the pid file, so it can be signalled by its id.
    void start(const std::string& prefix = "", const std::string& redirections = "", bool wait = true) {
        std::remove(pid_file.c_str());
        std::string launch = prefix + " sh -c 'echo $$ >" + pid_file + "; exec \"$0\"' " + shell_quote(PORTATA_EXE) +
                             " " + redirections;
        session = tmux_start(launch + AFTER, 80, 25);
        if (wait) {
            ASSERT_TRUE(tmux_wait_for_text(session, "Antenna TX")) << tmux_text(session);
        }
    }
    int64_t portata_pid() {
        for (int i = 0; i < 100; ++i) {
            std::ifstream in(pid_file);
            int64_t pid = 0;
            if (in >> pid) return pid;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return -1;
    }
    void tmux_command(const std::string& arguments) {
        shell_output("tmux -L " + session.socket + " " + arguments + " 2>/dev/null");
    }
    void answer(const std::string& typed, const std::string& next) {
        if (!typed.empty()) tmux_send(session, "-l " + shell_quote(typed));
        tmux_send(session, "Enter");
        ASSERT_TRUE(tmux_wait_for_text(session, next)) << tmux_text(session);
    }
    std::string wait_for_exit() {
        // The status, then the modes line right after it.
        EXPECT_TRUE(tmux_wait(session, [](const std::string& text) {
            std::size_t exit = text.find("EXIT:");
            return exit != std::string::npos && text.find("icrnl", exit) != std::string::npos;
        }, 30000)) << tmux_text(session);
        return tmux_text(session);
    }
    // The shell has its terminal back: cooked modes, a visible cursor, and
    // what it prints in its own colours.
    void expect_terminal_handed_back(const std::string& text, const std::string& context) {
        std::size_t exit = text.find("EXIT:");
        ASSERT_NE(exit, std::string::npos) << context;
        std::size_t line_end = text.find('\n', exit);
        std::string modes = " " + text.substr(line_end + 1, text.find('\n', line_end + 1) - line_end - 1);
        for (const char* mode : {" icanon", " echo", " isig", " icrnl", " opost"}) {
            EXPECT_NE(modes.find(mode), std::string::npos) << context << ": " << mode << " in" << modes;
        }
        std::string cursor = shell_output("tmux -L " + session.socket + " display-message -p -t 0 '#{cursor_flag}'");
        EXPECT_EQ(cursor, "1\n") << context << ": the cursor stays hidden";
        TmuxScreen screen = tmux_screen(session);
        for (const auto& row : screen.rows) {
            std::string line;
            for (const TmuxCell& cell : row) line += cell.text;
            std::size_t at = line.find("EXIT:");
            if (at == std::string::npos) continue;
            EXPECT_EQ(row[at].fg, 39) << context << ": the shell's text in the program's colours";
            EXPECT_EQ(row[at].bg, 49) << context << ": the shell's text in the program's colours";
        }
    }
    // An interactive shell in the pane, for job control: a command line is
    // typed once the shell has shown it reads lines.
    void start_shell() {
        session = tmux_start("PS1='$ ' bash --norc --noprofile -i", 80, 25);
        for (int attempt = 0; attempt < 20; ++attempt) {
            tmux_send(session, "-l 'echo READY'");
            tmux_send(session, "Enter");
            if (tmux_wait(session, [](const std::string& t) { return t.find("\nREADY") != std::string::npos; }, 500)) return;
        }
        FAIL() << "the shell never became ready\n" << tmux_text(session);
    }
    // The shell shows its prompt again (on the last line with anything on it).
    bool wait_for_prompt() {
        return tmux_wait(session, [](const std::string& t) {
            std::size_t end = t.find_last_not_of(" \n");
            if (end == std::string::npos) return false;
            std::size_t start = t.rfind('\n', end);
            start = start == std::string::npos ? 0 : start + 1;
            return t.substr(start, end + 1 - start) == "$";
        });
    }
    void shell_type(const std::string& line) {
        tmux_send(session, "-l " + shell_quote(line));
        tmux_send(session, "Enter");
    }
    void suspend_and_resume(const std::string& still_shown) {
        tmux_send(session, "C-z");
        // Keys typed before the shell shows its prompt again may be flushed
        // by the shell's own terminal handling: wait for the prompt.
        auto prompt_after_stop = [](const std::string& t) {
            std::size_t stopped = t.find("Stopped");
            return stopped != std::string::npos && t.find("\n$ ", stopped) != std::string::npos;
        };
        ASSERT_TRUE(tmux_wait(session, prompt_after_stop)) << tmux_text(session);
        // While stopped the shell has a cooked terminal.
        shell_type(std::string("echo STOP''PED; ") + MODES_LINE);
        ASSERT_TRUE(tmux_wait(session, [](const std::string& t) {
            std::size_t marker = t.find("STOPPED\n");
            return marker != std::string::npos && t.find("icrnl", marker) != std::string::npos;
        })) << tmux_text(session);
        std::string stopped = tmux_text(session);
        std::string stopped_modes = " " + stopped.substr(stopped.find("STOPPED\n") + 8);
        for (const char* mode : {" icanon", " echo", " isig", " icrnl", " opost"}) {
            EXPECT_NE(stopped_modes.find(mode), std::string::npos) << mode << " while stopped";
        }
        // Back in the foreground the program draws its whole screen again.
        shell_type("fg");
        ASSERT_TRUE(tmux_wait(session, [&](const std::string& t) {
            return t.find("STOPPED") == std::string::npos && t.find(still_shown) != std::string::npos;
        })) << tmux_text(session);
    }
    // The key ends the program; the shell then reports its status and modes.
    void end_with_key(const std::string& context) {
        tmux_send(session, "q");
        // Keys typed before the program has ended would be dropped with the
        // rest of its unread input.
        ASSERT_TRUE(wait_for_prompt()) << tmux_text(session);
        shell_type(std::string("echo EX''IT:$?; ") + MODES_LINE);
        std::string after = wait_for_exit();
        EXPECT_NE(after.find("EXIT:0"), std::string::npos) << context << "\n" << after;
        EXPECT_EQ(after.find("$ q"), std::string::npos) << context << ": the key reached the shell";
        expect_terminal_handed_back(after, context);
    }
    static int32_t count(const std::string& text, const std::string& needle) {
        int32_t n = 0;
        for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
        return n;
    }

    TmuxSession session{};
    std::string pid_file;
};

TEST_F(TerminalFaultsTest, SignalsWhileAskingAndWhileWaitingForTheKey) {
    struct Case {
        int signal;
        const char* name;
        bool at_key_wait;
    } cases[] = {
        {SIGHUP, "HUP", false}, {SIGTERM, "TERM", false}, {SIGINT, "INT", false},
        {SIGHUP, "HUP", true},  {SIGTERM, "TERM", true},  {SIGINT, "INT", true},
    };
    for (const Case& c : cases) {
        std::string context = std::string(c.name) + (c.at_key_wait ? " at the key wait" : " while asking");
        start();
        if (c.at_key_wait) {
            answer("100", "Antenna RX");
            answer("25", "premi un tasto");
        } else {
            tmux_send(session, "-l 12");
            ASSERT_TRUE(tmux_wait_for_text(session, "slm       12")) << tmux_text(session);
        }
        int64_t pid = portata_pid();
        ASSERT_GT(pid, 0) << context;
        kill(static_cast<pid_t>(pid), c.signal);
        std::string text = wait_for_exit();
        EXPECT_NE(text.find("EXIT:" + std::to_string(128 + c.signal)), std::string::npos) << context << "\n" << text;
        expect_terminal_handed_back(text, context);
        tmux_stop(session);
    }
}

TEST_F(TerminalFaultsTest, CtrlCWhileAskingAndAtTheKeyWaitInterrupts) {
    // Ctrl+C signals the whole foreground job: an interactive shell runs the
    // program as a job of its own and survives to report.
    for (bool at_key_wait : {false, true}) {
        std::string context = at_key_wait ? "Ctrl+C at the key wait" : "Ctrl+C while asking";
        start_shell();
        shell_type(PORTATA_EXE);
        ASSERT_TRUE(tmux_wait_for_text(session, "Antenna TX")) << tmux_text(session);
        if (at_key_wait) {
            answer("100", "Antenna RX");
            answer("25", "premi un tasto");
        } else {
            tmux_send(session, "-l 12");
            ASSERT_TRUE(tmux_wait_for_text(session, "slm       12")) << tmux_text(session);
        }
        tmux_send(session, "C-c");
        ASSERT_TRUE(wait_for_prompt()) << tmux_text(session);
        shell_type("echo EX''IT:$?; stty -a | tr ' ;' '\\n\\n' | grep -E '^-?(icanon|echo|isig|icrnl|opost)$' | tr '\\n' ' '; echo");
        std::string text = wait_for_exit();
        EXPECT_NE(text.find("EXIT:130"), std::string::npos) << context << "\n" << text;
        expect_terminal_handed_back(text, context);
        tmux_stop(session);
    }
}

TEST_F(TerminalFaultsTest, TheTerminalGoingAwayEndsTheProgram) {
    for (bool at_key_wait : {false, true}) {
        start();
        if (at_key_wait) {
            answer("100", "Antenna RX");
            answer("25", "premi un tasto");
        }
        int64_t pid = portata_pid();
        ASSERT_GT(pid, 0);
        // The pane's terminal is closed under the program: a hangup.
        tmux_command("kill-pane -t 0");
        bool gone = false;
        for (int i = 0; i < 100 && !gone; ++i) {
            gone = !process_alive(pid);
            if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_TRUE(gone) << "portata outlived its terminal" << (at_key_wait ? " at the key wait" : " while asking");
        if (!gone) kill(static_cast<pid_t>(pid), SIGKILL);
        tmux_stop(session);
    }
}

TEST_F(TerminalFaultsTest, ABurstOfResizesWhileTypingLosesNothing) {
    start();
    const int32_t widths[] = {60, 100, 30, 81, 45, 120, 20, 79, 80};
    std::string typed;
    for (int32_t round = 0; round < 3; ++round) {
        for (int32_t w : widths) {
            std::string digit = std::to_string((w + round) % 9 + 1);
            tmux_send(session, "-l " + digit);
            typed += digit;
            tmux_command("resize-window -t 0 -x " + std::to_string(w) + " -y " + std::to_string(w / 4 + 8));
        }
    }
    tmux_command("resize-window -t 0 -x 80 -y 25");
    // Let the last resize and keys land before the line ends.
    ASSERT_TRUE(tmux_wait_for_text(session, typed)) << typed << "\n" << tmux_text(session);
    answer("", "Antenna RX");
    answer("4", "premi un tasto");
    std::string text = tmux_text(session);
    EXPECT_EQ(count(text, typed), 1) << "every key once: " << typed << "\n" << text;
    // The answer is every digit typed: atoi saturates a line this long.
    EXPECT_NE(text.find(" 185372 km"), std::string::npos) << text;
    tmux_send(session, "q");
    std::string after = wait_for_exit();
    EXPECT_NE(after.find("EXIT:0"), std::string::npos) << after;
    expect_terminal_handed_back(after, "after resizes");
}

TEST_F(TerminalFaultsTest, SuspendedAndResumedByTheShellGoesOnWithTheLine) {
    start_shell();
    // The program is the job itself, as a user starts it: the shell sees it
    // stopped only once it has handed the terminal back. (The markers are
    // split in the command lines, so that only the output shows them whole.)
    shell_type(shell_quote(PORTATA_EXE));
    ASSERT_TRUE(tmux_wait_for_text(session, "Antenna TX")) << tmux_text(session);
    tmux_send(session, "-l 12");
    ASSERT_TRUE(tmux_wait_for_text(session, "slm       12")) << tmux_text(session);
    suspend_and_resume("slm       12");
    tmux_send(session, "-l 3");
    answer("", "Antenna RX");
    answer("4", "premi un tasto");
    std::string text = tmux_text(session);
    EXPECT_NE(text.find("slm       123\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" 52 km"), std::string::npos) << text;  // 4 x (sqrt 123 + sqrt 4)
    end_with_key("after suspend and resume while asking");
}

TEST_F(TerminalFaultsTest, SuspendedAndResumedAtTheKeyWaitEndsOnTheNextKey) {
    start_shell();
    shell_type(shell_quote(PORTATA_EXE));
    ASSERT_TRUE(tmux_wait_for_text(session, "Antenna TX")) << tmux_text(session);
    answer("100", "Antenna RX");
    answer("25", "premi un tasto");
    suspend_and_resume("premi un tasto");
    EXPECT_NE(tmux_text(session).find(" 60 km"), std::string::npos) << tmux_text(session);
    end_with_key("after suspend and resume at the key wait");
}

TEST_F(TerminalFaultsTest, WithoutAControllingTerminalTheProgramAsksAndEnds) {
    // setsid: standard output and input are still the terminal, but there
    // is no controlling terminal to read keys from. util-linux's setsid(1)
    // is Linux only.
    if (!shell_has_command("setsid")) GTEST_SKIP() << "setsid(1) is not installed";
    start("setsid -w", "", false);
    EXPECT_TRUE(tmux_wait_for_text(session, "Antenna TX")) << "nothing shown before typing\n" << tmux_text(session);
    answer("7", "Antenna RX");
    tmux_send(session, "-l 9");
    tmux_send(session, "Enter");
    std::string text = wait_for_exit();
    EXPECT_NE(text.find("EXIT:0"), std::string::npos) << text;
    EXPECT_NE(text.find(" 23 km"), std::string::npos) << text;  // 4 x (sqrt 7 + sqrt 9)
    expect_terminal_handed_back(text, "no controlling terminal");
}

TEST_F(TerminalFaultsTest, AClosedStandardInputGivesNoAnswersButTheKeyStillEndsTheRun) {
    // Nothing can be read from a closed input: both heights are 0 at once,
    // and the key still comes from the terminal.
    start("", "<&-", false);
    ASSERT_TRUE(tmux_wait_for_text(session, "premi un tasto")) << tmux_text(session);
    EXPECT_NE(tmux_text(session).find(" 0 km"), std::string::npos) << tmux_text(session);
    tmux_send(session, "q");
    std::string text = wait_for_exit();
    EXPECT_NE(text.find("EXIT:0"), std::string::npos) << text;
    expect_terminal_handed_back(text, "standard input closed");
}

TEST_F(TerminalFaultsTest, ClosedOrEmptyStandardStreamsInATerminal) {
    // Each case is typed step by step, each step waiting for what it leads
    // to: a key typed after the program has ended would reach the shell and
    // land between its lines.
    struct Step {
        const char* keys;   // tmux send-keys arguments
        const char* shows;  // text to wait for after the keys; "" for none
    };
    const std::vector<Step> console_run = {{"-l 5", ""}, {"Enter", "Antenna RX"}, {"-l 5", ""},
                                           {"Enter", "premi un tasto"}, {"q", ""}};
    const std::vector<Step> no_answers = {{"q", ""}};  // the answers read as empty, then the key
    const std::vector<Step> plain_lines = {{"-l 5", ""}, {"Enter", ""}, {"-l 5", ""}, {"Enter", ""}};
    struct Case {
        const char* redirections;
        const char* first_shown;  // what the program shows before anything is typed; "" when nothing
        const std::vector<Step>& steps;
    } cases[] = {
        {"</dev/null", "premi un tasto", no_answers},
        {"<&-", "premi un tasto", no_answers},
        {">/dev/null", "", plain_lines},
        {">&-", "", plain_lines},
        {"2>&-", "Antenna TX", console_run},
        // A terminal that takes no writes: the console is a file.
        {"1</dev/tty", "", plain_lines},
    };
    for (const Case& c : cases) {
        start("", c.redirections, false);
        if (*c.first_shown != '\0') {
            ASSERT_TRUE(tmux_wait_for_text(session, c.first_shown)) << c.redirections << tmux_text(session);
        }
        for (const Step& step : c.steps) {
            tmux_send(session, step.keys);
            if (*step.shows != '\0') {
                ASSERT_TRUE(tmux_wait_for_text(session, step.shows)) << c.redirections << tmux_text(session);
            }
        }
        std::string text = wait_for_exit();
        EXPECT_NE(text.find("EXIT:0"), std::string::npos) << c.redirections << "\n" << text;
        expect_terminal_handed_back(text, c.redirections);
        tmux_stop(session);
    }
}

}  // namespace
