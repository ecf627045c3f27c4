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
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/support/calculator_pane.h"
#include "tests/support/case_name.h"
#include "tests/support/terminal_modes.h"

namespace {

// The modes a program must hand back: a shell's, and flow control.
const std::vector<std::string> MODES = {"icanon", "echo", "isig", "icrnl", "ixon", "opost"};

// Steps a scenario may name for the steps they stand for.
const std::map<std::string, std::string> SHORTHANDS = {
    // portata brought to the first question with 12 typed, or to the key
    // wait with 100 and 25 answered; a key ending it.
    {"asking", "shows Antenna TX, type 12, shows slm       12"},
    {"at-key", "shows Antenna TX, answer 100, shows Antenna RX, answer 25, shows premi un tasto"},
    // The first answer given, F7's list of answers open over the second question.
    {"listing", "shows Antenna TX, answer 100, shows Antenna RX, keys F7, shows 0: 100"},
    {"quit", "keys q, end 0"},
    // Lines typed with the output elsewhere: nothing to wait for on the screen.
    {"plain", "type 5, keys Enter, type 5, keys Enter, end 0"},
    // While stopped the shell has a cooked terminal; back in the foreground
    // the program draws its whole screen again.
    {"suspend", "stop, modes STOPPED, shell fg, hides STOPPED"},
    {"kill-stopped",
     "stop, shell kill %1; while kill -0 %1 2>/dev/null; do sleep 0.05; done; echo GO''NE, "
     "follows $ kill %1|GONE, end 0"},
};

// How the program is started.
struct Start {
    const char* program = PORTATA_EXE;  // or TERMINAL_PROBE_EXE
    int32_t columns = 80;               // the pane's size
    int32_t rows = 25;
    const char* shell = "";     // the interactive shell the program is typed at; "": the pane runs it
    const char* around = "";    // words before the program (environment, setsid)
    const char* redirect = "";  // its redirections
    const char* needs = "";     // a command, or a file (from "/"), without which the scenario is skipped
};

struct Scenario {
    const char* name;
    const char* steps;  // "verb argument" or a shorthand each, between ", " (TerminalTest::step)
    Start start{};
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

// The signals a scenario sends by name.
const std::map<std::string, int> SIGNALS = {{"HUP", SIGHUP},   {"TERM", SIGTERM}, {"INT", SIGINT},
                                            {"USR1", SIGUSR1}, {"USR2", SIGUSR2}, {"ALRM", SIGALRM}};

// The 0-based row where `needle` first stands; past the last row when nowhere.
int32_t row_of(const TmuxScreen& screen, const std::string& needle) {
    return text_count(screen.text.substr(0, screen.text.find(needle)), "\n");
}

// What differs from `text` at a 0-based cell, in colours fg/bg (fg -1: any); "" when nothing.
std::string at_differences(const TmuxScreen& s, int32_t row, int32_t column, int32_t fg, int32_t bg,
                           const std::string& text) {
    int32_t cells = 0;
    for (char c : text) cells += (static_cast<unsigned char>(c) & 0xC0u) != 0x80u ? 1 : 0;
    std::string found = tmux_row_text(s, row, column, cells);
    std::string out = found == text ? "" : "'" + found + "' instead of '" + text + "'\n";
    for (int32_t x = column; x < column + cells && fg >= 0; ++x) {
        // The text's difference kept, with the first cell in other colours.
        TmuxCell cell = tmux_cell(s, row, x);
        if (cell.fg == fg && cell.bg == bg) continue;
        return out + "column " + std::to_string(x) + " in " + std::to_string(cell.fg) + "/" + std::to_string(cell.bg) +
               "\n";
    }
    return out;
}

class TerminalTest : public ::testing::TestWithParam<Scenario> {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
    }
    void TearDown() override {
        tmux_stop(pane.session);
        std::remove(pid_file.c_str());
        std::remove(bytes_file.c_str());
    }

