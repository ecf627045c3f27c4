// portata and the terminal probe in a real terminal (a tmux pane), one
// scenario a test: how the program is started, what is done to it (keys,
// pastes, resizes, signals, suspends), and what it must show and leave
// behind. Every check is a wait for the whole of what it expects.
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

// The modes a program must hand back: a shell's, and flow control.
const std::vector<std::string> MODES = {"icanon", "echo", "isig", "icrnl", "ixon", "opost"};

using Steps = std::vector<std::string>;

struct Scenario {
    const char* name;
    Steps steps;                        // "verb argument" each, done in turn (TerminalTest::step)
    const char* program = PORTATA_EXE;  // or TERMINAL_PROBE_EXE
    int32_t columns = 80;               // the pane's size
    int32_t rows = 25;
    const char* shell = "";     // the interactive shell the program is typed at; "": the pane runs it
    const char* around = "";    // words before the program (environment, setsid)
    const char* redirect = "";  // its redirections
    const char* needs = "";     // a command, or a file (from "/"), without which the scenario is skipped
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

int signal_number(const std::string& name) {
    for (auto [known, number] : {std::pair{"HUP", SIGHUP},
                                 {"TERM", SIGTERM},
                                 {"INT", SIGINT},
                                 {"USR1", SIGUSR1},
                                 {"USR2", SIGUSR2},
                                 {"ALRM", SIGALRM}}) {
        if (name == known) return number;
    }
    return 0;
}

class TerminalTest : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
    }
    void TearDown() override {
        tmux_stop(pane.session);
        std::remove(pid_file.c_str());
    }

    // The program's process id goes to the pid file, for signals.
    void start() {
        const Scenario& s = GetParam();
        tmux_stop(pane.session);
        std::remove(pid_file.c_str());
        std::string launch = std::string(s.around) + " sh -c 'echo $$ >" + pid_file + "; exec \"$0\"' " +
                             shell_quote(s.program) + " " + s.redirect;
        std::string ends = "; echo \"EXIT:$?\"; " + modes_command(MODES) + "; echo =DONE=; sleep 60";
        pane.session = tmux_start(
            *s.shell == '\0' ? "trap : INT; " + launch + ends : "PS1='$ ' " + std::string(s.shell), s.columns, s.rows);
        // Keys typed before the shell reads its first line may be lost:
        // the line is typed again each second until it shows.
        for (int attempt = 0; *s.shell != '\0' && attempt < TEST_WAIT_MS / 1000; ++attempt) {
            shell_type("echo RE''ADY");
            if (tmux_wait_for_text(pane.session, "\nREADY", 1000)) return shell_type(launch);
        }
        if (*s.shell != '\0') FAIL() << "the shell never became ready\n" << tmux_text(pane.session);
    }
    void shell_type(const std::string& line) {
        tmux_send(pane.session, "-l " + shell_quote(line));
        tmux_send(pane.session, "Enter");
    }
    int64_t pid() {
        int64_t pid = -1;
        wait_until([&] { return static_cast<bool>(std::ifstream(pid_file) >> pid); });
        return pid;
    }
    // Waits for `ready` to hold on the pane's text; `what` says what was awaited.
    void expect_text(const std::function<bool(const std::string&)>& ready, const std::string& what) {
        expect_until([&] {
            std::string text = tmux_text(pane.session);
            return ready(text) ? "" : what + "\n" + text;
        });
    }
    // `text` on the 0-based row from the 0-based column, in colours fg and
    // bg (fg -1: any colours).
    void expect_at(int32_t row, int32_t column, int32_t fg, int32_t bg, const std::string& text) {
        int32_t cells = 0;
        for (char c : text) cells += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u ? 1 : 0;
        expect_until([&] {
            TmuxScreen screen = tmux_screen(pane.session);
            bool right = tmux_row_text(screen, row, column, cells) == text;
            for (int32_t x = column; x < column + cells && fg >= 0; ++x) {
                right = right && tmux_cell(screen, row, x).fg == fg && tmux_cell(screen, row, x).bg == bg;
            }
            std::string where = "row " + std::to_string(row) + " column " + std::to_string(column);
            return right ? ""
                         : where + ": not '" + text + "' in " + std::to_string(fg) + "/" + std::to_string(bg) + "\n" +
                               tmux_text(pane.session);
        });
    }
    // The program has ended with `status` and handed the terminal back: the
    // shell's line on a fresh row in its own colours, its modes, a visible
    // cursor, and the key that ended the program never reaching it.
    void expect_end(const std::string& status) {
        if (*GetParam().shell != '\0') {
            // Keys typed before the program has ended would be dropped with
            // the rest of its unread input: the prompt comes first.
            expect_text(
                [](const std::string& t) { return t.substr(0, t.find_last_not_of(" \n") + 1).ends_with("\n$"); },
                "no prompt");
            shell_type("echo EX''IT:$?; " + modes_command(MODES));
        }
        expect_until([&] {
            TmuxScreen screen = tmux_screen(pane.session);
            std::string text = tmux_text(pane.session);
            int32_t row = tmux_row_of(screen, "EXIT:" + status);
            TmuxCell first = tmux_cell(screen, row, 0);
            std::string out;
            if (tmux_row_text(screen, row, 0, static_cast<int32_t>(5 + status.size())) != "EXIT:" + status ||
                first.fg != 39 || first.bg != 49) {
                out += "no EXIT:" + status + " starting a row in the terminal's own colours\n";
            }
            if (!modes_all_on(modes_line(text, "EXIT:", MODES), MODES)) out += "modes not handed back\n";
            if (tmux_run(pane.session, "display -p -t 0 '#{cursor_flag}'").output != "1\n") out += "cursor hidden\n";
            if (text.find("\nq\n") != std::string::npos || text.find("$ q") != std::string::npos)
                out += "q at the shell\n";
            return out.empty() ? out : out + text;
        });
    }
    void step(const std::string& line);

    CalculatorPane pane{{}, TEST_WAIT_MS};
    std::string pid_file = "/tmp/portata-terminal-" + std::to_string(getpid()) + ".pid";
};

