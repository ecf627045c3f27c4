// Microbenchmarks of the field reader and the conversions: the path every
// typed answer takes from the input line to a number.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/platform.h"
#include "runtime/input/input_fields.h"
#include "tests/support/runtime_fresh.h"

namespace {

// The current input line becomes `text`, read from its start.
void bench_set_line(const std::string& text) {
    input_context_fresh();
    str_assign(&input_context.line, STR_SIZE_DESC, const_cast<char*>(text.c_str()), STR_SIZE_ZSTRING, 0);
}

void bench_field_int32(benchmark::State& state, const std::string& line) {
    bench_set_line(line);
    int32_t value = 0;
    for (auto _ : state) {
        input_context.read_index = 0;
        input_int32(&value);
        benchmark::DoNotOptimize(value);
    }
    input_context_fresh();
}

void BM_FieldInt32Typed(benchmark::State& state) { bench_field_int32(state, "100"); }
BENCHMARK(BM_FieldInt32Typed);

void BM_FieldInt32Blanks(benchmark::State& state) { bench_field_int32(state, "   \t 2147483647 , 25"); }
BENCHMARK(BM_FieldInt32Blanks);

// A field longer than any number: the reader stops at its limit.
void BM_FieldInt32LongField(benchmark::State& state) { bench_field_int32(state, std::string(4096, '7')); }
BENCHMARK(BM_FieldInt32LongField);

void BM_FieldDouble(benchmark::State& state) {
    bench_set_line("  -1234.5678e-3,9");
    double value = 0;
    for (auto _ : state) {
        input_context.read_index = 0;
        input_double(&value);
        benchmark::DoNotOptimize(value);
    }
    input_context_fresh();
}
BENCHMARK(BM_FieldDouble);

// A quoted string field of a kilobyte into a descriptor: the longest field.
void BM_FieldStringQuoted(benchmark::State& state) {
    bench_set_line("\"" + std::string(1000, 'x') + ", y\"  ,next");
    StringDesc target{nullptr, 0, 0};
    for (auto _ : state) {
        input_context.read_index = 0;
        input_string(&target, STR_SIZE_DESC, 0);
        benchmark::DoNotOptimize(target.data);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 1006);
    str_delete(&target);
    input_context_fresh();
}
BENCHMARK(BM_FieldStringQuoted);

void BM_ConvertAtoi(benchmark::State& state) {
    const char* text = "  -2147483648";
    for (auto _ : state) benchmark::DoNotOptimize(platform::atoi(text));
}
BENCHMARK(BM_ConvertAtoi);

// Saturation: more digits than any value has.
void BM_ConvertAtoiOverflow(benchmark::State& state) {
    std::string text(64, '9');
    for (auto _ : state) benchmark::DoNotOptimize(platform::atoi(text.c_str()));
}
BENCHMARK(BM_ConvertAtoiOverflow);

void BM_ConvertAtoi64(benchmark::State& state) {
    const char* text = "9223372036854775807";
    for (auto _ : state) benchmark::DoNotOptimize(platform::_atoi64(text));
}
BENCHMARK(BM_ConvertAtoi64);

void BM_ConvertAtof(benchmark::State& state) {
    const char* text = "6.02214076e23";
    for (auto _ : state) benchmark::DoNotOptimize(platform::atof(text));
}
BENCHMARK(BM_ConvertAtof);

}  // namespace
