// portata in a real terminal (a tmux pane) under what a terminal can do to a
// program: signals while it asks and while it waits for the key, the
// terminal going away, a burst of resizes while the user types, a suspend
// and resume by the shell's job control, no controlling terminal, and
// standard streams closed. Each time the program ends (or goes on) cleanly,
// nothing typed is lost or shown twice, and the shell gets its terminal back
// with sane modes, its own colours and a visible cursor.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/calculator_pane.h"
#include "tests/support/terminal_modes.h"

namespace {

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
        std::string launch =
            prefix + " sh -c 'echo $$ >" + pid_file + "; exec \"$0\"' " + shell_quote(PORTATA_EXE) + " " + redirections;
        // After portata: its exit status, then the terminal's modes.
        session = tmux_start(launch + "; echo \"EXIT:$?\"; " + modes_command() + "; sleep 60", 80, 25);
        if (wait) {
            ASSERT_TRUE(tmux_wait_for_text(session, "Antenna TX")) << tmux_text(session);
        }
    }
    int64_t portata_pid() {
        int64_t pid = -1;
        wait_until([&] {
            std::ifstream in(pid_file);
            return static_cast<bool>(in >> pid);
        });
        return pid;
    }
    void answer(const std::string& typed, const std::string& next) {
        calculator_pane_answer(CalculatorPane{session, TEST_WAIT_MS}, typed, next);
    }
    std::string wait_for_exit() {
        // The status, then the modes line right after it.
        EXPECT_TRUE(tmux_wait(session, [](const std::string& text) { return modes_shown(text, "EXIT:"); }))
            << tmux_text(session);
        return tmux_text(session);
    }
    // The shell has its terminal back: cooked modes, a visible cursor, and
    // what it prints in its own colours.
    void expect_terminal_handed_back(const std::string& text, const std::string& context) {
        ASSERT_NE(text.find("EXIT:"), std::string::npos) << context;
        expect_modes_on(modes_line(text, "EXIT:"), SANE_MODES, context);
        std::string cursor = tmux_run(session, "display-message -p -t 0 '#{cursor_flag}'").output;
        EXPECT_EQ(cursor, "1\n") << context << ": the cursor stays hidden";
        TmuxScreen screen = tmux_screen(session);
        for (int32_t row = 0; row < static_cast<int32_t>(screen.rows.size()); ++row) {
            auto length = static_cast<int32_t>(screen.rows[static_cast<std::size_t>(row)].size());
            std::size_t at = tmux_row_text(screen, row, 0, length).find("EXIT:");
            if (at == std::string::npos) continue;
            TmuxCell cell = tmux_cell(screen, row, static_cast<int32_t>(at));
            EXPECT_EQ(cell.fg, 39) << context << ": the shell's text in the program's colours";
            EXPECT_EQ(cell.bg, 49) << context << ": the shell's text in the program's colours";
        }
    }
    // An interactive shell in the pane, for job control: a command line is
    // typed once the shell has shown it reads lines.
    void start_shell() {
        session = tmux_start("PS1='$ ' bash --norc --noprofile -i", 80, 25);
        // Keys typed before the shell reads its first line may be lost:
        // the line is typed again each second until it shows, for as long
        // as any other wait.
        for (int attempt = 0; attempt < TEST_WAIT_MS / 1000; ++attempt) {
            tmux_send(session, "-l 'echo READY'");
            tmux_send(session, "Enter");
            if (tmux_wait(
                    session, [](const std::string& t) { return t.find("\nREADY") != std::string::npos; }, 1000)) {
                return;
            }
        }
        FAIL() << "the shell never became ready\n" << tmux_text(session);
    }
    // Where a case stops the program, for its messages.
    static const char* stage(bool at_key_wait) { return at_key_wait ? " at the key wait" : " while asking"; }
    // portata started at the interactive shell, as a user starts it, and
    // brought to the key wait (100 and 25 answered) or to the first
    // question with 12 typed.
    void shell_portata_to(bool at_key_wait) {
        start_shell();
        if (HasFatalFailure()) return;
        shell_type(shell_quote(PORTATA_EXE));
        ASSERT_TRUE(tmux_wait_for_text(session, "Antenna TX")) << tmux_text(session);
        if (at_key_wait) {
            answer("100", "Antenna RX");
            answer("25", "premi un tasto");
        } else {
            tmux_send(session, "-l 12");
            ASSERT_TRUE(tmux_wait_for_text(session, "slm       12")) << tmux_text(session);
        }
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
        shell_type("echo STOP''PED; " + modes_command());
        ASSERT_TRUE(tmux_wait(session, [](const std::string& t) { return modes_shown(t, "STOPPED"); }))
            << tmux_text(session);
        expect_modes_on(modes_line(tmux_text(session), "STOPPED"), SANE_MODES, "while stopped");
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
        shell_type("echo EX''IT:$?; " + modes_command());
        std::string after = wait_for_exit();
        EXPECT_NE(after.find("EXIT:0"), std::string::npos) << context << "\n" << after;
        EXPECT_EQ(after.find("$ q"), std::string::npos) << context << ": the key reached the shell";
        expect_terminal_handed_back(after, context);
    }
    TmuxSession session{};
    std::string pid_file;
};

