#include <gtest/gtest.h>

#include <string>

#include "tests/support/shell.h"

namespace {

// Runs a shell command with portata's path in $P.
ShellRun run_shell(const std::string& command) { return shell_run("P='" PORTATA_EXE "'; " + command); }

std::string plain_screen(const std::string& range) {
    return " Velmora Istranda Quolvenix Pardov" + std::string(22, ' ') + "Ostravel Kamuni Dreskov \n" +
           " Antenna TX a mt. slm \n" + " Antenna RX a mt. slm \n" + " Portata ottica: \n" + range + " km \n" +
           " premi un tasto per terminare\n";
}

TEST(PipeTest, TextsComeInOrderAsPlainText) {
    ShellRun result = run_shell("printf '100\\n25\\n' | \"$P\" | cat");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, plain_screen(" 60"));
}

TEST(PipeTest, NoInputAtAllGivesZero) {
    ShellRun result = run_shell("\"$P\" </dev/null | cat; echo \"status $?\"");
    EXPECT_EQ(result.output, plain_screen(" 0") + "status 0\n");
}

TEST(PipeTest, CarriageReturnLineEndsAndLongLines) {
    std::string long_line(5000, '9');
    ShellRun result = run_shell("printf '2\\r\\n" + long_line + "\\r\\n' | \"$P\"");
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
        ShellRun result = run_shell(std::string("{ ") + command + "; } 2>&1");
        EXPECT_EQ(result.output, "status 0\n") << command;
    }
}

}  // namespace
