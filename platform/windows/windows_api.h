// The platform interface on Windows: the real kernel32 console functions and
// structures and the C runtime's _kbhit, _getch, fgets and _controlfp, under
// the names platform.h gives them. Nothing here is emulated; only
// _kbhit_possible is ours (platform/windows/keyboard_windows.cpp),
// GetStdHandle sets the console up on its way
// (platform/windows/console_windows.cpp), and atoi, _atoi64 and atof are the
// portable conversions of platform/crt/convert.cpp, because not every version
// of the Microsoft runtime saturates out-of-range values.
//
// Included by platform.h only; the runtime never includes <windows.h> itself.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <conio.h>
#include <float.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The runtime names every constant as platform::NAME, and the Windows headers
// make these names macros, which would turn platform::TRUE into platform::1.
// Each value is read from the real macro before the macro is removed, so the
// constants below are the headers' own values.
namespace platform::windows_values {
#define PORTATA_WINDOWS_VALUE(type, name) constexpr type name##_value = name;
PORTATA_WINDOWS_VALUE(::BOOL, TRUE)
PORTATA_WINDOWS_VALUE(::BOOL, FALSE)
PORTATA_WINDOWS_VALUE(::DWORD, STD_INPUT_HANDLE)
PORTATA_WINDOWS_VALUE(::DWORD, STD_OUTPUT_HANDLE)
PORTATA_WINDOWS_VALUE(::DWORD, STD_ERROR_HANDLE)
PORTATA_WINDOWS_VALUE(::DWORD, ENABLE_PROCESSED_OUTPUT)
PORTATA_WINDOWS_VALUE(::DWORD, ENABLE_WRAP_AT_EOL_OUTPUT)
PORTATA_WINDOWS_VALUE(::DWORD, ERROR_SUCCESS)
PORTATA_WINDOWS_VALUE(::DWORD, ERROR_INVALID_HANDLE)
PORTATA_WINDOWS_VALUE(::DWORD, ERROR_INVALID_PARAMETER)
PORTATA_WINDOWS_VALUE(::DWORD, ERROR_BROKEN_PIPE)
PORTATA_WINDOWS_VALUE(::DWORD, ERROR_NO_DATA)
PORTATA_WINDOWS_VALUE(unsigned int, _MCW_PC)
PORTATA_WINDOWS_VALUE(unsigned int, _PC_64)
PORTATA_WINDOWS_VALUE(unsigned int, _PC_53)
PORTATA_WINDOWS_VALUE(unsigned int, _PC_24)
PORTATA_WINDOWS_VALUE(unsigned int, _MCW_RC)
PORTATA_WINDOWS_VALUE(unsigned int, _RC_NEAR)
PORTATA_WINDOWS_VALUE(unsigned int, _RC_DOWN)
PORTATA_WINDOWS_VALUE(unsigned int, _RC_UP)
PORTATA_WINDOWS_VALUE(unsigned int, _RC_CHOP)
#undef PORTATA_WINDOWS_VALUE
// A pointer value: not a constant expression, read once here.
inline ::HANDLE const INVALID_HANDLE_VALUE_value = INVALID_HANDLE_VALUE;
}  // namespace platform::windows_values

#undef TRUE
#undef FALSE
#undef INVALID_HANDLE_VALUE
#undef STD_INPUT_HANDLE
#undef STD_OUTPUT_HANDLE
#undef STD_ERROR_HANDLE
#undef ENABLE_PROCESSED_OUTPUT
#undef ENABLE_WRAP_AT_EOL_OUTPUT
#undef ERROR_SUCCESS
#undef ERROR_INVALID_HANDLE
#undef ERROR_INVALID_PARAMETER
#undef ERROR_BROKEN_PIPE
#undef ERROR_NO_DATA
#undef _MCW_PC
#undef _PC_64
#undef _PC_53
#undef _PC_24
#undef _MCW_RC
#undef _RC_NEAR
#undef _RC_DOWN
#undef _RC_UP
#undef _RC_CHOP

