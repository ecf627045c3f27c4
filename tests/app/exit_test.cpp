#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace {

// Runs portata with standard input from the given text and returns what it
// wrote and its exit status.
struct RunResult {
    std::string output;
    int status;
};

RunResult run_portata(const std::string& input) {
    std::string command = "printf '" + input + "' | " PORTATA_EXE " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    RunResult result{"", -1};
    if (pipe == nullptr) return result;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

TEST(PortataProcessTest, ExitsWithStatusZeroInAPipe) {
    RunResult result = run_portata("100\\n25\\n");
    EXPECT_EQ(result.status, 0);
}

}  // namespace