void TerminalTest::step(const std::string& line) {
    SCOPED_TRACE(line);
    std::string verb = line.substr(0, line.find(' '));
    std::string arg = line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
    std::string rest = arg.substr(arg.find(' ') + 1);
    int32_t n[4] = {0, 0, 0, 0};
    int used = 0;
    std::sscanf(arg.c_str(), "%d %d %d %d%n", &n[0], &n[1], &n[2], &n[3], &used);
    if (verb == "keys") tmux_send(pane.session, arg);
    if (verb == "type" || (verb == "answer" && !arg.empty())) tmux_send(pane.session, "-l -- " + shell_quote(arg));
    if (verb == "answer") tmux_send(pane.session, "Enter");
    if (verb == "shell") shell_type(arg);
    if (verb == "shows") expect_text([&](const std::string& t) { return t.find(arg) != std::string::npos; }, arg);
    if (verb == "hides") expect_text([&](const std::string& t) { return t.find(arg) == std::string::npos; }, arg);
    if (verb == "field") expect_at(n[0] - 1, 39, -1, -1, rest + std::string(12 - rest.size(), ' '));
    if (verb == "at") expect_at(n[0], n[1], n[2], n[3], arg.substr(static_cast<std::size_t>(used) + 1));
    if (verb == "cursor")
        expect_until([&] { return calculator_pane_cursor_differences(pane.session, "", n[0], n[1]); });
    if (verb == "resize") tmux_resize_settled(pane.session, n[0], n[1]);
    // "end" with a signal's name: killed by that signal.
    if (verb == "end") expect_end(signal_number(arg) > 0 ? std::to_string(128 + signal_number(arg)) : arg);
    if (verb == "signal") kill(static_cast<pid_t>(pid()), signal_number(arg));
    // Bytes written to the pane's terminal behind the program's back.
    if (verb == "tty") shell_output("printf '" + arg + "' >" + shell_quote(tmux_pane_tty(pane.session)));
    if (verb == "window") {
        // "recalled": the cell "100" took beyond "25" is a blank in the
        // answer's colours, as a console's line editing leaves it.
        PaneWindow window{n[0], n[1], n[2], n[3], {}, true};
        if (arg.ends_with("recalled")) window.changed.push_back({10, 42, " ", BLUE_ON_GREY});
        expect_until([&] { return calculator_pane_window_differences(pane.session, window); });
    }
    if (verb == "history") {
        // "history line- 40": the lines line-1 to line-40 stand once each in
        // the scrollback and on the screen, and the title once.
        std::string prefix = arg.substr(0, arg.find(' '));
        int32_t count = std::atoi(rest.c_str());
        expect_until([&] {
            std::string all = "\n" + tmux_run(pane.session, "capture-pane -p -S - -t 0").output;
            std::string out;
            for (int32_t i = 1; i <= count; ++i) {
                std::string user = prefix + std::to_string(i);
                if (text_count(all, "\n" + user + "\n") != 1) out += user + " not once\n";
            }
            if (text_count(all, "Istranda Quolvenix") != 1) out += "the title not once\n";
            return out.empty() ? out : out + all;
        });
    }
    if (verb == "gone") {
        // The pane's terminal is closed under the program: a hangup.
        auto program = static_cast<pid_t>(pid());
        tmux_run(pane.session, "kill-pane -t 0");
        EXPECT_TRUE(wait_until([&] { return kill(program, 0) != 0 && errno != EPERM; })) << "it outlived its terminal";
    }
    if (verb == "burst") {
        // A digit typed before each resize, then back to 80x25.
        std::string typed;
        for (int32_t round = 0; round < 3; ++round) {
            for (int32_t w : {60, 100, 30, 81, 45, 120, 20, 79, 80}) {
                typed += std::to_string((w + round) % 9 + 1);
                tmux_send(pane.session, "-l " + typed.substr(typed.size() - 1));
                tmux_resize(pane.session, w, w / 4 + 8);
            }
        }
        tmux_resize_settled(pane.session, 80, 25);
        expect_text([&](const std::string& t) { return text_count(t, typed) == 1; }, "every key once: " + typed);
    }
    if (verb == "stop" || verb == "suspend") {
        tmux_send(pane.session, "C-z");
        // Keys typed before the shell shows its prompt again may be flushed
        // by the shell's own terminal handling: the prompt comes first.
        expect_text([](const std::string& t) { return t.find("\n$ ", t.find("Stopped")) != std::string::npos; },
                    "no prompt after Stopped");
    }
    if (verb == "suspend") {
        // While stopped the shell has a cooked terminal; back in the
        // foreground the program draws its whole screen again.
        shell_type("echo STOP''PED; " + modes_command(MODES));
        expect_text([](const std::string& t) { return modes_all_on(modes_line(t, "STOPPED", MODES), MODES); },
                    "modes while stopped");
        shell_type("fg");
        expect_text(
            [&](const std::string& t) { return t.find("STOPPED") == std::string::npos && t.find(arg) != t.npos; },
            "the screen again with " + arg);
    }
    if (verb == "follows") {
        // A line within four rows after another: nothing moved the cursor.
        std::string first = arg.substr(0, arg.find('|'));
        std::string then = arg.substr(arg.find('|') + 1);
        expect_until([&] {
            TmuxScreen screen = tmux_screen(pane.session);
            int32_t a = tmux_row_of(screen, first);
            int32_t b = tmux_row_of(screen, then);
            return a >= 0 && b > a && b <= a + 4 ? ""
                                                 : then + " not just after " + first + "\n" + tmux_text(pane.session);
        });
    }
    auto restart = [this] {
        start();
        step("shows Antenna TX");
    };
    if (verb == "answered-run") calculator_pane_expect_answered_run(&pane, restart);
    if (verb == "answer-cases") calculator_pane_expect_answer_cases(&pane, restart);
}

