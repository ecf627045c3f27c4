// Fuzz target for the field reader: a line of any bytes read by a random
// sequence of the typed readers. Each field must be what an independent
// reading of the splitting rules gives, within its reader's limit, the read
// index must stay inside the line, and every value must be the conversion
// of its field.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "tests/fuzz/fuzz_support.h"

namespace {

// The line as the readers see it, with an index, as a plain model.
struct LineModel {
    std::string line;
    int32_t index;
};

int32_t model_read(LineModel* m) {
    if (m->index >= static_cast<int32_t>(m->line.size())) return -1;
    return static_cast<unsigned char>(m->line[static_cast<std::size_t>(m->index++)]);
}

void model_unread(LineModel* m) {
    if (m->index > 0) m->index -= 1;
}

bool blank(int32_t c) { return c == ' ' || c == '\t'; }

// The splitting rules, written out as they read: skip line ends and blanks,
// then blanks, commas, quotes and line ends decide where the field ends.
std::string model_field(LineModel* m, int32_t limit, bool keep_blanks) {
    std::string field;
    int32_t c = model_read(m);
    while (blank(c) || c == '\n' || c == '\r') c = model_read(m);
    bool quoted = false;
    bool after_quote = false;
    while (c != -1) {
        bool ends = false;
        if (blank(c) && field.empty()) {
            if (keep_blanks && quoted) field.push_back(static_cast<char>(c));
        } else if (blank(c)) {
            if (keep_blanks || quoted) {
                field.push_back(static_cast<char>(c));
            } else {
                ends = true;
            }
        } else if (c == '\n') {
            ends = true;
        } else if (c == '\r') {
            if (model_read(m) != '\n') model_unread(m);
            ends = true;
        } else if (c == '"' && !quoted && field.empty()) {
            quoted = true;
        } else if (c == '"' && !quoted) {
            field.push_back('"');
        } else if (c == '"') {
            quoted = false;
            if (keep_blanks) {
                c = model_read(m);
                after_quote = true;
                ends = true;
            }
        } else if (c == ',') {
            if (quoted) {
                field.push_back(',');
            } else {
                ends = true;
            }
        } else {
            field.push_back(static_cast<char>(c));
        }
        if (ends || static_cast<int32_t>(field.size()) >= limit) break;
        c = model_read(m);
    }
    if (after_quote) {
        while (blank(c)) c = model_read(m);
        if (c == '\r') {
            if (model_read(m) != '\n') model_unread(m);
        } else if (c != ',' && c != -1) {
            model_unread(m);
        }
    }
    return field;
}

// atoi and _atoi64 as documented: blanks, a sign, digits; the nearest
// limit when out of range.
int64_t model_integer(const std::string& field, int64_t low, int64_t high) {
    std::size_t i = 0;
    while (i < field.size() && (field[i] == ' ' || (field[i] >= '\t' && field[i] <= '\r'))) ++i;
    bool negative = i < field.size() && field[i] == '-';
    if (i < field.size() && (field[i] == '-' || field[i] == '+')) ++i;
    // Fields are at most 22 characters: a long double holds every prefix
    // exactly enough to decide against the limits.
    __int128 value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > (static_cast<__int128>(1) << 100)) value = static_cast<__int128>(1) << 100;
    }
    if (negative) value = -value;
    if (value < low) return low;
    if (value > high) return high;
    return static_cast<int64_t>(value);
}

void set_line(const std::string& line) {
    StringDesc& desc = input_context.line;
    str_delete(&desc);
    if (!line.empty()) {
        str_resize(&desc, static_cast<int32_t>(line.size()), false);
        FUZZ_CHECK(desc.data != nullptr);
        std::memcpy(desc.data, line.data(), line.size());
        desc.data[line.size()] = '\0';
    }
    input_context.stream = nullptr;
    input_context.read_index = 0;
}

struct Reader {
    int32_t limit;
    bool keep_blanks;
};

constexpr Reader READERS[] = {{4, false}, {6, false}, {11, false}, {22, false}, {15, false}, {21, false}, {1024, true}};

