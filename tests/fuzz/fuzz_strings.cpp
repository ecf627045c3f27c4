// Fuzz target for the string core: random sequences of assignments, appends,
// resizes and temporaries, each checked against plain std::string models;
// the pool's count and lists stay right and nothing is leaked.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr std::size_t VARIABLE_COUNT = 4;
constexpr std::size_t BUFFER_COUNT = 3;
constexpr std::size_t TEXT_MAX = 300;
constexpr std::size_t UNSIZED_BUFFER = 4096;  // a size-code-0 destination
constexpr std::size_t GUARD = 8;
constexpr uint8_t GUARD_BYTE = 0xA5;

// A program variable: a descriptor the program owns.
struct Variable {
    StringDesc desc;
    std::string model;
};

// A byte buffer handed with its size (or with size code 0), with guard bytes
// after it that no operation may touch.
struct Buffer {
    std::vector<uint8_t> bytes;  // size + GUARD
    int32_t size_code;           // > 0: a fixed buffer; 0: unsized
    std::vector<uint8_t> model;  // the expected bytes of the buffer itself
};

// A temporary the fuzzer holds: a pool descriptor and the text it stands for.
struct Temporary {
    StringDesc* desc;
    std::string model;
};

struct World {
    Variable variables[VARIABLE_COUNT];
    Buffer buffers[BUFFER_COUNT];
    std::vector<Temporary> temporaries;
    std::deque<std::string> literals;  // kept alive, unmoved, while temporaries point at them
};

std::string desc_text(const StringDesc* desc) {
    if (desc->data == nullptr) return "";
    return std::string(desc->data, static_cast<std::size_t>(str_length(desc)));
}

void check_desc(const StringDesc* desc, const std::string& model) {
    FUZZ_CHECK(str_length(desc) == static_cast<int32_t>(model.size()));
    if (model.empty()) return;
    FUZZ_CHECK(desc->data != nullptr);
    FUZZ_CHECK(desc->capacity >= str_length(desc));
    FUZZ_CHECK(std::memcmp(desc->data, model.data(), model.size()) == 0);
    FUZZ_CHECK(desc->data[model.size()] == '\0');
}

std::size_t buffer_size(const Buffer& b) {
    return b.size_code > 0 ? static_cast<std::size_t>(b.size_code) : UNSIZED_BUFFER;
}

std::size_t model_strlen(const std::vector<uint8_t>& bytes, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && n < bytes.size() && bytes[n] != 0) ++n;
    return n;
}

void check_buffer(const Buffer& b) {
    std::size_t size = buffer_size(b);
    FUZZ_CHECK(std::memcmp(b.bytes.data(), b.model.data(), size) == 0);
    for (std::size_t i = 0; i < GUARD; ++i) FUZZ_CHECK(b.bytes[size + i] == GUARD_BYTE);
}

void buffer_init(Buffer* b, int32_t size_code) {
    b->size_code = size_code;
    std::size_t size = buffer_size(*b);
    b->bytes.assign(size + GUARD, GUARD_BYTE);
    std::memset(b->bytes.data(), 0, size);
    b->model.assign(size, 0);
}

// The model of copying text into a byte buffer: count bytes, a NUL, and the
// fill from the NUL up to (not including) the last byte.
void model_buffer_store(Buffer* b, std::size_t at, const std::string& text, bool fill) {
    std::size_t size = buffer_size(*b);
    std::size_t count = text.size();
    if (b->size_code > 0 && count > size - 1 - at) count = size - 1 - at;
    std::memcpy(b->model.data() + at, text.data(), count);
    b->model[at + count] = 0;
    if (fill && b->size_code > 0) {
        for (std::size_t i = at + count; i + 1 < size; ++i) b->model[i] = 0;
    }
}

// A source operand: its pointer, size code, the text an operation reads from
// it, and what happens to it afterwards.
struct Source {
    void* pointer;
    int32_t size_code;
    std::string text;
    int32_t temporary;    // index in temporaries, or -1
    int32_t variable;     // index in variables, or -1
    int32_t buffer;       // index in buffers, or -1
    std::string zstring;  // backing for a NUL-terminated source
};

std::string random_text(FuzzedDataProvider& data) { return data.ConsumeRandomLengthString(TEXT_MAX); }

StringDesc* make_temporary(World& w, FuzzedDataProvider& data, std::string* model) {
    std::string text = random_text(data);
    switch (data.ConsumeIntegralInRange<int>(0, 2)) {
    case 0: {  // a literal: the descriptor points at bytes it does not own
        w.literals.push_back(text);
        const std::string& kept = w.literals.back();
        StringDesc* desc = str_temp_for_literal(kept.c_str(), 0);
        *model = std::string(kept.c_str());
        return desc;
    }
    case 1: {  // a literal with its size given
        w.literals.push_back(text);
        const std::string& kept = w.literals.back();
        StringDesc* desc = str_temp_for_literal(kept.c_str(), static_cast<int32_t>(kept.size() + 1));
        *model = kept;
        return desc;
    }
    default: {  // a buffer allocated for an intermediate result
        StringDesc* desc = str_temp_alloc();
        if (desc == nullptr) {
            *model = "";
            return str_empty();
        }
        str_alloc_temp_buffer(desc, static_cast<int32_t>(text.size()));
        if (desc->data == nullptr) {
            str_temp_free(desc);
            *model = "";
            return str_empty();
        }
        FUZZ_CHECK(str_is_temp(desc));
        std::memcpy(desc->data, text.data(), text.size());
        desc->data[text.size()] = '\0';
        *model = text;
        return desc;
    }
    }
}

