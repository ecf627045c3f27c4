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

// --- kernel32 -------------------------------------------------------------

HANDLE GetStdHandle(DWORD which);
DWORD GetLastError();

BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info);
BOOL FillConsoleOutputAttribute(HANDLE console, WORD attribute, DWORD length, COORD start, DWORD* written);
BOOL FillConsoleOutputCharacterA(HANDLE console, char character, DWORD length, COORD start, DWORD* written);
BOOL SetConsoleTextAttribute(HANDLE console, WORD attribute);
BOOL GetConsoleCursorInfo(HANDLE console, CONSOLE_CURSOR_INFO* info);
BOOL SetConsoleCursorInfo(HANDLE console, const CONSOLE_CURSOR_INFO* info);
BOOL SetConsoleCursorPosition(HANDLE console, COORD position);
BOOL ScrollConsoleScreenBufferA(HANDLE console, const SMALL_RECT* scroll, const SMALL_RECT* clip, COORD destination,
                                const CHAR_INFO* fill);
COORD GetLargestConsoleWindowSize(HANDLE console);
BOOL GetConsoleMode(HANDLE console, DWORD* mode);
BOOL SetConsoleMode(HANDLE console, DWORD mode);
BOOL WriteFile(HANDLE file, const void* bytes, DWORD length, DWORD* written, void* overlapped);
void Sleep(DWORD milliseconds);

// --- C runtime --------------------------------------------------------------

int _kbhit();
int _getch();
// Nonzero when a keyboard exists at all. Without one (no controlling
// terminal: a service, a CI job) _kbhit never reports a key and _getch
// returns -1 at once instead of waiting forever.
int _kbhit_possible();

char* fgets(char* buffer, int size, std::FILE* stream);

// Heap blocks, through the allocation seam of platform/crt/memory.h.
void* malloc(std::size_t size);
void* realloc(void* block, std::size_t size);
void free(void* block);

int atoi(const char* text);
long long _atoi64(const char* text);
double atof(const char* text);

unsigned int _controlfp(unsigned int new_value, unsigned int mask);

}  // namespace platform

#endif  // _WIN32
