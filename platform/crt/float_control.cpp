// _controlfp: the floating-point control word, in the Microsoft runtime's
// encoding. Precision control exists only on the x87 unit; elsewhere only the
// rounding mode is set and the precision reads back as 64 bits where long
// double has them and 53 bits otherwise.
#include "platform/platform.h"

#include <cfenv>
#include <cfloat>
#include <cstdint>

// Every x86 system has the x87 unit, whatever its C library: its control
// word is read and written with the unit's own instructions.
#if defined(__x86_64__) || defined(__i386__)
#define PORTATA_HAVE_X87 1
#endif

namespace platform {
namespace {

int rounding_to_fenv(unsigned int rc) {
    switch (rc) {
    case _RC_DOWN: return FE_DOWNWARD;
    case _RC_UP: return FE_UPWARD;
    case _RC_CHOP: return FE_TOWARDZERO;
    default: return FE_TONEAREST;
    }
}

unsigned int rounding_from_fenv(int mode) {
    switch (mode) {
    case FE_DOWNWARD: return _RC_DOWN;
    case FE_UPWARD: return _RC_UP;
    case FE_TOWARDZERO: return _RC_CHOP;
    default: return _RC_NEAR;
    }
}

#ifdef PORTATA_HAVE_X87
// The precision control field of the x87 control word (bits 8 and 9).
constexpr uint16_t X87_PRECISION_MASK = 0x0300;
constexpr uint16_t X87_PRECISION_24 = 0x0000;
constexpr uint16_t X87_PRECISION_53 = 0x0200;
constexpr uint16_t X87_PRECISION_64 = 0x0300;

uint16_t x87_control_read() {
    uint16_t control = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    return control;
}

void x87_control_write(uint16_t control) { __asm__ __volatile__("fldcw %0" : : "m"(control)); }

unsigned int precision_read() {
    switch (x87_control_read() & X87_PRECISION_MASK) {
    case X87_PRECISION_53: return _PC_53;
    case X87_PRECISION_24: return _PC_24;
    default: return _PC_64;
    }
}

void precision_write(unsigned int pc) {
    uint16_t bits = X87_PRECISION_64;
    if (pc == _PC_53) bits = X87_PRECISION_53;
    if (pc == _PC_24) bits = X87_PRECISION_24;
    uint16_t others = static_cast<uint16_t>(x87_control_read() & ~X87_PRECISION_MASK);
    x87_control_write(static_cast<uint16_t>(others | bits));
}
#else
unsigned int precision_read() { return LDBL_MANT_DIG >= 64 ? _PC_64 : _PC_53; }
void precision_write(unsigned int) {}
#endif

}  // namespace

unsigned int _controlfp(unsigned int new_value, unsigned int mask) {
    if (mask & _MCW_PC) precision_write(new_value & _MCW_PC);
    // fesetround sets both the x87 and the SSE rounding modes.
    if (mask & _MCW_RC) std::fesetround(rounding_to_fenv(new_value & _MCW_RC));
    return precision_read() | rounding_from_fenv(std::fegetround());
}

}  // namespace platform
