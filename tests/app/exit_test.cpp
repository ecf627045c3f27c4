#include <gtest/gtest.h>

#include <string>

#include "tests/support/calculator_golden.h"
#include "tests/support/shell.h"

namespace {

// Runs a shell command with portata's path in $P.
ShellRun run_shell(const std::string& command) { return shell_run("P='" PORTATA_EXE "'; " + command); }

TEST(PipeTest, TextsComeInOrderAsPlainText) {
    ShellRun result = run_shell("printf '100\\n25\\n' | \"$P\" | cat");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, plain_transcript(" 60"));
}

TEST(PipeTest, NoInputAtAllGivesZero) {
    ShellRun result = run_shell("\"$P\" </dev/null | cat; echo \"status $?\"");
    EXPECT_EQ(result.output, plain_transcript(" 0") + "status 0\n");
}

TEST(PipeTest, CarriageReturnLineEndsAndLongLines) {
    std::string long_line(5000, '9');
    ShellRun result = run_shell("printf '2\\r\\n" + long_line + "\\r\\n' | \"$P\"");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, plain_transcript(" 185369"));
}

}  // namespace
