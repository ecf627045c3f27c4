// The whole program as a process in hostile surroundings without a
// terminal: no controlling terminal at all, standard streams closed,
// unreadable or unwritable, a reader that goes away in the middle. Each run
// is bounded by timeout(1), so a hang shows as status 124, not as a stuck
// test; each must end with status 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/tmux_session.h"

namespace {

struct Outcome {
    std::string output;
    int status;  // the shell's exit status
};

// Runs a bash command line with portata's path in $P; standard error is
// kept apart from what the command prints.
Outcome run_bash(const std::string& command) {
    std::string full = "bash -c 'P=\"" PORTATA_EXE "\"; " + command + "' 2>/dev/null";
    Outcome outcome{"", -1};
    FILE* pipe = popen(full.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) outcome.output.append(chunk, n);
    int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

constexpr const char* PLAIN_60 =
    " Velmora Istranda Quolvenix Pardov                      Ostravel Kamuni Dreskov \n"
    " Antenna TX a mt. slm \n Antenna RX a mt. slm \n Portata ottica: \n 60 km \n premi un tasto per terminare\n";

// Every run is bounded by timeout(1), which not every system has (macOS).
class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!shell_has_command("timeout")) GTEST_SKIP() << "timeout(1) is not installed";
    }
};

TEST_F(ProcessTest, WithoutAControllingTerminalTheRunEndsAtOnce) {
    // setsid: a new session with no terminal at all; the key wait has no
    // keyboard to wait on. util-linux's setsid(1) is Linux only.
    if (!shell_has_command("setsid")) GTEST_SKIP() << "setsid(1) is not installed";
    Outcome piped = run_bash("printf \"100\\n25\\n\" | timeout 20 setsid -w \"$P\" | cat; echo \"status ${PIPESTATUS[1]}\"");
    EXPECT_EQ(piped.output, std::string(PLAIN_60) + "status 0\n");
    Outcome nothing = run_bash("timeout 20 setsid -w \"$P\" </dev/null >/dev/null; echo \"status $?\"");
    EXPECT_EQ(nothing.output, "status 0\n");
}

TEST_F(ProcessTest, HostileStandardStreamsNeverHangOrCrash) {
    const char* commands[] = {
        // both ends closed
        "timeout 20 \"$P\" <&- >&-",
        // standard input unreadable: a directory, a write-only descriptor
        "timeout 20 \"$P\" </ >/dev/null",
        "timeout 20 \"$P\" 0>/dev/null >/dev/null",
        // standard output unwritable: read-only, full, closed with input given
        "printf \"1\\n2\\n\" | timeout 20 \"$P\" 1</dev/null",
        "printf \"1\\n2\\n\" | timeout 20 \"$P\" >/dev/full",
        "printf \"1\\n2\\n\" | timeout 20 \"$P\" >&-",
        // standard error closed as well
        "printf \"1\\n2\\n\" | timeout 20 \"$P\" >/dev/null 2>&- <&0",
        // input that never ends a line, and one that ends in the middle of one
        "head -c 3000000 /dev/zero | tr \"\\\\0\" 7 | timeout 20 \"$P\" >/dev/null",
        "printf \"12\" | timeout 20 \"$P\" >/dev/null",
    };
    for (const char* command : commands) {
        if (std::string(command).find("/dev/full") != std::string::npos && access("/dev/full", W_OK) != 0) {
            std::printf("no /dev/full here, not run: %s\n", command);
            continue;
        }
        Outcome outcome = run_bash(std::string(command) + "; echo \"status $?\"");
        EXPECT_EQ(outcome.output, "status 0\n") << command;
    }
}

TEST_F(ProcessTest, AReaderThatGoesAwayMidwayLeavesTheProgramToFinish) {
    // The reader takes a few bytes and leaves; the writes after that fail
    // (no SIGPIPE death) and the program still reads its answers and ends.
    for (const char* reader : {"head -c 1", "head -c 100", "true"}) {
        Outcome outcome = run_bash(std::string("printf \"100\\n25\\n\" | timeout 20 \"$P\" | ") + reader +
                                   " >/dev/null; echo \"status ${PIPESTATUS[1]}\"");
        EXPECT_EQ(outcome.output, "status 0\n") << reader;
    }
}

}  // namespace
