// The typed field readers: one field each, converted by the runtime
// library's conversions and stored through the caller's pointer.
#include <cfloat>
#include <cmath>
#include <limits>

#include "platform/platform.h"
#include "runtime/core/runtime.h"
#include "runtime/input/input_fields.h"

namespace {

// Field limits: the longest text each type's values need (sign included).
constexpr int32_t INT8_FIELD_LIMIT = 4;
constexpr int32_t INT16_FIELD_LIMIT = 6;
constexpr int32_t INT32_FIELD_LIMIT = 11;
constexpr int32_t INT64_FIELD_LIMIT = 22;
constexpr int32_t SINGLE_FIELD_LIMIT = 15;
constexpr int32_t DOUBLE_FIELD_LIMIT = 21;
constexpr int32_t STRING_FIELD_LIMIT = 1024;

// A double beyond float's range has no float value to convert to; it
// saturates at the largest float of its sign, as the conversions do.
float single_from_double(double value) {
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    if (value > static_cast<double>(FLT_MAX)) return FLT_MAX;
    if (value < -static_cast<double>(FLT_MAX)) return -FLT_MAX;
    return static_cast<float>(value);
}

}  // namespace

int32_t input_int8(int8_t* variable) {
    char field[INT8_FIELD_LIMIT + 1];
    input_next_field(field, INT8_FIELD_LIMIT, 0);
    // Only the low 8 bits are kept; unsigned-to-signed narrowing is modular.
    auto low = static_cast<uint8_t>(static_cast<uint32_t>(platform::atoi(field)));
    *variable = static_cast<int8_t>(low);
    return error_set(ERROR_NONE);
}

int32_t input_int16(int16_t* variable) {
    char field[INT16_FIELD_LIMIT + 1];
    input_next_field(field, INT16_FIELD_LIMIT, 0);
    auto low = static_cast<uint16_t>(static_cast<uint32_t>(platform::atoi(field)));
    *variable = static_cast<int16_t>(low);
    return error_set(ERROR_NONE);
}

int32_t input_int32(int32_t* variable) {
    char field[INT32_FIELD_LIMIT + 1];
    input_next_field(field, INT32_FIELD_LIMIT, 0);
    *variable = platform::atoi(field);
    return error_set(ERROR_NONE);
}

int32_t input_int64(int64_t* variable) {
    char field[INT64_FIELD_LIMIT + 1];
    input_next_field(field, INT64_FIELD_LIMIT, 0);
    *variable = platform::_atoi64(field);
    return error_set(ERROR_NONE);
}

int32_t input_single(float* variable) {
    char field[SINGLE_FIELD_LIMIT + 1];
    input_next_field(field, SINGLE_FIELD_LIMIT, 0);
    *variable = single_from_double(platform::atof(field));
    return error_set(ERROR_NONE);
}

int32_t input_double(double* variable) {
    char field[DOUBLE_FIELD_LIMIT + 1];
    input_next_field(field, DOUBLE_FIELD_LIMIT, 0);
    *variable = platform::atof(field);
    return error_set(ERROR_NONE);
}

int32_t input_string(void* destination, int32_t size_code, int32_t fill) {
    char field[STRING_FIELD_LIMIT + 1];
    input_next_field(field, STRING_FIELD_LIMIT, 1);
    str_assign(destination, size_code, field, STR_SIZE_ZSTRING, fill);
    return error_set(ERROR_NONE);
}
