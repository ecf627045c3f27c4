// The whole program as a process in hostile surroundings without a
// terminal: no controlling terminal at all, standard streams closed,
// unreadable or unwritable, a reader that goes away in the middle. Each run
// is bounded by timeout(1), so a hang shows as status 124, not as a stuck
// test.
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

// A hostile start and what it must end with: its status, and what it says
// on standard error (kept on the descriptor 3 the command line opens).
struct HostileRun {
    const char* command;
    int status;
    const char* says;
};

constexpr char BAD_DESCRIPTOR[] = "portata: cannot write the output: Bad file descriptor\n";

TEST_F(ProcessTest, HostileStandardStreamsNeverHangOrCrash) {
    const HostileRun runs[] = {
        // both ends closed, or one closed and the other empty
        {"timeout 60 \"$P\" <&- >&-", 1, BAD_DESCRIPTOR},
        {"timeout 60 \"$P\" >&- </dev/null", 1, BAD_DESCRIPTOR},
        {"timeout 60 \"$P\" <&- >/dev/null", 0, ""},
        // standard input unreadable: a directory, a write-only descriptor
        {"timeout 60 \"$P\" </ >/dev/null", 0, ""},
        {"timeout 60 \"$P\" 0>/dev/null >/dev/null", 0, ""},
        // standard output unwritable: read-only, full, closed with input given;
        // the run says so and ends at its first write
        {"printf \"1\\n2\\n\" | timeout 60 \"$P\" 1</dev/null", 1, BAD_DESCRIPTOR},
        {"printf \"1\\n2\\n\" | timeout 60 \"$P\" >/dev/full", 1,
         "portata: cannot write the output: No space left on device\n"},
        {"timeout 60 \"$P\" </dev/null >/dev/full", 1, "portata: cannot write the output: No space left on device\n"},
        {"printf \"1\\n2\\n\" | timeout 60 \"$P\" >&-", 1, BAD_DESCRIPTOR},
        // standard error closed as well
        {"printf \"1\\n2\\n\" | timeout 60 \"$P\" >/dev/null 2>&- <&0", 0, ""},
        // input that never ends a line, and one that ends in the middle of one
        {"head -c 3000000 /dev/zero | tr \"\\\\0\" 7 | timeout 60 \"$P\" >/dev/null", 0, ""},
        {"printf \"12\" | timeout 60 \"$P\" >/dev/null", 0, ""},
    };
    for (const HostileRun& run : runs) {
        std::string command = run.command;
        if (command.find("/dev/full") != std::string::npos && access("/dev/full", W_OK) != 0) {
            std::printf("no /dev/full here, not run: %s\n", run.command);
            continue;
        }
        ShellRun outcome = run_bash("exec 3>&1; " + command + " 2>&3; echo \"status $?\"");
        EXPECT_EQ(outcome.output, run.says + ("status " + std::to_string(run.status) + "\n")) << command;
    }
}

TEST_F(ProcessTest, AReaderThatGoesAwayEndsTheRunQuietly) {
    // The reader takes a few bytes and leaves; the next write finds no reader
    // and the run ends there, with status 0 and nothing said.
    for (const char* reader : {"head -c 1", "head -c 100", "head -n 1", "true"}) {
        ShellRun outcome = run_bash(std::string("exec 3>&1; printf \"100\\n25\\n\" | timeout 60 \"$P\" 2>&3 | ") +
                                    reader + " >/dev/null; echo \"status ${PIPESTATUS[1]}\"");
        EXPECT_EQ(outcome.output, "status 0\n") << reader;
    }
}

}  // namespace