TEST_P(TerminalTest, Scenario) {
    const Scenario& s = GetParam();
    bool file = s.needs[0] == '/';
    if (*s.needs != '\0' && (file ? !std::ifstream(s.needs) : !shell_has_command(s.needs))) {
        GTEST_SKIP() << s.needs << " is not here";
    }
    if (!s.steps[0].starts_with("answer")) start();
    for (const std::string& line : s.steps) {
        if (HasFailure()) return;
        step(line);
    }
}

Steps with(Steps first, const Steps& then) {
    first.insert(first.end(), then.begin(), then.end());
    return first;
}

// portata brought to the first question with 12 typed, or to the key wait
// with 100 and 25 answered.
const Steps ASKING = {"shows Antenna TX", "type 12", "shows slm       12"};
const Steps AT_KEY = {"shows Antenna TX", "answer 100", "shows Antenna RX", "answer 25", "shows premi un tasto"};
// Lines typed with the output elsewhere: nothing to wait for on the screen.
const Steps PLAIN = {"type 5", "keys Enter", "type 5", "keys Enter", "end 0"};
const Steps KILL_STOPPED = {"stop", "shell kill %1; while kill -0 %1 2>/dev/null; do sleep 0.05; done; echo GO''NE",
                            "follows $ kill %1|GONE", "end 0"};