namespace platform {

using ::BOOL;
using ::DWORD;
using ::HANDLE;
using ::SHORT;
using ::WORD;

using ::CHAR_INFO;
using ::CONSOLE_CURSOR_INFO;
using ::CONSOLE_SCREEN_BUFFER_INFO;
using ::COORD;
using ::SMALL_RECT;

constexpr BOOL TRUE = windows_values::TRUE_value;
constexpr BOOL FALSE = windows_values::FALSE_value;
inline HANDLE const INVALID_HANDLE_VALUE = windows_values::INVALID_HANDLE_VALUE_value;

constexpr DWORD STD_INPUT_HANDLE = windows_values::STD_INPUT_HANDLE_value;
constexpr DWORD STD_OUTPUT_HANDLE = windows_values::STD_OUTPUT_HANDLE_value;
constexpr DWORD STD_ERROR_HANDLE = windows_values::STD_ERROR_HANDLE_value;

constexpr DWORD ENABLE_PROCESSED_OUTPUT = windows_values::ENABLE_PROCESSED_OUTPUT_value;
constexpr DWORD ENABLE_WRAP_AT_EOL_OUTPUT = windows_values::ENABLE_WRAP_AT_EOL_OUTPUT_value;

constexpr DWORD ERROR_SUCCESS = windows_values::ERROR_SUCCESS_value;
constexpr DWORD ERROR_INVALID_HANDLE = windows_values::ERROR_INVALID_HANDLE_value;
constexpr DWORD ERROR_INVALID_PARAMETER = windows_values::ERROR_INVALID_PARAMETER_value;
constexpr DWORD ERROR_BROKEN_PIPE = windows_values::ERROR_BROKEN_PIPE_value;
constexpr DWORD ERROR_NO_DATA = windows_values::ERROR_NO_DATA_value;

constexpr unsigned int _MCW_PC = windows_values::_MCW_PC_value;
constexpr unsigned int _PC_64 = windows_values::_PC_64_value;
constexpr unsigned int _PC_53 = windows_values::_PC_53_value;
constexpr unsigned int _PC_24 = windows_values::_PC_24_value;
constexpr unsigned int _MCW_RC = windows_values::_MCW_RC_value;
constexpr unsigned int _RC_NEAR = windows_values::_RC_NEAR_value;
constexpr unsigned int _RC_DOWN = windows_values::_RC_DOWN_value;
constexpr unsigned int _RC_UP = windows_values::_RC_UP_value;
constexpr unsigned int _RC_CHOP = windows_values::_RC_CHOP_value;

// --- kernel32 -------------------------------------------------------------

using ::GetLastError;
// The real GetStdHandle; the first request for standard output also sets the
// console up for the runtime and arranges for it to be put back at exit
// (platform/windows/console_windows.cpp).
HANDLE GetStdHandle(DWORD which);

using ::FillConsoleOutputAttribute;
using ::FillConsoleOutputCharacterA;
using ::GetConsoleCursorInfo;
using ::GetConsoleMode;
using ::GetConsoleScreenBufferInfo;
using ::GetLargestConsoleWindowSize;
using ::ScrollConsoleScreenBufferA;
using ::SetConsoleCursorInfo;
using ::SetConsoleCursorPosition;
using ::SetConsoleMode;
using ::SetConsoleTextAttribute;
using ::Sleep;
using ::WriteFile;

// --- C runtime --------------------------------------------------------------

using ::_getch;
using ::_kbhit;
using ::fgets;

// Nonzero when standard output is a console and that console has an input to
// read keys from. Without them (output redirected to a file or a pipe, a
// process with no console) _kbhit never reports a key, so a wait for one
// would never end.
int _kbhit_possible();

// The C runtime's conversions: the number at the start of text, 0 when there is none.
int atoi(const char* text);
long long _atoi64(const char* text);
double atof(const char* text);

// Heap blocks, through the allocation seam of platform/crt/memory.h: a block of size bytes,
// the block grown or shrunk to size, the block given back.
void* malloc(std::size_t size);
void* realloc(void* block, std::size_t size);
void free(void* block);

// The C runtime's _controlfp, less the precision field on x86-64: there the
// Microsoft runtime treats _MCW_PC as an invalid parameter (SSE has no
// precision control), and the MinGW start-up code has already set the x87
// unit, which long double uses, to its full 64-bit significand.
inline unsigned int _controlfp(unsigned int new_value, unsigned int mask) {
#if defined(_M_X64) || defined(__x86_64__)
    mask &= ~_MCW_PC;
#endif
    return ::_controlfp(new_value, mask);
}

}  // namespace platform
