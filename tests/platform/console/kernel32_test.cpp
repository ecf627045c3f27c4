// The kernel32 functions on the screen buffer model: catches wrong buffer
// info, cursor and mode round trips, bad arguments accepted, and WriteFile
// faults (short and refused writes) not reported as the console reports them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "tests/platform/testing/testing.h"
#include "tests/support/test_heap.h"

namespace {

using namespace platform;

class ConsoleApiTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_console_create(80, 25);
        out = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    HANDLE out = nullptr;
};

TEST_F(ConsoleApiTest, BufferInfoReportsSizeCursorAndAttribute) {
    SetConsoleCursorPosition(out, COORD{39, 7});
    SetConsoleTextAttribute(out, 0x71);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(out, &info));
    EXPECT_EQ(info.dwSize.X, 80);
    EXPECT_EQ(info.dwSize.Y, 25);
    EXPECT_EQ(info.dwCursorPosition.X, 39);
    EXPECT_EQ(info.dwCursorPosition.Y, 7);
    EXPECT_EQ(info.wAttributes, 0x71);

    testing_hooks().faults.buffer_info_fails = true;
    CONSOLE_SCREEN_BUFFER_INFO untouched{};
    EXPECT_FALSE(GetConsoleScreenBufferInfo(out, &untouched));
    EXPECT_EQ(untouched.dwSize.X, 0);
}

TEST_F(ConsoleApiTest, BufferInfoReportsTheWindowOntoTheBuffer) {
    testing_console_on_terminal(60, 20);
    ASSERT_TRUE(SetConsoleCursorPosition(out, COORD{70, 24}));
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_TRUE(GetConsoleScreenBufferInfo(out, &info));
    EXPECT_EQ(info.dwSize.X, 80);
    EXPECT_EQ(info.dwSize.Y, 25);
    EXPECT_EQ(info.srWindow.Left, 11);
    EXPECT_EQ(info.srWindow.Top, 5);
    EXPECT_EQ(info.srWindow.Right, 70);
    EXPECT_EQ(info.srWindow.Bottom, 24);
    EXPECT_EQ(info.dwMaximumWindowSize.X, 60);
    EXPECT_EQ(info.dwMaximumWindowSize.Y, 24);
    COORD largest = GetLargestConsoleWindowSize(out);
    EXPECT_EQ(largest.X, 60);
    EXPECT_EQ(largest.Y, 24);
}

TEST_F(ConsoleApiTest, RefusedCursorMoveLeavesTheCursor) {
    ASSERT_EQ(SetConsoleCursorPosition(out, COORD{5, 5}), 1);  // Windows' TRUE
    EXPECT_FALSE(SetConsoleCursorPosition(out, COORD{80, 0}));
    EXPECT_EQ(GetLastError(), 87u);  // Windows' ERROR_INVALID_PARAMETER
    EXPECT_FALSE(SetConsoleCursorPosition(out, COORD{0, 25}));
    EXPECT_FALSE(SetConsoleCursorPosition(out, COORD{-1, 0}));
    EXPECT_EQ(testing_console().screen.cursor_x, 5);
    EXPECT_EQ(testing_console().screen.cursor_y, 5);
}

TEST_F(ConsoleApiTest, CursorInfoRoundTripsAndRejectsBadSizes) {
    CONSOLE_CURSOR_INFO info{};
    ASSERT_TRUE(GetConsoleCursorInfo(out, &info));
    EXPECT_EQ(info.dwSize, 25u);
    EXPECT_TRUE(info.bVisible);
    info.bVisible = FALSE;
    ASSERT_TRUE(SetConsoleCursorInfo(out, &info));
    EXPECT_FALSE(testing_console().screen.cursor_visible);
    info.dwSize = 0;
    EXPECT_FALSE(SetConsoleCursorInfo(out, &info));
    info.dwSize = 101;
    EXPECT_FALSE(SetConsoleCursorInfo(out, &info));
}

TEST_F(ConsoleApiTest, ModeStartsProcessedWithWrapAndTurnsWrapOff) {
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(out, &mode));
    EXPECT_EQ(mode, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
    ASSERT_TRUE(SetConsoleMode(out, mode & ~ENABLE_WRAP_AT_EOL_OUTPUT));
    SetConsoleCursorPosition(out, COORD{78, 24});
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(out, "ab", 2, &written, nullptr));
    EXPECT_EQ(written, 2u);
    EXPECT_EQ(testing_console().screen.cursor_x, 79);
    EXPECT_EQ(testing_console().screen.scrolls, 0u);
    EXPECT_FALSE(SetConsoleMode(out, 0x100));
}

TEST_F(ConsoleApiTest, WriteFaultsLimitAndRefuse) {
    DWORD written = 99;
    testing_hooks().faults.write_limit = 3;
    ASSERT_TRUE(WriteFile(out, "abcdef", 6, &written, nullptr));
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(testing_row_text(0).substr(0, 4), "abc ");

    testing_hooks().faults.write_limit = -1;
    testing_hooks().faults.writes_before_refusal = 1;
    EXPECT_TRUE(WriteFile(out, "d", 1, &written, nullptr));
    EXPECT_FALSE(WriteFile(out, "e", 1, &written, nullptr));
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(testing_row_text(0).substr(0, 5), "abcd ");
    EXPECT_EQ(testing_hooks().counters.calls[CONSOLE_CALL_WRITE_FILE], 3u);
}

