// Shell commands run from tests, with their output and exit status.
#include "tests/support/shell.h"

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>

std::string shell_quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

ShellRun shell_run(const std::string& command) {
    ShellRun run{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) run.output.append(chunk, n);
    int status = pclose(pipe);
    run.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string shell_output(const std::string& command) { return shell_run(command).output; }

bool shell_has_command(const std::string& name) {
    return std::system(("command -v " + shell_quote(name) + " >/dev/null 2>&1").c_str()) == 0;
}
