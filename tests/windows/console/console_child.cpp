// The child of console_setup_test: asks for standard output once, which
// sets the console up, reports the console's output mode and buffer size on
// standard error, then either exits ("exit") or waits to be ended by a
// control event ("wait"; exit status 3 if none comes within a minute).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

int main(int argc, char** argv) {
    platform::HANDLE output = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    platform::DWORD mode = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    platform::GetConsoleMode(output, &mode);
    platform::GetConsoleScreenBufferInfo(output, &info);
    std::fprintf(stderr, "mode %lu size %d %d\n", static_cast<unsigned long>(mode), info.dwSize.X, info.dwSize.Y);
    std::fflush(stderr);
    if (argc > 1 && std::strcmp(argv[1], "wait") == 0) {
        for (int i = 0; i < 600; ++i) platform::Sleep(100);
        return 3;
    }
    std::exit(0);
}