Source pick_source(World& w, FuzzedDataProvider& data) {
    Source s{nullptr, STR_SIZE_DESC, "", -1, -1, -1, ""};
    switch (data.ConsumeIntegralInRange<int>(0, 5)) {
    case 0:  // a variable
        s.variable = data.ConsumeIntegralInRange<int32_t>(0, VARIABLE_COUNT - 1);
        s.pointer = &w.variables[s.variable].desc;
        s.text = w.variables[s.variable].model;
        break;
    case 1:  // a temporary held so far
        if (!w.temporaries.empty()) {
            s.temporary = data.ConsumeIntegralInRange<int32_t>(0, static_cast<int32_t>(w.temporaries.size()) - 1);
            s.pointer = w.temporaries[static_cast<std::size_t>(s.temporary)].desc;
            s.text = w.temporaries[static_cast<std::size_t>(s.temporary)].model;
        }
        break;
    case 2: {  // a NUL-terminated text
        s.zstring = random_text(data);
        s.size_code = STR_SIZE_ZSTRING;
        s.text = std::string(s.zstring.c_str());
        break;
    }
    case 3: {  // a fixed buffer, terminated or not within its size
        s.buffer = data.ConsumeIntegralInRange<int32_t>(0, BUFFER_COUNT - 1);
        Buffer& b = w.buffers[s.buffer];
        s.pointer = b.bytes.data();
        s.size_code = b.size_code;
        std::size_t limit = b.size_code > 0 ? static_cast<std::size_t>(b.size_code) : UNSIZED_BUFFER;
        s.text = std::string(reinterpret_cast<const char*>(b.model.data()), model_strlen(b.model, limit));
        break;
    }
    case 4:  // the empty descriptor
        s.pointer = str_empty();
        break;
    default:  // no source at all
        s.pointer = nullptr;
        break;
    }
    if (s.pointer == nullptr && s.size_code == STR_SIZE_ZSTRING) s.pointer = s.zstring.data();
    return s;
}

// After an operation that consumed it, a temporary source is gone.
void source_consumed(World& w, const Source& s) {
    if (s.temporary >= 0) w.temporaries.erase(w.temporaries.begin() + s.temporary);
}

void op_assign(World& w, FuzzedDataProvider& data, bool append) {
    bool to_buffer = data.ConsumeBool();
    bool fill = data.ConsumeBool();
    Source s = pick_source(w, data);
    uint64_t refused_before = test_heap.refused;
    if (to_buffer) {
        Buffer& b = w.buffers[data.ConsumeIntegralInRange<int32_t>(0, BUFFER_COUNT - 1)];
        if (s.buffer >= 0 && &w.buffers[s.buffer] == &b) return;  // overlapping buffers are no caller's case
        std::size_t size = buffer_size(b);
        std::size_t current = append ? model_strlen(b.model, size) : 0;
        if (b.size_code > 0 && current > size - 1) current = size - 1;
        // An unsized destination is the caller's promise that the text fits.
        if (b.size_code == 0 && current + s.text.size() >= size) return;
        if (append) {
            str_concat_assign(b.bytes.data(), b.size_code, s.pointer, s.size_code, fill ? 1 : 0);
            if (!s.text.empty()) model_buffer_store(&b, current, s.text, fill);
        } else {
            str_assign(b.bytes.data(), b.size_code, s.pointer, s.size_code, fill ? 1 : 0);
            if (s.text.empty()) {
                if (fill && b.size_code > 0) {
                    std::fill(b.model.begin(), b.model.end(), 0);
                } else {
                    b.model[0] = 0;
                }
            } else {
                model_buffer_store(&b, 0, s.text, fill);
            }
        }
        source_consumed(w, s);
        check_buffer(b);
        return;
    }
    Variable& v = w.variables[data.ConsumeIntegralInRange<int32_t>(0, VARIABLE_COUNT - 1)];
    std::string expected = append ? v.model + s.text : s.text;
    if (append) {
        str_concat_assign(&v.desc, STR_SIZE_DESC, s.pointer, s.size_code, fill ? 1 : 0);
    } else {
        str_assign(&v.desc, STR_SIZE_DESC, s.pointer, s.size_code, fill ? 1 : 0);
    }
    source_consumed(w, s);
    // An allocation refused twice (the growth size, then the exact size)
    // leaves the descriptor empty; anything else gives the whole text.
    if (test_heap.refused >= refused_before + 2 && desc_text(&v.desc).empty() && v.desc.data == nullptr) {
        expected = "";
    }
    FUZZ_CHECK(!str_is_temp(&v.desc));
    check_desc(&v.desc, expected);
    v.model = expected;
}

