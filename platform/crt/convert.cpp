// atoi, _atoi64 and atof: optional leading white space, an optional sign,
// decimal digits, stopping at the first other character; 0 when there is no
// number. A value beyond the type's range gives the nearest limit, as the
// Microsoft runtime does.
#include <cstdint>
#include <cstdlib>
#include <limits>

#include "platform/platform.h"

namespace platform {
namespace {

bool is_space(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The number at the start of the text, saturated to [-limit - 1, limit].
int64_t parse_integer(const char* text, uint64_t limit) {
    if (text == nullptr) return 0;
    while (is_space(*text)) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    uint64_t bound = negative ? limit + 1 : limit;
    uint64_t value = 0;
    for (; is_digit(*text); ++text) {
        auto digit = static_cast<uint64_t>(*text - '0');
        value = value > (bound - digit) / 10 ? bound : value * 10 + digit;
    }
    if (!negative) return static_cast<int64_t>(value);
    // -(2^63) is formed without negating a value that does not fit.
    return value == 0 ? 0 : -static_cast<int64_t>(value - 1) - 1;
}

}  // namespace

int atoi(const char* text) { return static_cast<int>(parse_integer(text, std::numeric_limits<int32_t>::max())); }

long long _atoi64(const char* text) { return parse_integer(text, std::numeric_limits<int64_t>::max()); }

double atof(const char* text) {
    if (text == nullptr) return 0.0;
    // strtod is defined for every input: beyond the range it gives HUGE_VAL
    // or 0 with ERANGE. The program's locale stays "C" (the user's is only
    // read for the terminal's character set, and put back at once), so the
    // decimal point is the full stop.
    return std::strtod(text, nullptr);
}

}  // namespace platform
