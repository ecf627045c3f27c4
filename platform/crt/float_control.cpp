// _controlfp: the floating-point control word, in the Microsoft runtime's
// encoding. Precision control exists only on the x87 unit; elsewhere only the
// rounding mode is set and the precision reads back as 64 bits where long
// double has them and 53 bits otherwise.
#include "platform/platform.h"

#include <cfenv>
#include <cfloat>

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
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
unsigned int precision_read() {
    fpu_control_t cw = 0;
    _FPU_GETCW(cw);
    switch (cw & _FPU_EXTENDED) {
    case _FPU_DOUBLE: return _PC_53;
    case _FPU_SINGLE: return _PC_24;
    default: return _PC_64;
    }
}

void precision_write(unsigned int pc) {
    fpu_control_t cw = 0;
    _FPU_GETCW(cw);
    fpu_control_t bits = _FPU_EXTENDED;
    if (pc == _PC_53) bits = _FPU_DOUBLE;
    if (pc == _PC_24) bits = _FPU_SINGLE;
    cw = static_cast<fpu_control_t>((cw & ~static_cast<fpu_control_t>(_FPU_EXTENDED)) | bits);
    _FPU_SETCW(cw);
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