TEST_F(ConsoleApiTest, FillAndScrollThroughTheHandle) {
    DWORD written = 0;
    ASSERT_TRUE(FillConsoleOutputAttribute(out, 0xF7, 80 * 25, COORD{0, 0}, &written));
    EXPECT_EQ(written, 2000u);
    ASSERT_TRUE(FillConsoleOutputCharacterA(out, 'x', 10, COORD{75, 24}, &written));
    EXPECT_EQ(written, 5u);  // stops at the end of the buffer

    SMALL_RECT source{0, 1, 79, 24};
    CHAR_INFO fill{};
    fill.Char.AsciiChar = ' ';
    fill.Attributes = 0x1E;
    ASSERT_TRUE(ScrollConsoleScreenBufferA(out, &source, nullptr, COORD{0, 0}, &fill));
    EXPECT_EQ(testing_row_text(23).substr(75), "xxxxx");
    EXPECT_EQ(screen_cell(&testing_console().screen, 0, 24).attr, 0x1E);
    SMALL_RECT inverted{0, 24, 79, 1};
    EXPECT_FALSE(ScrollConsoleScreenBufferA(out, &inverted, nullptr, COORD{0, 0}, &fill));
}

TEST_F(ConsoleApiTest, LargestWindowIsSetApartFromTheBuffer) {
    COORD largest = GetLargestConsoleWindowSize(out);
    EXPECT_EQ(largest.X, 80);
    EXPECT_EQ(largest.Y, 25);
    testing_console_set_largest(100, 40);
    EXPECT_EQ(GetLargestConsoleWindowSize(out).Y, 40);
}

TEST_F(ConsoleApiTest, RedirectedOutputFailsEveryConsoleFunction) {
    testing_console_redirect();
    CONSOLE_SCREEN_BUFFER_INFO info{};
    CONSOLE_CURSOR_INFO cursor{};
    DWORD mode = 0;
    DWORD written = 0;
    CHAR_INFO fill{};
    SMALL_RECT source{0, 0, 1, 1};
    EXPECT_FALSE(GetConsoleScreenBufferInfo(out, &info));
    EXPECT_EQ(GetLastError(), 6u);  // Windows' ERROR_INVALID_HANDLE
    EXPECT_FALSE(FillConsoleOutputAttribute(out, 7, 1, COORD{0, 0}, &written));
    EXPECT_FALSE(FillConsoleOutputCharacterA(out, ' ', 1, COORD{0, 0}, &written));
    EXPECT_FALSE(SetConsoleTextAttribute(out, 7));
    EXPECT_FALSE(GetConsoleCursorInfo(out, &cursor));
    EXPECT_FALSE(SetConsoleCursorInfo(out, &cursor));
    EXPECT_FALSE(SetConsoleCursorPosition(out, COORD{0, 0}));
    EXPECT_FALSE(ScrollConsoleScreenBufferA(out, &source, nullptr, COORD{0, 0}, &fill));
    EXPECT_FALSE(GetConsoleMode(out, &mode));
    EXPECT_FALSE(SetConsoleMode(out, 3));
    COORD largest = GetLargestConsoleWindowSize(out);
    EXPECT_EQ(largest.X, 0);
    EXPECT_EQ(largest.Y, 0);

    ASSERT_TRUE(WriteFile(out, " Antenna TX\n", 12, &written, nullptr));
    EXPECT_EQ(written, 12u);
    EXPECT_EQ(testing_file_output(), " Antenna TX\n");
    EXPECT_FALSE(WriteFile(GetStdHandle(STD_ERROR_HANDLE), "x", 1, &written, nullptr));
    EXPECT_EQ(written, 0u);
    platform_console.file_write = [](const uint8_t*, std::size_t) { return false; };  // a reader gone
    EXPECT_FALSE(WriteFile(out, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), 232u);  // Windows' ERROR_NO_DATA: the pipe is being closed
}

// In a child process, the console set up as the program finds it.
using ConsoleSetupDeathTest = ::testing::Test;

// Plain text ends on a fresh line at exit, judged by the last byte written,
// not by the bytes after it.
TEST(ConsoleSetupDeathTest, PlainTextEndsOnAFreshLineAtExit) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    auto run = [&] {
        dup2(fileno(file), STDOUT_FILENO);
        testing_console_destroy();
        platform_console = ConsoleState{};
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "\nd\n\n", 2, &written, nullptr);
        std::exit(0);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
    std::rewind(file);
    char text[8];
    EXPECT_EQ(std::string(text, std::fread(text, 1, sizeof text, file)), "\nd\n");
    std::fclose(file);
}

TEST(ConsoleSetupDeathTest, ATerminalWithoutMemoryForItsScreenGetsPlainText) {
    int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    if (terminal < 0) GTEST_SKIP() << "no pseudo-terminals here";
    ASSERT_EQ(grantpt(terminal) | unlockpt(terminal), 0);
    auto run = [&] {
        setsid();  // no controlling terminal, so no keyboard: only the screen is at stake
        dup2(open(ptsname(terminal), O_RDWR | O_NOCTTY), STDOUT_FILENO);
        testing_console_destroy();
        platform_console = ConsoleState{};
        test_heap_install(HEAP_REFUSES_ALL);
        HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
        CONSOLE_SCREEN_BUFFER_INFO info{};
        DWORD written = 0;
        bool plain = !GetConsoleScreenBufferInfo(out, &info) && WriteFile(out, "x", 1, &written, nullptr);
        std::_Exit(plain && written == 1 ? 0 : 1);
    };
    EXPECT_EXIT(run(), ::testing::ExitedWithCode(0), "");
    close(terminal);
}

}  // namespace