constexpr const char* PROBE = TERMINAL_PROBE_EXE;
constexpr const char* BASH = "bash --norc --noprofile -i";
constexpr const char* SHIM = "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD='" MACOS_POLL_SHIM "'";

// clang-format off
const Scenario SCENARIOS[] = {
    {"AnsweredRun", {"answered-run"}},
    {"AnswersAsUsersTypeThem", {"answer-cases"}},
    // Meta+a (Esc a in one write) does not clear the line, Option+Left (Esc
    // b as two keys) goes a word left, Ctrl+W and Ctrl+U erase.
    {"MetaAndControlKeysEdit", {"shows Antenna TX", "type 1234", "keys Left Left M-a", "type 9", "field 8 12934",
        "keys Escape b", "type 7", "field 8 712934", "keys End", "type  5 6", "keys C-w", "field 8 712934 5",
        "keys Left Left C-u", "field 8 5", "answer", "shows Antenna RX", "answer", "at 19 39 34 106  9 km ", "keys q",
        "end 0"}},
    // Ctrl+L draws the screen anew over bytes written straight to the
    // terminal; Down after Up brings back the answer being typed.
    {"CtrlLRedrawsAndDownBringsBackTheTypedAnswer", {"shows Antenna TX", "answer 100", "shows Antenna RX", "type 2",
        "tty \\033[31mGARBAGE\\033[10;60Hzz\\033[1;1HXX", "shows GARBAGE", "keys C-l", "hides GARBAGE", "type 5",
        "keys Up", "field 10 100", "keys Down", "field 10 25", "answer", "window 0 0 80 25 recalled", "keys q",
        "end 0"}},
    // A terminal smaller than the screen shows a window onto all of it that
    // follows the cursor; the rows above went up into the scrollback, once.
    {"SmallTerminal80x24", with(AT_KEY, {"window 0 1 80 24", "keys q", "end 0"}), PORTATA_EXE, 80, 24},
    {"SmallTerminal60x20", with(AT_KEY, {"window 0 5 60 20", "keys q", "end 0"}), PORTATA_EXE, 60, 20},
    // Narrower than the screen, the window at the key wait shows the range
    // and the prompt whole: " 60 km" never cut to "6".
    {"NarrowTerminal40x12", with(AT_KEY, {"window 6 13 40 12", "keys q", "end 0"}), PORTATA_EXE, 40, 12},
    {"NarrowTerminal45x12", with(AT_KEY, {"window 1 13 45 12", "keys q", "end 0"}), PORTATA_EXE, 45, 12},
    // Grown again, the terminal pulls the user's own lines from its
    // scrollback into view; they go back there before the redraw.
    {"ShrunkAndGrownTheUsersLinesStayInTheScrollback", {"shows Antenna TX", "type 100", "shows slm       100",
        "resize 80 18", "resize 80 25", "history line- 40", "answer", "shows Antenna RX", "answer 25",
        "shows premi un tasto", "keys q", "end 0"}, PORTATA_EXE, 80, 25, BASH,
        "for i in $(seq 1 40); do echo line-$i; done;"},
    {"ResizedSmallerAndBackAtTheKeyWait", with(AT_KEY, {"resize 60 20", "window 0 5 60 20", "resize 80 25",
        "window 0 0 80 25", "keys q", "end 0"})},
    // Typed past the right edge, the answer takes the window along: the
    // cursor after the last digit, in column 65, is the window's last.
    {"TypingPastTheRightEdge", {"shows Antenna TX", "type 1234567890123456789012345",
        "at 7 34 34 47 1234567890123456789012345", "at 7 6 34 47  Antenna TX a mt. slm ", "cursor 59 7", "answer",
        "shows Antenna RX", "answer 25", "shows premi un tasto", "keys q", "end 0"}, PORTATA_EXE, 60, 20},
    // Every signal whose default action ends the process restores the
    // terminal first; Ctrl+C is the terminal's own SIGINT.
    {"HupWhileAsking", with(ASKING, {"signal HUP", "end HUP"})},
    {"TermWhileAsking", with(ASKING, {"signal TERM", "end TERM"})},
    {"CtrlCWhileAsking", with(ASKING, {"keys C-c", "end INT"})},
    {"Usr1WhileAsking", with(ASKING, {"signal USR1", "end USR1"})},
    {"HupAtTheKeyWait", with(AT_KEY, {"signal HUP", "end HUP"})},
    {"TermAtTheKeyWait", with(AT_KEY, {"signal TERM", "end TERM"})},
    {"IntAtTheKeyWait", with(AT_KEY, {"signal INT", "end INT"})},
    {"AlrmAtTheKeyWait", with(AT_KEY, {"signal ALRM", "end ALRM"})},
    {"Usr2AtTheKeyWait", with(AT_KEY, {"signal USR2", "end USR2"})},
    // At an interactive shell Ctrl+C signals the whole job; the shell reports.
    {"ShellCtrlCWhileAsking", with(ASKING, {"keys C-c", "end INT"}), PORTATA_EXE, 80, 25, BASH},
    {"ShellCtrlCAtTheKeyWait", with(AT_KEY, {"keys C-c", "end INT"}), PORTATA_EXE, 80, 25, BASH},
    {"TerminalGoneWhileAsking", {"shows Antenna TX", "gone"}},
    {"TerminalGoneAtTheKeyWait", with(AT_KEY, {"gone"})},
    // The answer is every digit typed: atoi saturates a line this long.
    {"ABurstOfResizesWhileTypingLosesNothing", {"shows Antenna TX", "burst", "answer", "shows Antenna RX", "answer 4",
        "shows  185372 km", "keys q", "end 0"}},
    // Suspended by the shell's job control and resumed, the line or the key
    // wait goes on; the key wait under sh, the line under bash.
    {"SuspendedWhileAsking", with(ASKING, {"suspend slm       12", "type 3", "answer", "shows Antenna RX", "answer 4",
        "shows slm       123\n", "shows  52 km", "keys q", "end 0"}), PORTATA_EXE, 80, 25, BASH},
    // Resized while stopped (SIGWINCH goes to the shell), resumed it takes
    // the terminal's size as after a resize. (Only the height changes: a
    // new width has the terminal rewrap the old screen into its scrollback.)
    {"ResizedWhileSuspended", {"shows Antenna TX", "type 10", "shows slm       10", "stop", "resize 80 20",
        "shell fg", "hides Stopped", "type 0", "answer", "shows Antenna RX", "answer 25", "shows premi un tasto",
        "window 0 5 80 20", "keys q", "end 0"}, PORTATA_EXE, 80, 25, BASH},
    {"SuspendedAtTheKeyWait", with(AT_KEY, {"suspend premi un tasto", "shows  60 km", "keys q", "end 0"}), PORTATA_EXE,
        80, 25, "sh -i"},
    // Ctrl+Z, then kill %1: the job ends at once, writes nothing over the
    // shell's lines and changes none of its modes.
    {"StoppedAndKilledWhileAsking", with(ASKING, KILL_STOPPED), PORTATA_EXE, 80, 25, BASH},
    {"StoppedAndKilledAtTheKeyWait", with(AT_KEY, KILL_STOPPED), PORTATA_EXE, 80, 25, BASH},
    // Under poll() as macOS has it (POLLNVAL for every terminal) the keys
    // still come: the program waits with select(), and reads again after
    // a read a signal interrupted.
    {"KeyboardWherePollFailsOnTerminals", with(AT_KEY, {"shows  60 km", "keys q", "end 0"}), PORTATA_EXE, 80, 25, "",
        SHIM, "", MACOS_POLL_SHIM},
    // No controlling terminal to read keys from: the lines still come.
    {"WithoutAControllingTerminal", {"shows Antenna TX", "answer 7", "shows Antenna RX", "answer 9", "end 0",
        "shows  23 km"}, PORTATA_EXE, 80, 25, "", "setsid -w", "", "setsid"},
    // Closed or empty standard streams: nothing read gives empty answers,
    // output elsewhere takes plain lines; the key comes from the terminal.
    {"StdinFromDevNull", {"shows premi un tasto", "keys q", "end 0"}, PORTATA_EXE, 80, 25, "", "", "</dev/null"},
    {"StdinClosed", {"shows premi un tasto", "shows  0 km", "keys q", "end 0"}, PORTATA_EXE, 80, 25, "", "", "<&-"},
    {"StdoutToDevNull", PLAIN, PORTATA_EXE, 80, 25, "", "", ">/dev/null"},
    {"StdoutClosed", PLAIN, PORTATA_EXE, 80, 25, "", "", ">&-"},
    {"StdoutATerminalTakingNoWrites", PLAIN, PORTATA_EXE, 80, 25, "", "", "1</dev/tty"},
    {"StderrClosed", with(AT_KEY, {"keys q", "end 0"}), PORTATA_EXE, 80, 25, "", "", "2>&-"},
    // The probe: colours and code page 850 characters, the echo in the
    // current colours, the buffer keeping its size through a resize.
    {"ProbeColoursLineEditingResizeAndAKey", {"at 0 0 93 44 Giallo", "at 0 6 39 49  normale ", "at 0 15 97 41 Rosso",
        "at 1 0 39 49 \xc3\xa9\xe2\x94\x80\xe2\x98\xba\xe2\x8c\x82", "type 12", "keys Left", "type 3",
        "at 2 0 93 44 > 132", "cursor 4 2", "resize 70 20", "keys Enter", "at 3 0 97 42 letto: 132",
        "at 4 0 39 49 dim: 80x25 vista: 70x20", "at 0 0 93 44 Giallo", "keys Up", "end 0",
        "at 5 7 39 49 tasto: 224 72", "at 6 0 39 49 fine", "at 7 0 39 49 EXIT:0"}, PROBE},
    {"ProbeKeysFromTheTerminalWithStdinRedirected", {"shows letto: (null)", "shows tasto?", "keys F1", "end 0",
        "shows tasto: 0 59"}, PROBE, 80, 25, "", "", "</dev/null"},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Scenarios, TerminalTest, ::testing::ValuesIn(SCENARIOS),
                         [](const ::testing::TestParamInfo<Scenario>& scenario) {
                             return std::string(scenario.param.name);
                         });

}  // namespace
