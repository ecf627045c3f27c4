// The whole program as a process in hostile surroundings without a
// terminal: no controlling terminal at all, standard streams closed,
// unreadable or unwritable, a reader that goes away in the middle. Each run
// is bounded by timeout(1), so a hang shows as status 124, not as a stuck
// test; each must end with status 0.
#include <gtest/gtest.h>

#include <unistd.h>
#include <string>

#include "tests/support/calculator_golden.h"
#include "tests/support/shell.h"

namespace {

// Runs a bash command line with portata's path in $P; standard error is
// kept apart from what the command prints.
ShellRun run_bash(const std::string& command) {
    return shell_run("bash -c 'P=\"" PORTATA_EXE "\"; " + command + "' 2>/dev/null");
}

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
    ShellRun piped =
        run_bash("printf \"100\\n25\\n\" | timeout 60 setsid -w \"$P\" | cat; echo \"status ${PIPESTATUS[1]}\"");
    EXPECT_EQ(piped.output, plain_transcript(" 60") + "status 0\n");
    ShellRun nothing = run_bash("timeout 60 setsid -w \"$P\" </dev/null >/dev/null; echo \"status $?\"");
    EXPECT_EQ(nothing.output, "status 0\n");
}

TEST_F(ProcessTest, HostileStandardStreamsNeverHangOrCrash) {
    const char* commands[] = {
        // both ends closed, or one closed and the other empty
        "timeout 60 \"$P\" <&- >&-",
        "timeout 60 \"$P\" >&- </dev/null",
        "timeout 60 \"$P\" <&- >/dev/null",
        // standard input unreadable: a directory, a write-only descriptor
        "timeout 60 \"$P\" </ >/dev/null",
        "timeout 60 \"$P\" 0>/dev/null >/dev/null",
        // standard output unwritable: read-only, full, closed with input given
        "printf \"1\\n2\\n\" | timeout 60 \"$P\" 1</dev/null",
        "printf \"1\\n2\\n\" | timeout 60 \"$P\" >/dev/full",
        "timeout 60 \"$P\" </dev/null >/dev/full",
        "printf \"1\\n2\\n\" | timeout 60 \"$P\" >&-",
        // standard error closed as well
        "printf \"1\\n2\\n\" | timeout 60 \"$P\" >/dev/null 2>&- <&0",
        // input that never ends a line, and one that ends in the middle of one
        "head -c 3000000 /dev/zero | tr \"\\\\0\" 7 | timeout 60 \"$P\" >/dev/null",
        "printf \"12\" | timeout 60 \"$P\" >/dev/null",
    };
    for (const char* command : commands) {
        if (std::string(command).find("/dev/full") != std::string::npos && access("/dev/full", W_OK) != 0) {
            std::printf("no /dev/full here, not run: %s\n", command);
            continue;
        }
        ShellRun outcome = run_bash(std::string(command) + "; echo \"status $?\"");
        EXPECT_EQ(outcome.output, "status 0\n") << command;
    }
}

TEST_F(ProcessTest, AReaderThatGoesAwayMidwayLeavesTheProgramToFinish) {
    // The reader takes a few bytes and leaves; the writes after that fail
    // (no SIGPIPE death) and the program still reads its answers and ends.
    for (const char* reader : {"head -c 1", "head -c 100", "true"}) {
        ShellRun outcome = run_bash(std::string("printf \"100\\n25\\n\" | timeout 60 \"$P\" | ") + reader +
                                    " >/dev/null; echo \"status ${PIPESTATUS[1]}\"");
        EXPECT_EQ(outcome.output, "status 0\n") << reader;
    }
}

}  // namespace