void op_resize(World& w, FuzzedDataProvider& data) {
    Variable& v = w.variables[data.ConsumeIntegralInRange<int32_t>(0, VARIABLE_COUNT - 1)];
    bool preserve = data.ConsumeBool();
    int32_t length =
        data.ConsumeBool() ? data.ConsumeIntegralInRange<int32_t>(-4, TEXT_MAX) : data.ConsumeIntegral<int32_t>();
    str_resize(&v.desc, length, preserve);
    if (v.desc.data == nullptr) {
        FUZZ_CHECK(v.desc.length == 0 && v.desc.capacity == 0);
        v.model.clear();
        return;
    }
    int32_t expected_length = length > 0 ? length : 0;
    FUZZ_CHECK(str_length(&v.desc) == expected_length);
    FUZZ_CHECK(v.desc.capacity >= expected_length);
    auto n = static_cast<std::size_t>(expected_length);
    if (preserve) {
        std::size_t kept = std::min(n, v.model.size());
        FUZZ_CHECK(std::memcmp(v.desc.data, v.model.data(), kept) == 0);
        v.model.resize(kept);
    } else {
        v.model.clear();
    }
    // A resize leaves the new bytes for its caller to write, as callers do.
    while (v.model.size() < n) v.model.push_back(static_cast<char>('a' + v.model.size() % 26));
    std::memcpy(v.desc.data, v.model.data(), n);
    v.desc.data[n] = '\0';
}

void op_release(World& w, FuzzedDataProvider& data) {
    if (w.temporaries.empty()) return;
    auto index = data.ConsumeIntegralInRange<std::size_t>(0, w.temporaries.size() - 1);
    StringDesc* desc = w.temporaries[index].desc;
    int32_t result = str_release_temp(desc);
    FUZZ_CHECK(result == (str_in_pool(desc) ? 0 : -1));
    w.temporaries.erase(w.temporaries.begin() + static_cast<std::ptrdiff_t>(index));
}

// Giving back what is not a pool descriptor changes nothing.
void op_release_foreign(World& w, FuzzedDataProvider& data) {
    Variable& v = w.variables[data.ConsumeIntegralInRange<int32_t>(0, VARIABLE_COUNT - 1)];
    FUZZ_CHECK(str_temp_free(&v.desc) == -1);
    FUZZ_CHECK(str_temp_free(str_empty()) == -1);
    FUZZ_CHECK(str_release_temp(nullptr) == -1);
    check_desc(&v.desc, v.model);
}

int32_t held_in_pool(const World& w) {
    int32_t count = 0;
    for (const Temporary& t : w.temporaries) count += str_in_pool(t.desc) ? 1 : 0;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    fresh_core();
    uint64_t refuse = data.ConsumeBool() ? data.ConsumeIntegral<uint64_t>() : 0;
    fuzz_heap_install(refuse, 1u << 16);

    World w{};
    for (Variable& v : w.variables) v = Variable{StringDesc{nullptr, 0, 0}, ""};
    buffer_init(&w.buffers[0], data.ConsumeIntegralInRange<int32_t>(1, 40));
    buffer_init(&w.buffers[1], data.ConsumeIntegralInRange<int32_t>(1, 400));
    buffer_init(&w.buffers[2], 0);

    while (data.remaining_bytes() > 0) {
        switch (data.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: op_assign(w, data, false); break;
        case 1: op_assign(w, data, true); break;
        case 2: op_resize(w, data); break;
        case 3:
        case 4: {
            // Several at once, so that the pool runs dry now and then.
            int32_t count = data.ConsumeBool() ? 1 : data.ConsumeIntegralInRange<int32_t>(1, 300);
            for (int32_t i = 0; i < count; ++i) {
                std::string model;
                StringDesc* desc = make_temporary(w, data, &model);
                if (desc == str_empty()) model = "";
                check_desc(desc, model);
                w.temporaries.push_back(Temporary{desc, model});
            }
            break;
        }
        case 5: op_release(w, data); break;
        case 6: op_release_foreign(w, data); break;
        default: {
            Variable& v = w.variables[data.ConsumeIntegralInRange<int32_t>(0, VARIABLE_COUNT - 1)];
            str_delete(&v.desc);
            FUZZ_CHECK(v.desc.data == nullptr && v.desc.length == 0 && v.desc.capacity == 0);
            v.model.clear();
            break;
        }
        }
        fuzz_check_pool(held_in_pool(w));
        for (const Variable& v : w.variables) check_desc(&v.desc, v.model);
        for (const Temporary& t : w.temporaries) check_desc(t.desc, t.model);
        for (const Buffer& b : w.buffers) check_buffer(b);
    }

    // Giving everything back leaves the pool empty and no buffer allocated.
    for (Variable& v : w.variables) str_delete(&v.desc);
    for (Temporary& t : w.temporaries) str_release_temp(t.desc);
    w.temporaries.clear();
    fuzz_check_pool(0);
    fuzz_check_no_block_left();
    memory_reset();
    return 0;
}