    // The program's process id goes to the pid file, for signals.
    void start() {
        const Start& s = GetParam().start;
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
    // Waits until `differences` finds nothing on the pane unlike what it
    // expects, then reports what it found with the pane's text.
    void expect(const std::function<std::string(const TmuxScreen&)>& differences) {
        expect_until([&] {
            TmuxScreen screen = tmux_screen(pane.session);
            std::string out = differences(screen);
            return out.empty() ? out : out + "\n" + screen.text;
        });
    }
    // Does each of `steps`, until one fails.
    void run(const std::string& steps) {
        for (std::size_t at = 0; at < steps.size() && !HasFailure();) {
            std::size_t end = std::min(steps.find(", ", at), steps.size());
            step(steps.substr(at, end - at));
            at = end + 2;
        }
    }
    void step(const std::string& line);

    CalculatorPane pane{{}, TEST_WAIT_MS};
    std::string pid_file = "/tmp/portata-terminal-" + std::to_string(getpid()) + ".pid";
    std::string bytes_file = "/tmp/portata-terminal-" + std::to_string(getpid()) + ".bytes";  // what "record" keeps
};

void TerminalTest::step(const std::string& line) {
    SCOPED_TRACE(line);
    if (SHORTHANDS.contains(line)) return run(SHORTHANDS.at(line));
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
    if (verb == "resize") tmux_resize_settled(pane.session, n[0], n[1]);
    if (verb == "signal") kill(static_cast<pid_t>(pid()), SIGNALS.at(arg));
    // Bytes written to the pane's terminal behind the program's back.
    if (verb == "tty") shell_output("printf '" + arg + "' >" + shell_quote(tmux_pane_tty(pane.session)));
    if (verb == "shows")
        expect([&](const TmuxScreen& s) { return s.text.find(arg) != s.text.npos ? "" : "no " + arg; });
    if (verb == "hides") expect([&](const TmuxScreen& s) { return s.text.find(arg) == s.text.npos ? "" : arg; });
    if (verb == "cursor")
        expect_until([&] { return calculator_pane_cursor_differences(pane.session, "", n[0], n[1]); });
    // "field row text": the answer on a 1-based row, blanks after it, in any colours.
    if (verb == "field")
        return step("at " + std::to_string(n[0] - 1) + " 39 -1 -1 " + rest.append(12 - rest.size(), ' '));
    if (verb == "at") {
        // "at row column fg bg text": the text from a 0-based cell in those colours.
        std::string text = arg.substr(static_cast<std::size_t>(used) + 1);
        expect([&](const TmuxScreen& s) { return at_differences(s, n[0], n[1], n[2], n[3], text); });
    }
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
        expect_until([&] {
            std::string all = "\n" + tmux_history(pane.session);
            std::string out = text_count(all, "Istranda Quolvenix") == 1 ? "" : "the title not once\n";
            for (int32_t i = 1; i <= std::atoi(rest.c_str()); ++i) {
                std::string user = arg.substr(0, arg.find(' ')) + std::to_string(i);
                if (text_count(all, "\n" + user + "\n") != 1) out += user + " not once\n";
            }
            return out.empty() ? out : out + all;
        });
    }
    if (verb == "reversed") {
        // "reversed row column text": the text from a 0-based cell in
        // reverse video of the terminal's own colours.
        int32_t at = 0;
        std::sscanf(arg.c_str(), "%d %d%n", &n[0], &n[1], &at);
        std::string text = arg.substr(static_cast<std::size_t>(at) + 1);
        expect([&](const TmuxScreen& s) {
            std::string out = at_differences(s, n[0], n[1], 39, 49, text);
            for (int32_t x = n[1]; x < n[1] + static_cast<int32_t>(text.size()); ++x) {
                if (!tmux_cell(s, n[0], x).reverse) return out + "column " + std::to_string(x) + " not reversed\n";
            }
            return out;
        });
    }
    if (verb == "colourless") {
        expect([](const TmuxScreen& s) {
            for (const std::vector<TmuxCell>& row : s.rows) {
                for (const TmuxCell& cell : row) {
                    if (cell.fg != 39 || cell.bg != 49) return "'" + cell.text + "' in colour";
                }
            }
            return std::string();
        });
    }
    // The bytes the program writes from here on are kept ("shape" reads them).
    if (verb == "record") tmux_run(pane.session, "pipe-pane -t 0 -o 'cat >>" + bytes_file + "'");
    if (verb == "shape") {
        // "shape n": the last cursor shape the program asked for is n (DECSCUSR ESC [ n SP q).
        expect_until([&] {
            std::ifstream in(bytes_file, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::size_t last = bytes.rfind(" q");
            std::string shape = last != bytes.npos && last >= 3 ? bytes.substr(last - 3, 5) : "none";
            return shape == "\x1b[" + arg + " q" ? "" : "last shape " + shape;
        });
    }
    if (verb == "hardcopy") {
        // GNU screen's scrollback and screen, written by its hardcopy
        // command: the line right above the title is `arg`.
        std::string file = bytes_file + ".hardcopy";
        tmux_send(pane.session, "C-a");
        tmux_send(pane.session, "-l " + shell_quote(":hardcopy -h " + file));
        tmux_send(pane.session, "Enter");
        expect_until([&] {
            std::ifstream in(file);
            std::string before = "(no file)";
            for (std::string row; std::getline(in, row) && row.find("Istranda Quolvenix") == row.npos;) before = row;
            return before == arg ? "" : "above the title: '" + before + "'";
        });
        std::remove(file.c_str());
    }
    if (verb == "follows") {
        // "follows a|b": b within four rows after a, as nothing moved the cursor.
        expect([&](const TmuxScreen& s) {
            int32_t a = row_of(s, arg.substr(0, arg.find('|')));
            int32_t b = row_of(s, arg.substr(arg.find('|') + 1));
            return b > a && b <= a + 4 && b < static_cast<int32_t>(s.rows.size()) ? "" : "not so";
        });
    }
    if (verb == "end") {
        // Ended with a status (a signal's name: killed by it), the program
        // has handed the terminal back: the shell's line on a fresh row in
        // its own colours, its modes, a visible cursor, and the key unseen.
        std::string status = SIGNALS.contains(arg) ? std::to_string(128 + SIGNALS.at(arg)) : arg;
        if (*GetParam().start.shell != '\0') {
            // Keys typed before the program has ended would be dropped with
            // the rest of its unread input: the prompt comes first.
            expect([](const TmuxScreen& s) {
                return s.text.substr(0, s.text.find_last_not_of(" \n") + 1).ends_with("\n$") ? "" : "no prompt";
            });
            shell_type("echo EX''IT:$?; " + modes_command(MODES));
        }
        expect([&](const TmuxScreen& s) {
            std::string out = at_differences(s, row_of(s, "EXIT:" + status), 0, 39, 49, "EXIT:" + status);
            if (!modes_all_on(s.text, "EXIT:", MODES)) out += "modes not handed back\n";
            if (tmux_run(pane.session, "display -p -t 0 '#{cursor_flag}'").output != "1\n") out += "cursor hidden\n";
            if (s.text.find("\nq\n") != s.text.npos || s.text.find("$ q") != s.text.npos) out += "q at the shell\n";
            return out;
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
        expect(
            [&](const TmuxScreen& s) { return text_count(s.text, typed) == 1 ? "" : "not every key once: " + typed; });
    }
    if (verb == "stop") {
        tmux_send(pane.session, "C-z");
        // Keys typed before the shell shows its prompt again may be flushed
        // by the shell's own terminal handling: the prompt comes first.
        expect([](const TmuxScreen& s) {
            return s.text.find("\n$ ", s.text.find("Stopped")) != s.text.npos ? "" : "no prompt after Stopped";
        });
    }
    if (verb == "modes") {
        // A line typed at the shell shows the word, then the terminal's modes: all on.
        shell_type("echo " + arg.substr(0, 2) + "''" + arg.substr(2) + "; " + modes_command(MODES));
        expect([&](const TmuxScreen& s) { return modes_all_on(s.text, arg, MODES) ? "" : "not all on"; });
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
    bool file = s.start.needs[0] == '/';
    if (*s.start.needs != '\0' && (file ? !std::ifstream(s.start.needs) : !shell_has_command(s.start.needs))) {
        GTEST_SKIP() << s.start.needs << " is not here";
    }
    // The whole runs start the program themselves, once for each run.
    if (!std::string(s.steps).starts_with("answer")) start();
    run(s.steps);
}

constexpr const char* PROBE = TERMINAL_PROBE_EXE;
constexpr const char* BASH = "bash --norc --noprofile -i";
constexpr const char* SHIM = "ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD='" MACOS_POLL_SHIM "'";
constexpr const char* GNU_SCREEN = "SCREENDIR=/tmp/portata-screens screen -h 2000 bash --norc --noprofile -i";

// clang-format off
const Scenario SCENARIOS[] = {
    {"AnsweredRun", "answered-run"},
    {"AnswersAsUsersTypeThem", "answer-cases"},
    // Meta+a (Esc a in one write) does not clear the line, Option+Left (Esc
    // b as two keys) goes a word left, Ctrl+W and Ctrl+U erase.
    {"MetaAndControlKeysEdit", "shows Antenna TX, type 1234, keys Left Left M-a, type 9, field 8 12934, keys Escape b, "
        "type 7, field 8 712934, keys End, type  5 6, keys C-w, field 8 712934 5, keys Left Left C-u, field 8 5, "
        "answer, shows Antenna RX, answer, at 19 39 34 106  9 km , quit"},
    // Ctrl+L draws the screen anew over bytes written straight to the
    // terminal; Down after Up brings back the answer being typed.
    {"CtrlLRedrawsAndDownBringsBackTheTypedAnswer", "shows Antenna TX, answer 100, shows Antenna RX, type 2, "
        "tty \\033[31mGARBAGE\\033[10;60Hzz\\033[1;1HXX, shows GARBAGE, keys C-l, hides GARBAGE, type 5, keys Up, "
        "field 10 100, keys Down, field 10 25, answer, window 0 0 80 25 recalled, quit"},
    // F7 lists the answers in a box centred on the window, in the popup
    // colours (magenta on bright white, the selected entry the other way
    // round); nothing beside it changes, and once it closes every cell it
    // covered is as before.
    {"F7ListOpenAndClosed", "shows Antenna TX, answer 100, shows Antenna RX, type 2, keys F7, "
        "at 6 19 35 107 \u250c\u2500, at 6 59 35 107 \u2500\u2510, at 7 11 34 47  Antenna, at 7 19 35 107 \u2502, "
        "at 7 20 97 45 0: 100 , at 7 60 35 107 \u2502, at 17 19 35 107 \u2514\u2500, at 17 59 35 107 \u2500\u2518, "
        "keys Escape, hides \u2502, type 5, answer, shows premi un tasto, window 0 0 80 25, quit"},
    // A terminal smaller than the screen shows a window onto all of it that
    // follows the cursor; the rows above went up into the scrollback, once.
    {"SmallTerminal80x24", "at-key, window 0 1 80 24, quit", {.rows = 24}},
    {"SmallTerminal60x20", "at-key, window 0 5 60 20, quit", {.columns = 60, .rows = 20}},
    // Narrower than the screen, the window at the key wait shows the range
    // and the prompt whole: " 60 km" never cut to "6".
    {"NarrowTerminal40x12", "at-key, window 6 13 40 12, quit", {.columns = 40, .rows = 12}},
    {"NarrowTerminal45x12", "at-key, window 1 13 45 12, quit", {.columns = 45, .rows = 12}},
    // Grown again, the terminal pulls the user's own lines from its
    // scrollback into view; they go back there before the redraw.
    {"ShrunkAndGrownTheUsersLinesStayInTheScrollback", "shows Antenna TX, type 100, shows slm       100, "
        "resize 80 18, resize 80 25, history line- 40, answer, shows Antenna RX, answer 25, shows premi un tasto, "
        "quit", {.shell = BASH, .around = "for i in $(seq 1 40); do echo line-$i; done;"}},
    {"ResizedSmallerAndBackAtTheKeyWait", "at-key, resize 60 20, window 0 5 60 20, resize 80 25, window 0 0 80 25, "
        "quit"},
    // Typed past the right edge, the answer takes the window along: the
    // cursor after the last digit, in column 65, is the window's last.
    {"TypingPastTheRightEdge", "shows Antenna TX, type 1234567890123456789012345, "
        "at 7 34 34 47 1234567890123456789012345, at 7 6 34 47  Antenna TX a mt. slm , cursor 59 7, answer, "
        "shows Antenna RX, answer 25, shows premi un tasto, quit", {.columns = 60, .rows = 20}},
    // GNU screen copies a screen erased from its top left into its
    // scrollback: after `clear`, what was above the cursor goes up, and no
    // blank row.
    {"GnuScreenTakesNoBlankRowsAboveTheTitle", "at-key, hardcopy GO, quit",
        {.shell = GNU_SCREEN, .around = "clear; echo G''O;", .needs = "screen"}},
    // NO_COLOR: no colour anywhere; the rows with a background in reverse video.
    {"NoColourReversesTheColouredRows", "at-key, reversed 0 0  Velmora Istranda, reversed 7 11  Antenna TX a mt. slm , "
        "reversed 9 39 25, reversed 19 11  Portata ottica: , at 24 11 39 49  premi un tasto, colourless, quit",
        {.around = "NO_COLOR=1"}},
    // Overwriting shows a block cursor; Enter, Ctrl+C and a stop give the
    // terminal's own shape back, and back in the foreground the block returns.
    {"OverwritingShowsABlockCursorUntilEnter", "shows Antenna TX, record, keys IC, type 1, shape 2, answer, shape 0, "
        "shows Antenna RX, answer 25, shows premi un tasto, quit"},
    {"CtrlCWhileOverwritingGivesTheShapeBack", "asking, record, keys IC, shape 2, keys C-c, end INT, shape 0"},
    {"SuspendedWhileOverwritingGivesTheShapeBack", "asking, record, keys IC, shape 2, stop, shape 0, shell fg, "
        "hides Stopped, shape 2, answer, shape 0, shows Antenna RX, answer 4, shows premi un tasto, quit",
        {.shell = BASH}},
    // Every signal whose default action ends the process restores the
    // terminal first; Ctrl+C is the terminal's own SIGINT.
    {"HupWhileAsking", "asking, signal HUP, end HUP"},
    {"TermWhileAsking", "asking, signal TERM, end TERM"},
    {"CtrlCWhileAsking", "asking, keys C-c, end INT"},
    {"Usr1WhileAsking", "asking, signal USR1, end USR1"},
    {"HupAtTheKeyWait", "at-key, signal HUP, end HUP"},
    {"TermAtTheKeyWait", "at-key, signal TERM, end TERM"},
    {"IntAtTheKeyWait", "at-key, signal INT, end INT"},
    {"AlrmAtTheKeyWait", "at-key, signal ALRM, end ALRM"},
    {"Usr2AtTheKeyWait", "at-key, signal USR2, end USR2"},
    {"HupWithTheListOpen", "listing, signal HUP, end HUP"},
    {"TermWithTheListOpen", "listing, signal TERM, end TERM"},
    {"CtrlCWithTheListOpen", "listing, keys C-c, end INT"},
    // At an interactive shell Ctrl+C signals the whole job; the shell reports.
    {"ShellCtrlCWhileAsking", "asking, keys C-c, end INT", {.shell = BASH}},
    {"ShellCtrlCAtTheKeyWait", "at-key, keys C-c, end INT", {.shell = BASH}},
    {"TerminalGoneWhileAsking", "shows Antenna TX, gone"},
    {"TerminalGoneAtTheKeyWait", "at-key, gone"},
    // The answer is every digit typed: atoi saturates a line this long.
    {"ABurstOfResizesWhileTypingLosesNothing", "shows Antenna TX, burst, answer, shows Antenna RX, answer 4, "
        "shows  185372 km, quit"},
    // Suspended by the shell's job control and resumed, the line or the key
    // wait goes on; the key wait under sh, the line under bash.
    {"SuspendedWhileAsking", "asking, suspend, shows slm       12, type 3, answer, shows Antenna RX, answer 4, "
        "shows slm       123\n, shows  52 km, quit", {.shell = BASH}},
    // Resized while stopped (SIGWINCH goes to the shell), resumed it takes
    // the terminal's size as after a resize. (Only the height changes: a
    // new width has the terminal rewrap the old screen into its scrollback.)
    {"ResizedWhileSuspended", "shows Antenna TX, type 10, shows slm       10, stop, resize 80 20, shell fg, "
        "hides Stopped, type 0, answer, shows Antenna RX, answer 25, shows premi un tasto, window 0 5 80 20, quit",
        {.shell = BASH}},
    {"SuspendedAtTheKeyWait", "at-key, suspend, shows premi un tasto, shows  60 km, quit", {.shell = "sh -i"}},
    // The list drawn again with the screen; Esc closes it as before the stop.
    {"SuspendedWithTheListOpen", "listing, suspend, shows 0: 100, keys Escape, hides 0: 100, answer 25, "
        "shows  60 km, quit", {.shell = BASH}},
    // Ctrl+Z, then kill %1: the job ends at once, writes nothing over the
    // shell's lines and changes none of its modes.
    {"StoppedAndKilledWhileAsking", "asking, kill-stopped", {.shell = BASH}},
    {"StoppedAndKilledAtTheKeyWait", "at-key, kill-stopped", {.shell = BASH}},
    // Under poll() as macOS has it (POLLNVAL for every terminal) the keys
    // still come: the program waits with select(), and reads again after
    // a read a signal interrupted.
    {"KeyboardWherePollFailsOnTerminals", "at-key, shows  60 km, quit", {.around = SHIM, .needs = MACOS_POLL_SHIM}},
    // No controlling terminal to read keys from: the lines still come.
    {"WithoutAControllingTerminal", "shows Antenna TX, answer 7, shows Antenna RX, answer 9, end 0, shows  23 km",
        {.around = "setsid -w", .needs = "setsid"}},
    // Closed or empty standard streams: nothing read gives empty answers,
    // output elsewhere takes plain lines; the key comes from the terminal.
    {"StdinFromDevNull", "shows premi un tasto, quit", {.redirect = "</dev/null"}},
    {"StdinClosed", "shows premi un tasto, shows  0 km, quit", {.redirect = "<&-"}},
    {"StdoutToDevNull", "plain", {.redirect = ">/dev/null"}},
    // Output that cannot be written: said on standard error, status 1.
    {"StdoutClosed", "end 1, shows portata: cannot write the output: Bad file descriptor", {.redirect = ">&-"}},
    {"StdoutATerminalTakingNoWrites", "end 1, shows portata: cannot write the output: Bad file descriptor",
        {.redirect = "1</dev/tty"}},
    {"StderrClosed", "at-key, quit", {.redirect = "2>&-"}},
    // The probe: colours and code page 850 characters, the echo in the
    // current colours, the buffer keeping its size through a resize.
    {"ProbeColoursLineEditingResizeAndAKey", "at 0 0 93 44 Giallo, at 0 6 39 49  normale , at 0 15 97 41 Rosso, "
        "at 1 0 39 49 \xc3\xa9\xe2\x94\x80\xe2\x98\xba\xe2\x8c\x82, type 12, keys Left, type 3, at 2 0 93 44 > 132, "
        "cursor 4 2, resize 70 20, keys Enter, at 3 0 97 42 letto: 132, at 4 0 39 49 dim: 80x25 vista: 70x20, "
        "at 0 0 93 44 Giallo, keys Up, end 0, at 5 7 39 49 tasto: 224 72, at 6 0 39 49 fine, at 7 0 39 49 EXIT:0",
        {.program = PROBE}},
    {"ProbeKeysFromTheTerminalWithStdinRedirected", "shows letto: (null), shows tasto?, keys F1, end 0, "
        "shows tasto: 0 59", {.program = PROBE, .redirect = "</dev/null"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Scenarios, TerminalTest, ::testing::ValuesIn(SCENARIOS), CaseName());

}  // namespace