TEST_F(TerminalFaultsTest, SignalsWhileAskingAndWhileWaitingForTheKey) {
    struct Case {
        int signal;
        const char* name;
        bool at_key_wait;
        // clang-format off
    } cases[] = {
        {SIGHUP, "HUP", false},   {SIGTERM, "TERM", false}, {SIGINT, "INT", false},
        {SIGHUP, "HUP", true},    {SIGTERM, "TERM", true},  {SIGINT, "INT", true},
        // Every other signal whose default action ends the process, too.
        {SIGUSR1, "USR1", false}, {SIGALRM, "ALRM", true},  {SIGUSR2, "USR2", true},
    };
    // clang-format on
    for (const Case& c : cases) {
        std::string context = std::string(c.name) + stage(c.at_key_wait);
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
        std::string context = std::string("Ctrl+C") + stage(at_key_wait);
        shell_portata_to(at_key_wait);
        if (HasFatalFailure()) return;
        tmux_send(session, "C-c");
        ASSERT_TRUE(wait_for_prompt()) << tmux_text(session);
        shell_type("echo EX''IT:$?; " + modes_command());
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
        tmux_run(session, "kill-pane -t 0");
        bool gone = wait_until([&] { return !process_alive(pid); });
        EXPECT_TRUE(gone) << "portata outlived its terminal" << stage(at_key_wait);
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
            tmux_resize(session, w, w / 4 + 8);
        }
    }
    tmux_resize(session, 80, 25);
    // tmux shows the pane at its new size at once, but hands the sizes to
    // the program's terminal one after another, spaced out: the checks wait
    // until the terminal has the last size, and the keys have landed.
    std::string tty = tmux_pane_tty(session);
    ASSERT_TRUE(wait_until([&] {
        return shell_output("stty size <" + shell_quote(tty) + " 2>/dev/null") == "25 80\n";
    })) << "the terminal never took its last size";
    ASSERT_TRUE(tmux_wait_for_text(session, typed)) << typed << "\n" << tmux_text(session);
    answer("", "Antenna RX");
    answer("4", "premi un tasto");
    std::string text = tmux_text(session);
    EXPECT_EQ(text_count(text, typed), 1) << "every key once: " << typed << "\n" << text;
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

// Ctrl+Z, then kill %1: the shell sends SIGTERM and SIGCONT to a job whose
// terminal it has taken back. The job ends at once, writes nothing over the
// shell's lines and changes none of its modes.
TEST_F(TerminalFaultsTest, AStoppedJobKilledEndsAtOnceAndLeavesTheShellAlone) {
    for (bool at_key_wait : {false, true}) {
        std::string context = std::string("killed when stopped") + stage(at_key_wait);
        shell_portata_to(at_key_wait);
        if (HasFatalFailure()) return;
        tmux_send(session, "C-z");
        ASSERT_TRUE(tmux_wait(session, [](const std::string& t) {
            std::size_t stopped = t.find("Stopped");
            return stopped != std::string::npos && t.find("\n$ ", stopped) != std::string::npos;
        })) << tmux_text(session);
        // The shell polls for the job's end: a job left stopped would never
        // let GONE show.
        shell_type("kill %1; while kill -0 %1 2>/dev/null; do sleep 0.05; done; echo GO''NE");
        ASSERT_TRUE(tmux_wait_for_text(session, "\nGONE")) << context << "\n" << tmux_text(session);
        // The shell's lines follow one another: nothing moved its cursor.
        TmuxScreen screen = tmux_screen(session);
        int32_t command = tmux_row_of(screen, "$ kill %1");
        int32_t gone = tmux_row_of(screen, "GONE");
        ASSERT_GE(command, 0) << tmux_text(session);
        EXPECT_GT(gone, command) << context << "\n" << tmux_text(session);
        EXPECT_LE(gone, command + 4) << context << "\n" << tmux_text(session);
        shell_type("echo MO''DES; " + modes_command());
        ASSERT_TRUE(tmux_wait(session, [](const std::string& t) { return modes_shown(t, "MODES"); }))
            << context << "\n"
            << tmux_text(session);
        expect_modes_on(modes_line(tmux_text(session), "MODES"), SANE_MODES, context);
        tmux_stop(session);
    }
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

// Under poll() as macOS has it (POLLNVAL for every terminal), the keyboard
// still works: the program waits for it with select().
TEST_F(TerminalFaultsTest, TheKeyboardWorksWhereaPollOnTerminalsFails) {
    if (!std::ifstream(MACOS_POLL_SHIM))
        GTEST_SKIP() << "the poll() shim is not built here: LD_PRELOAD cannot reach a static, cross-built or emulated "
                        "program";
    // A sanitizer's runtime would otherwise insist on coming first.
    start(std::string("ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=") + shell_quote(MACOS_POLL_SHIM));
    answer("100", "Antenna RX");
    answer("25", "premi un tasto");
    EXPECT_NE(tmux_text(session).find(" 60 km"), std::string::npos) << tmux_text(session);
    tmux_send(session, "q");
    std::string text = wait_for_exit();
    EXPECT_NE(text.find("EXIT:0"), std::string::npos) << text;
    expect_terminal_handed_back(text, "poll() as on macOS");
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
    const std::vector<Step> console_run = {
        {"-l 5", ""}, {"Enter", "Antenna RX"}, {"-l 5", ""}, {"Enter", "premi un tasto"}, {"q", ""}};
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
