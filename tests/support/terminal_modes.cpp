// A terminal's modes read back, to check the program left them as it found them.
#include "tests/support/terminal_modes.h"

#include "tests/support/shell.h"

std::string modes_command(const std::vector<std::string>& modes, const std::string& tty) {
    std::string names;
    for (const std::string& mode : modes) names += (names.empty() ? "" : "|") + mode;
    // Another terminal may be gone already: only its modes' absence tells.
    std::string device = tty.empty() ? "-a" : "-F " + shell_quote(tty) + " -a 2>/dev/null";
    return "stty " + device + " | tr ' ;' '\\n\\n' | grep -E '^-?(" + names + ")$' | tr '\\n' ' '; echo";
}

bool has_word(const std::string& line, const std::string& word) {
    return (" " + line + " ").find(" " + word + " ") != std::string::npos;
}

bool modes_all_on(const std::string& text, const std::string& marker, const std::vector<std::string>& modes) {
    std::size_t at = text.find(marker);
    if (at == std::string::npos) return false;
    for (std::size_t start = text.find('\n', at); start != std::string::npos; start = text.find('\n', start + 1)) {
        std::string line = text.substr(start + 1, text.find('\n', start + 1) - start - 1);
        bool named = false;
        bool all = true;
        for (const std::string& mode : modes) {
            named = named || has_word(line, mode) || has_word(line, "-" + mode);
            all = all && has_word(line, mode);
        }
        if (named) return all;
    }
    return false;
}
