// Shell commands run from tests: quoting, and a command's standard output
// and exit status.
#pragma once

#include <string>

struct ShellRun {
    std::string output;  // what the command wrote to its standard output
    int status;          // its exit status; -1 when killed by a signal or not run
};

// The text as one word for sh, in single quotes.
std::string shell_quote(const std::string& text);
// Runs `command` with sh (popen), its standard error left as it is.
ShellRun shell_run(const std::string& command);
// Only what `command` writes to its standard output.
std::string shell_output(const std::string& command);

// Whether sh finds the command (tests that run setsid, timeout and the like
// skip where the system has none).
bool shell_has_command(const std::string& name);
