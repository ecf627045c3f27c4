// The console set-up of the Windows build (platform/windows/console_windows.cpp)
// on a real console: a child program asks for standard output, and its
// console must have lost the virtual-terminal modes and grown to 80x25 while
// it runs, and have them back once it has gone, whether it exited or was
// ended by Ctrl+C. Needs a console: under Wine, a terminal (the Windows
// end-to-end test runs this in a tmux pane); skipped without one.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace {

constexpr DWORD VIRTUAL_TERMINAL_MODES = 0x0004 | 0x0008;  // VT processing, no auto return
constexpr DWORD CHILD_DEADLINE_MS = 30000;

struct ConsoleState {
    DWORD mode;
    COORD size;
    SMALL_RECT window;
};

struct Child {
    PROCESS_INFORMATION process;
    HANDLE report;  // the read end of the child's standard error
};

ConsoleState console_read(HANDLE console) {
    ConsoleState state{};
    CONSOLE_SCREEN_BUFFER_INFO info{};
    GetConsoleMode(console, &state.mode);
    GetConsoleScreenBufferInfo(console, &info);
    state.size = info.dwSize;
    state.window = info.srWindow;
    return state;
}

std::string child_path() {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.find_last_of("\\/") + 1) + "console_child.exe";
}

// Starts the child on the console with its standard error in a pipe.
bool child_start(HANDLE console, const char* how, DWORD flags, Child* child) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, platform::TRUE};
    HANDLE write_end = nullptr;
    if (!CreatePipe(&child->report, &write_end, &inherit, 0)) return false;
    SetHandleInformation(child->report, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = console;
    startup.hStdOutput = console;
    startup.hStdError = write_end;
    std::string command = "\"" + child_path() + "\" " + how;
    BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, platform::TRUE, flags, nullptr, nullptr,
                                  &startup, &child->process);
    CloseHandle(write_end);
    return started != 0;
}

// The child's report line: what its console looked like after start-up.
std::string child_report(const Child& child) {
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(child.report, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
        if (c != '\r') line += c;  // standard error is a text stream
    }
    return line;
}

DWORD child_finish(const Child& child) {
    DWORD status = STILL_ACTIVE;
    if (WaitForSingleObject(child.process.hProcess, CHILD_DEADLINE_MS) == WAIT_OBJECT_0) {
        GetExitCodeProcess(child.process.hProcess, &status);
    }
    CloseHandle(child.report);
    CloseHandle(child.process.hThread);
    CloseHandle(child.process.hProcess);
    return status;
}

std::string report_of(DWORD mode, int32_t columns, int32_t rows) {
    return "mode " + std::to_string(mode) + " size " + std::to_string(columns) + " " + std::to_string(rows);
}

// The console as Windows Terminal leaves it (virtual-terminal modes on),
// and smaller than 80x25, as a conhost window can be.
class ConsoleSetUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, platform::TRUE};
        console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
        if (console == platform::INVALID_HANDLE_VALUE) GTEST_SKIP() << "no console to test on";
        original = console_read(console);
        SMALL_RECT window{0, 0, 59, 19};
        ASSERT_TRUE(SetConsoleWindowInfo(console, platform::TRUE, &window));
        ASSERT_TRUE(SetConsoleScreenBufferSize(console, COORD{60, 20}));
        if (!SetConsoleMode(console, original.mode | VIRTUAL_TERMINAL_MODES)) {
            GTEST_SKIP() << "this console has no virtual-terminal modes";
        }
        before = console_read(console);
    }
    void TearDown() override {
        if (console == platform::INVALID_HANDLE_VALUE) return;
        SetConsoleMode(console, original.mode);
        SetConsoleScreenBufferSize(console, original.size);
        SetConsoleWindowInfo(console, platform::TRUE, &original.window);
        CloseHandle(console);
    }
    void expect_put_back() {
        ConsoleState after = console_read(console);
        EXPECT_EQ(after.mode, before.mode);
        EXPECT_EQ(after.size.X, 60);
        EXPECT_EQ(after.size.Y, 20);
    }

    HANDLE console = platform::INVALID_HANDLE_VALUE;
    ConsoleState original{};
    ConsoleState before{};
};

TEST_F(ConsoleSetUpTest, StartUpClearsTheTerminalModesGrowsTheBufferAndExitPutsThemBack) {
    Child child{};
    ASSERT_TRUE(child_start(console, "exit", 0, &child));
    EXPECT_EQ(child_report(child), report_of(before.mode & ~VIRTUAL_TERMINAL_MODES, 80, 25));
    EXPECT_EQ(child_finish(child), 0u);
    expect_put_back();
}

// Ctrl+C reaches every program on the console, each on a thread of its own
// and in no set order; this test takes it as handled, so only the child goes
// on to the default action, and its handler stays until it has had it.
// (Wine sends no Ctrl+Break to a process group; it goes through the same
// handler as Ctrl+C.)
HANDLE control_seen = nullptr;

BOOL WINAPI swallow_control(DWORD) {
    SetEvent(control_seen);
    return platform::TRUE;
}

TEST_F(ConsoleSetUpTest, CtrlCPutsThemBackAndStillEndsTheProgram) {
    Child child{};
    ASSERT_TRUE(child_start(console, "wait", 0, &child));
    EXPECT_EQ(child_report(child), report_of(before.mode & ~VIRTUAL_TERMINAL_MODES, 80, 25));
    control_seen = CreateEventA(nullptr, platform::TRUE, platform::FALSE, nullptr);
    SetConsoleCtrlHandler(swallow_control, platform::TRUE);
    EXPECT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    DWORD status = child_finish(child);
    ASSERT_EQ(WaitForSingleObject(control_seen, CHILD_DEADLINE_MS), WAIT_OBJECT_0) << "no Ctrl+C came here";
    SetConsoleCtrlHandler(swallow_control, platform::FALSE);
    CloseHandle(control_seen);
    EXPECT_NE(status, STILL_ACTIVE) << "the child was not ended";
    EXPECT_NE(status, 3u) << "the event did not end the child";
    expect_put_back();
}

}  // namespace
