#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct RunResult {
    std::string output;
    int status;  // the exit status, or -1 when killed by a signal
};

// Runs a shell command with portata's path in $P and returns what it wrote.
RunResult run_shell(const std::string& command) {
    std::string full = "P='" PORTATA_EXE "'; " + command;
    RunResult result{"", -1};
    FILE* pipe = popen(full.c_str(), "r");
    if (pipe == nullptr) return result;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string plain_screen(const std::string& range) {
    return " Velmora Istranda Quolvenix Pardov" + std::string(22, ' ') + "Ostravel Kamuni Dreskov \n" +
           " Antenna TX a mt. slm \n" + " Antenna RX a mt. slm \n" + " Portata ottica: \n" + range + " km \n" +
           " premi un tasto per terminare\n";
}

TEST(PipeTest, TextsComeInOrderAsPlainText) {
    RunResult result = run_shell("printf '100\\n25\\n' | \"$P\" | cat");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, plain_screen(" 60"));
}

TEST(PipeTest, NoInputAtAllGivesZero) {
    RunResult result = run_shell("\"$P\" </dev/null | cat; echo \"status $?\"");
    EXPECT_EQ(result.output, plain_screen(" 0") + "status 0\n");
}

TEST(PipeTest, CarriageReturnLineEndsAndLongLines) {
    std::string long_line(5000, '9');
    RunResult result = run_shell("printf '2\\r\\n" + long_line + "\\r\\n' | \"$P\"");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, plain_screen(" 185369"));
}

TEST(PipeTest, AVanishedReaderOrClosedStreamsStillEndCleanly) {
    const char* commands[] = {
        "printf '1\\n2\\n' | { \"$P\"; echo \"status $?\" >&2; } | true",
        "\"$P\" >&- </dev/null; echo \"status $?\" >&2",
        "\"$P\" <&- >/dev/null; echo \"status $?\" >&2",
        "\"$P\" </dev/null >/dev/full; echo \"status $?\" >&2",
    };
    for (const char* command : commands) {
        if (std::string(command).find("/dev/full") != std::string::npos && access("/dev/full", W_OK) != 0) {
            std::printf("no /dev/full here, not run: %s\n", command);
            continue;
        }
        RunResult result = run_shell(std::string("{ ") + command + "; } 2>&1");
        EXPECT_EQ(result.output, "status 0\n") << command;
    }
}

}  // namespace
