// portata.exe, cross-built for Windows, on Wine's console in an 80x25 tmux
// pane: the same rows, colours and cursor positions as the native program,
// and no wait for a key when its output is not the console.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/support/tmux_session.h"

namespace {

// Wine's first start in a prefix can take a minute; later ones a second or two.
constexpr int32_t WINE_START_MS = 120000;
constexpr int32_t STEP_MS = 20000;

std::string wine_command() {
    return std::string("env WINEPREFIX='") + PORTATA_WINEPREFIX + "' WINEDEBUG=-all '" + PORTATA_WINE + "' '" +
           PORTATA_EXE + "'";
}

std::string run(const std::string& command) {
    std::string output;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char chunk[512];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, n);
    pclose(pipe);
    return output;
}

// Wine's console has taken the pane's terminal once canonical mode is off;
// keys typed before then are read by the terminal's line discipline, which
// turns Enter into a line feed that the console does not take for Enter.
bool wait_for_wine_console(const TmuxSession& session, int32_t timeout_ms) {
    std::string tty = run("tmux -L " + session.socket + " display-message -p -t 0 '#{pane_tty}'");
    if (!tty.empty() && tty.back() == '\n') tty.pop_back();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string modes = " " + run("stty -F '" + tty + "' -a 2>/dev/null | tr ' ;\\n' '   '") + " ";
        if (modes.find(" -icanon ") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// After portata ends the pane shows its exit status and the terminal modes.
constexpr const char* AFTER =
    "; echo \"EXIT:$?\"; stty -a | tr ' ;' '\\n\\n' | grep -E '^-?(icanon|echo|isig|icrnl|opost)$' | tr '\\n' ' '; "
    "echo ' =DONE='; sleep 60";

class WindowsTerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
    }
    void TearDown() override { tmux_stop(session); }

    void start() {
        session = tmux_start("trap : INT; " + wine_command() + AFTER, 80, 25);
        ASSERT_TRUE(tmux_wait_for_text(session, "Antenna TX", WINE_START_MS)) << tmux_text(session);
    }
    void answer(const std::string& typed, const std::string& next) {
        if (!typed.empty()) tmux_send(session, "-l '" + typed + "'");
        tmux_send(session, "Enter");
        ASSERT_TRUE(tmux_wait_for_text(session, next, STEP_MS)) << tmux_text(session);
    }
    void expect_clean_exit() {
        tmux_send(session, "q");
        ASSERT_TRUE(tmux_wait_for_text(session, "=DONE=", STEP_MS)) << tmux_text(session);
        std::string text = tmux_text(session);
        EXPECT_NE(text.find("EXIT:0"), std::string::npos) << text;
        expect_sane_modes(text);
        EXPECT_EQ(text.find("q"), text.rfind("q")) << "the key reached the shell";
    }
    // The modes line lists each mode, with a minus sign when it is off.
    static void expect_sane_modes(const std::string& text) {
        std::size_t exit = text.find("EXIT:");
        std::string modes = text.substr(text.find('\n', exit) + 1);
        modes = " " + modes.substr(0, modes.find('\n'));
        for (const char* mode : {" icanon", " echo", " isig", " icrnl", " opost"}) {
            EXPECT_NE(modes.find(mode), std::string::npos) << mode << " in" << modes;
        }
    }
    static std::string row(const TmuxScreen& screen, int32_t row1, int32_t column1, int32_t length) {
        return tmux_row_text(screen, row1 - 1, column1 - 1, length);
    }
    static void expect_colours(const TmuxScreen& screen, int32_t row1, int32_t column1, int32_t length, int32_t fg,
                               int32_t bg) {
        const auto& cells = screen.rows.at(static_cast<std::size_t>(row1 - 1));
        for (int32_t x = column1 - 1; x < column1 - 1 + length; ++x) {
            // tmux leaves out the blanks at the end of a row in default colours.
            TmuxCell blank{" ", 39, 49};
            const TmuxCell& cell = x < static_cast<int32_t>(cells.size()) ? cells[static_cast<std::size_t>(x)] : blank;
            EXPECT_EQ(cell.fg, fg) << "row " << row1 << " column " << x + 1;
            EXPECT_EQ(cell.bg, bg) << "row " << row1 << " column " << x + 1;
        }
    }

    TmuxSession session{};
};

