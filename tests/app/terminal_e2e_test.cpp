#include <gtest/gtest.h>

#include <string>

#include "tests/support/tmux_session.h"

namespace {

// portata in an 80x25 tmux pane; after it ends the pane shows its exit
// status and the terminal modes.
constexpr const char* AFTER =
    "; echo \"EXIT:$?\"; stty -a | tr ' ;' '\\n\\n' | grep -E '^-?(icanon|echo|isig|icrnl|opost)$' | tr '\\n' ' '; "
    "echo ' =DONE='; sleep 60";

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
    }
    void TearDown() override { tmux_stop(session); }

    void start() {
        // The pane's shell ignores SIGINT itself, so it lives on to report
        // how portata ended.
        session = tmux_start(std::string("trap : INT; '") + PORTATA_EXE + "'" + AFTER, 80, 25);
        ASSERT_TRUE(tmux_wait_for_text(session, "Antenna TX")) << tmux_text(session);
    }
    void answer(const std::string& typed, const std::string& next) {
        if (!typed.empty()) tmux_send(session, "-l '" + typed + "'");
        tmux_send(session, "Enter");
        ASSERT_TRUE(tmux_wait_for_text(session, next)) << tmux_text(session);
    }
    void expect_clean_exit() {
        tmux_send(session, "q");
        ASSERT_TRUE(tmux_wait_for_text(session, "=DONE=")) << tmux_text(session);
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
    std::string row(const TmuxScreen& screen, int32_t row1, int32_t column1, int32_t length) {
        return tmux_row_text(screen, row1 - 1, column1 - 1, length);
    }
    void expect_colours(const TmuxScreen& screen, int32_t row1, int32_t column1, int32_t length, int32_t fg,
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

TEST_F(TerminalTest, TheScreenAnswersAndEndsOnAKey) {
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

TEST_F(TerminalTest, AnswersAsUsersTypeThem) {
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

TEST_F(TerminalTest, InterruptedWhileAskingLeavesTheTerminalSane) {
    for (const char* how : {"C-c", "kill"}) {
        start();
        tmux_send(session, "-l 12");
        if (std::string(how) == "kill") {
            std::string pid = std::to_string(tmux_pane_pid(session));
            std::system(("pkill -TERM -P " + pid).c_str());
        } else {
            tmux_send(session, how);
        }
        ASSERT_TRUE(tmux_wait_for_text(session, "=DONE=")) << tmux_text(session);
        std::string text = tmux_text(session);
        EXPECT_NE(text.find(std::string("EXIT:") + (std::string(how) == "kill" ? "143" : "130")), std::string::npos)
            << text;
        expect_sane_modes(text);
        tmux_stop(session);
    }
}

}  // namespace
