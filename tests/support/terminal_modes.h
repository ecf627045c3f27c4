// The terminal modes a program must hand back: a shell command that prints
// them on one line, as stty names them ("-icanon" when off), and its checks.
#pragma once

#include <string>
#include <vector>

// What a shell's line editing needs: lines, echo, signal keys, CR read as a
// line end, output processing.
inline const std::vector<std::string> SANE_MODES = {"icanon", "echo", "isig", "icrnl", "opost"};

// Prints the modes of the terminal `tty` (its own terminal when empty), then
// a newline.
std::string modes_command(const std::vector<std::string>& modes = SANE_MODES, const std::string& tty = "");
// `word` is one of the blank-separated words of `line`.
bool has_word(const std::string& line, const std::string& word);
// Every one of `modes` is on in the first line after the line of `text`
// holding `marker` that names any of them, on or off (keys the terminal
// echoed may come first).
bool modes_all_on(const std::string& text, const std::string& marker,
                  const std::vector<std::string>& modes = SANE_MODES);
