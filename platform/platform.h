// The platform interface: the console, keyboard and C-runtime operations the
// runtime calls, under the names and with the structures of the Windows console
// and the Microsoft C runtime. This header is the only part of platform/ the
// runtime includes.
//
// On Linux and macOS these are provided by platform/ itself: a model of a
// console screen buffer, shown on the terminal on standard output. When
// standard output is not a terminal the console functions fail as they do on a
// redirected handle, and WriteFile writes plain bytes.
//
// On Windows the names are the real functions and structures, brought in from
// <windows.h>, <conio.h> and <float.h> by platform/windows/windows_api.h; the
// build compiles none of the emulation there.
#pragma once

#ifdef _WIN32
#include "platform/windows/windows_api.h"
#else

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace platform {

using BOOL = int32_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using SHORT = int16_t;
using HANDLE = void*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct COORD {
    SHORT X;
    SHORT Y;
};

struct SMALL_RECT {
    SHORT Left;
    SHORT Top;
    SHORT Right;
    SHORT Bottom;
};

struct CHAR_INFO {
    union {
        wchar_t UnicodeChar;
        char AsciiChar;
    } Char;
    WORD Attributes;
};

struct CONSOLE_SCREEN_BUFFER_INFO {
    COORD dwSize;
    COORD dwCursorPosition;
    WORD wAttributes;
    SMALL_RECT srWindow;
    COORD dwMaximumWindowSize;
};

struct CONSOLE_CURSOR_INFO {
    DWORD dwSize;
    BOOL bVisible;
};

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~static_cast<uintptr_t>(0));

constexpr DWORD STD_INPUT_HANDLE = static_cast<DWORD>(-10);
constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

// Output modes of a console screen buffer.
constexpr DWORD ENABLE_PROCESSED_OUTPUT = 0x0001;
constexpr DWORD ENABLE_WRAP_AT_EOL_OUTPUT = 0x0002;

// Last-error codes reported by GetLastError.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_NO_DATA = 232;

// _controlfp: precision control and rounding control, in the runtime's own encoding.
constexpr unsigned int _MCW_PC = 0x00030000;
constexpr unsigned int _PC_64 = 0x00000000;
constexpr unsigned int _PC_53 = 0x00010000;
constexpr unsigned int _PC_24 = 0x00020000;
constexpr unsigned int _MCW_RC = 0x00000300;
constexpr unsigned int _RC_NEAR = 0x00000000;
constexpr unsigned int _RC_DOWN = 0x00000100;
constexpr unsigned int _RC_UP = 0x00000200;
constexpr unsigned int _RC_CHOP = 0x00000300;

// --- kernel32: platform/console/kernel32.cpp --------------------------------
// Each returns FALSE and sets the last error (ERROR_INVALID_HANDLE) when the
// handle is not a console: standard output redirected, or no terminal.

// The handle of standard input, output or error (STD_*_HANDLE).
HANDLE GetStdHandle(DWORD which);
// The error code of the last console function that failed (ERROR_*).
DWORD GetLastError();

// Fills *info with the buffer's size, cursor, attribute, window and largest window.
BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info);
// Sets the attribute of length cells from start on, row after row; *written gets how many.
BOOL FillConsoleOutputAttribute(HANDLE console, WORD attribute, DWORD length, COORD start, DWORD* written);
// Sets the character of length cells from start on, row after row; *written gets how many.
BOOL FillConsoleOutputCharacterA(HANDLE console, char character, DWORD length, COORD start, DWORD* written);
// Sets the attribute later writes give their cells.
BOOL SetConsoleTextAttribute(HANDLE console, WORD attribute);
// Fills *info with the cursor's size (1-100 percent of a cell) and visibility.
BOOL GetConsoleCursorInfo(HANDLE console, CONSOLE_CURSOR_INFO* info);
// Sets the cursor's size (1-100) and visibility.
BOOL SetConsoleCursorInfo(HANDLE console, const CONSOLE_CURSOR_INFO* info);
// Moves the cursor to a cell inside the buffer (0-based column X, row Y).
BOOL SetConsoleCursorPosition(HANDLE console, COORD position);
// Moves the cells of *scroll (cut to *clip, if given) to destination; uncovered cells get *fill.
BOOL ScrollConsoleScreenBufferA(HANDLE console, const SMALL_RECT* scroll, const SMALL_RECT* clip, COORD destination,
                                const CHAR_INFO* fill);
// The largest window the terminal can show, in columns and rows; 0x0 when not a console.
COORD GetLargestConsoleWindowSize(HANDLE console);
// Fills *mode with the output mode (ENABLE_* flags).
BOOL GetConsoleMode(HANDLE console, DWORD* mode);
// Sets the output mode (ENABLE_* flags).
BOOL SetConsoleMode(HANDLE console, DWORD mode);
// Writes length bytes: through the console model on a console, as they are to a file.
BOOL WriteFile(HANDLE file, const void* bytes, DWORD length, DWORD* written, void* overlapped);
// Brings the terminal in line with the console, then waits milliseconds.
void Sleep(DWORD milliseconds);

// --- C runtime --------------------------------------------------------------

// The keyboard: platform/keyboard/keyboard.cpp.
// Nonzero when a key is waiting; never waits.
int _kbhit();
// The next key, waiting for one: a character, or 0 or 0xE0 and at the next call the key's code;
// -1 when no key can come.
int _getch();
// Nonzero when a keyboard exists at all. Without one (no controlling
// terminal: a service, a CI job) _kbhit never reports a key and _getch
// returns -1 at once instead of waiting forever.
int _kbhit_possible();
// Reads a line of at most size - 1 bytes into buffer, edited on the console when stdin is its
// keyboard, as the C library's fgets otherwise; nullptr at end of input.
char* fgets(char* buffer, int size, std::FILE* stream);

// Heap blocks, through the allocation seam of platform/crt/memory.h (platform/crt/memory.cpp).
void* malloc(std::size_t size);
void* realloc(void* block, std::size_t size);
void free(void* block);

// Conversions, platform/crt/convert.cpp. The number at the start of text (leading white space,
// a sign, digits); 0 when there is none; beyond the type's range, the nearest limit.
int atoi(const char* text);
long long _atoi64(const char* text);
// The number at the start of text as strtod reads it, the decimal point a full stop; 0 when none.
double atof(const char* text);

// Sets the floating-point controls named in mask (_MCW_PC, _MCW_RC) to new_value's and returns
// the precision and rounding then in force: platform/crt/float_control.cpp.
unsigned int _controlfp(unsigned int new_value, unsigned int mask);

}  // namespace platform

#endif  // _WIN32