TEST_F(WindowsTerminalTest, TheScreenAnswersAndEndsOnAKey) {
    start();
    TmuxScreen asking = tmux_screen(session);
    EXPECT_EQ(asking.cursor_y, 7);
    EXPECT_EQ(asking.cursor_x, 39);
    answer("100", "Antenna RX");
    TmuxScreen second = tmux_screen(session);
    EXPECT_EQ(second.cursor_y, 9);
    EXPECT_EQ(second.cursor_x, 39);
    answer("25", "premi un tasto");

    TmuxScreen screen = tmux_screen(session);
    std::string title = " Velmora Istranda Quolvenix Pardov" + std::string(22, ' ') + "Ostravel Kamuni Dreskov ";
    EXPECT_EQ(row(screen, 1, 1, 80), title);
    expect_colours(screen, 1, 1, 80, 34, 47);
    EXPECT_EQ(row(screen, 8, 12, 31), " Antenna TX a mt. slm       100");
    expect_colours(screen, 8, 12, 22, 34, 47);
    expect_colours(screen, 8, 40, 3, 34, 47);
    EXPECT_EQ(row(screen, 10, 12, 30), " Antenna RX a mt. slm       25");
    expect_colours(screen, 10, 40, 2, 34, 47);
    EXPECT_EQ(row(screen, 20, 12, 35), " Portata ottica: " + std::string(11, ' ') + " 60 km ");
    expect_colours(screen, 20, 12, 17, 34, 106);
    expect_colours(screen, 20, 40, 7, 34, 106);
    EXPECT_EQ(row(screen, 25, 12, 29), " premi un tasto per terminare");
    expect_colours(screen, 25, 12, 29, 39, 49);
    expect_colours(screen, 2, 1, 80, 39, 49);
    EXPECT_EQ(screen.cursor_y, 24);
    EXPECT_EQ(screen.cursor_x, 40);
    expect_clean_exit();
}

TEST_F(WindowsTerminalTest, AnswersAsUsersTypeThem) {
    struct Case {
        const char* tx;
        const char* rx;
        const char* shown;
    } cases[] = {
        {"150,30", "25", " 69 km "},
        {"12.7", "", " 14 km "},
        {"abc", "-100", " 0 km "},
        {"77777777777777777777777777777777777777777777777", "1", " 185368 km "},
    };
    for (const Case& c : cases) {
        start();
        answer(c.tx, "Antenna RX");
        answer(c.rx, "premi un tasto");
        TmuxScreen screen = tmux_screen(session);
        std::string shown = c.shown;
        EXPECT_EQ(row(screen, 20, 40, int32_t(shown.size())), shown) << c.tx;
        EXPECT_EQ(row(screen, 10, 12, 22), " Antenna RX a mt. slm ") << c.tx;
        expect_clean_exit();
        tmux_stop(session);
    }
}

// Ctrl+C ends the program while it asks, and Wine's console gives the
// terminal back as it was. The exit status is not checked: Windows reports
// STATUS_CONTROL_C_EXIT, which Wine does not pass on to the shell.
TEST_F(WindowsTerminalTest, InterruptedWhileAskingLeavesTheTerminalSane) {
    start();
    tmux_send(session, "-l 12");
    ASSERT_TRUE(tmux_wait_for_text(session, "12", STEP_MS)) << tmux_text(session);
    tmux_send(session, "C-c");
    ASSERT_TRUE(tmux_wait_for_text(session, "=DONE=", STEP_MS)) << tmux_text(session);
    std::string text = tmux_text(session);
    EXPECT_EQ(text.find("premi un tasto"), std::string::npos) << text;
    expect_sane_modes(text);
}

// With its output in a file portata still reads the answers typed at the
// console, but it has no screen to wait on: it ends without a key.
TEST_F(WindowsTerminalTest, OutputToAFileEndsWithoutAKey) {
    std::string file = std::string(PORTATA_WINEPREFIX) + "-redirected.txt";
    std::remove(file.c_str());
    session = tmux_start("trap : INT; " + wine_command() + " > '" + file + "'" + AFTER, 80, 25);
    // Nothing shows while it asks.
    ASSERT_TRUE(wait_for_wine_console(session, WINE_START_MS)) << tmux_text(session);
    tmux_send(session, "-l 100");
    tmux_send(session, "Enter");
    tmux_send(session, "-l 25");
    tmux_send(session, "Enter");
    ASSERT_TRUE(tmux_wait_for_text(session, "=DONE=", STEP_MS)) << tmux_text(session);
    EXPECT_NE(tmux_text(session).find("EXIT:0"), std::string::npos) << tmux_text(session);
    std::FILE* written = std::fopen(file.c_str(), "rb");
    ASSERT_NE(written, nullptr);
    std::string text;
    char chunk[512];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, written)) > 0) text.append(chunk, n);
    std::fclose(written);
    EXPECT_NE(text.find(" 60 km "), std::string::npos) << text;
    EXPECT_NE(text.find("premi un tasto per terminare"), std::string::npos) << text;
}

// In a pipe, with no console at all, it reads standard input and ends.
TEST(WindowsPipeTest, APipeRunEndsWithTheRange) {
    std::string command = "printf '100\\n25\\n' | timeout 120 " + wine_command() + " 2>/dev/null";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string text;
    char chunk[512];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, n);
    int status = pclose(pipe);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find(" Antenna TX a mt. slm"), std::string::npos) << text;
    EXPECT_NE(text.find(" 60 km "), std::string::npos) << text;
}

}  // namespace