bool same_double(double a, double b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

void read_one(FuzzedDataProvider& data, LineModel* model) {
    int which = data.ConsumeIntegralInRange<int>(0, 7);
    if (which == 7) {
        // The tokenizer itself, with any limit, into a buffer with a guard.
        int32_t limit = data.ConsumeIntegralInRange<int32_t>(-2, 40);
        bool keep = data.ConsumeBool();
        char buffer[64];
        std::memset(buffer, 0x5A, sizeof buffer);
        input_next_field(buffer, limit, keep ? 1 : 0);
        std::string expected = limit < 1 ? std::string() : model_field(model, limit, keep);
        FUZZ_CHECK(std::strlen(buffer) == expected.size() ||
                   std::memchr(expected.data(), 0, expected.size()) != nullptr);
        FUZZ_CHECK(std::memcmp(buffer, expected.data(), expected.size()) == 0);
        FUZZ_CHECK(buffer[expected.size()] == '\0');
        std::size_t used = expected.size() + 1;
        for (std::size_t i = used; i < sizeof buffer; ++i) FUZZ_CHECK(buffer[i] == 0x5A);
        return;
    }
    const Reader& r = READERS[which];
    std::string field = model_field(model, r.limit, r.keep_blanks);
    FUZZ_CHECK(static_cast<int32_t>(field.size()) <= r.limit);
    // The conversions see the field up to its first NUL, as C text.
    std::string text(field.c_str());
    error_set(ERROR_BAD_ARGUMENT);
    int32_t result = -1;
    switch (which) {
    case 0: {
        int8_t v = 0;
        result = input_int8(&v);
        auto wide = model_integer(text, INT32_MIN, INT32_MAX);
        FUZZ_CHECK(v == static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(wide))));
        break;
    }
    case 1: {
        int16_t v = 0;
        result = input_int16(&v);
        auto wide = model_integer(text, INT32_MIN, INT32_MAX);
        FUZZ_CHECK(v == static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(wide))));
        break;
    }
    case 2: {
        int32_t v = 0;
        result = input_int32(&v);
        FUZZ_CHECK(v == model_integer(text, INT32_MIN, INT32_MAX));
        break;
    }
    case 3: {
        int64_t v = 0;
        result = input_int64(&v);
        FUZZ_CHECK(v == model_integer(text, INT64_MIN, INT64_MAX));
        break;
    }
    case 4: {
        float v = 0;
        result = input_single(&v);
        double wide = std::strtod(text.c_str(), nullptr);
        float expected =
            std::isnan(wide)                                                 ? std::numeric_limits<float>::quiet_NaN()
            : wide > static_cast<double>(std::numeric_limits<float>::max())  ? std::numeric_limits<float>::max()
            : wide < -static_cast<double>(std::numeric_limits<float>::max()) ? -std::numeric_limits<float>::max()
                                                                             : static_cast<float>(wide);
        FUZZ_CHECK((std::isnan(v) && std::isnan(expected)) || v == expected);
        break;
    }
    case 5: {
        double v = 0;
        result = input_double(&v);
        FUZZ_CHECK(same_double(v, std::strtod(text.c_str(), nullptr)));
        break;
    }
    default: {
        // Into a descriptor, then into a short fixed buffer with a guard.
        if (data.ConsumeBool()) {
            StringDesc s{nullptr, 0, 0};
            result = input_string(&s, STR_SIZE_DESC, 0);
            FUZZ_CHECK(str_length(&s) == static_cast<int32_t>(text.size()));
            FUZZ_CHECK(text.empty() || std::memcmp(s.data, text.data(), text.size()) == 0);
            str_delete(&s);
        } else {
            char small[17];
            std::memset(small, 0x5A, sizeof small);
            bool fill = data.ConsumeBool();
            result = input_string(small, 16, fill ? 1 : 0);
            std::size_t n = std::min<std::size_t>(text.size(), 15);
            FUZZ_CHECK(std::memcmp(small, text.data(), n) == 0 && small[n] == '\0');
            FUZZ_CHECK(small[16] == 0x5A);
        }
        break;
    }
    }
    FUZZ_CHECK(result == 0 && error_get() == ERROR_NONE);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    fresh_runtime(80, 25);
    fuzz_heap_install(0, 1u << 20);

    std::size_t reads = data.ConsumeIntegralInRange<std::size_t>(1, 40);
    std::string script = data.ConsumeBytesAsString(reads * 2);
    LineModel model{data.ConsumeRemainingBytesAsString(), 0};
    set_line(model.line);

    FuzzedDataProvider steps(reinterpret_cast<const uint8_t*>(script.data()), script.size());
    for (std::size_t i = 0; i < reads; ++i) {
        read_one(steps, &model);
        FUZZ_CHECK(input_context.read_index >= 0);
        FUZZ_CHECK(input_context.read_index <= static_cast<int32_t>(model.line.size()));
        FUZZ_CHECK(input_context.read_index == model.index);
    }
    // Reading on past the end gives empty fields and leaves the index alone.
    input_context.read_index = static_cast<int32_t>(model.line.size());
    int32_t v = 7;
    input_int32(&v);
    FUZZ_CHECK(v == 0 && input_context.read_index == static_cast<int32_t>(model.line.size()));

    input_context_fresh();
    fuzz_check_no_block_left();
    memory_reset();
    return 0;
}
