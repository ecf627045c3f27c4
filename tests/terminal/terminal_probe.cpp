// A small program on the platform for tests in a real terminal emulator:
// writes coloured text and code page 850 characters through the console
// functions, reads a line with fgets, reports the console's size, then
// waits for a key and shows its codes.
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

platform::HANDLE output;

void write_text(platform::WORD attribute, const char* text) {
    platform::SetConsoleTextAttribute(output, attribute);
    platform::DWORD written = 0;
    platform::WriteFile(output, text, static_cast<platform::DWORD>(std::strlen(text)), &written, nullptr);
}

}  // namespace

int main() {
    output = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    write_text(0x1E, "Giallo");
    write_text(0x07, " normale ");
    write_text(0x4F, "Rosso");
    write_text(0x07, "\r\n\x82\xC4\x01\x7F\r\n");
    write_text(0x1E, "> ");  // the typed line echoes in this attribute too

    char line[64];
    char* read = platform::fgets(line, sizeof line, stdin);
    char report[160];
    std::snprintf(report, sizeof report, "letto: %s", read == nullptr ? "(null)\n" : line);
    write_text(0x2F, report);

    platform::CONSOLE_SCREEN_BUFFER_INFO info{};
    platform::GetConsoleScreenBufferInfo(output, &info);
    std::snprintf(report, sizeof report, "dim: %dx%d vista: %dx%d\r\ntasto? ", info.dwSize.X, info.dwSize.Y,
                  info.srWindow.Right - info.srWindow.Left + 1, info.srWindow.Bottom - info.srWindow.Top + 1);
    write_text(0x07, report);

    int first = platform::_getch();
    int second = first == 0 || first == 224 ? platform::_getch() : -1;
    std::snprintf(report, sizeof report, "tasto: %d %d\r\nfine", first, second);
    write_text(0x07, report);
    return 0;
}
