// Microbenchmarks of the string core: assigning and appending short texts,
// and a line growing by the line input's chunks.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/core/strings.h"
#include "runtime/core/temp_pool.h"

namespace {

char* bench_text(const std::string& text) { return const_cast<char*>(text.c_str()); }

// Same length each time: the buffer is reused.
void BM_AssignShortSameLength(benchmark::State& state) {
    std::string text = "Antenna TX a mt. slm";
    StringDesc desc{nullptr, 0, 0};
    for (auto _ : state) {
        str_assign(&desc, STR_SIZE_DESC, bench_text(text), STR_SIZE_ZSTRING, 0);
        benchmark::DoNotOptimize(desc.data);
    }
    str_delete(&desc);
}
BENCHMARK(BM_AssignShortSameLength);

// Alternating lengths within one growth step: the length changes, the buffer stays.
void BM_AssignShortVaryingLength(benchmark::State& state) {
    std::string a = "100";
    std::string b = "Portata ottica: 60 km";
    StringDesc desc{nullptr, 0, 0};
    bool flip = false;
    for (auto _ : state) {
        str_assign(&desc, STR_SIZE_DESC, bench_text(flip ? a : b), STR_SIZE_ZSTRING, 0);
        flip = !flip;
        benchmark::DoNotOptimize(desc.data);
    }
    str_delete(&desc);
}
BENCHMARK(BM_AssignShortVaryingLength);

// The print path: a literal through a temporary descriptor into a variable.
void BM_AssignFromTemporary(benchmark::State& state) {
    static const char TEXT[] = " premi un tasto per terminare";
    StringDesc desc{nullptr, 0, 0};
    for (auto _ : state) {
        str_assign(&desc, STR_SIZE_DESC, str_temp_for_literal(TEXT, sizeof TEXT), STR_SIZE_DESC, 0);
        benchmark::DoNotOptimize(desc.data);
    }
    str_delete(&desc);
}
BENCHMARK(BM_AssignFromTemporary);

// Short appends: 64 appends of 8 bytes, then start over.
void BM_AppendShort(benchmark::State& state) {
    std::string piece = "12345678";
    StringDesc desc{nullptr, 0, 0};
    for (auto _ : state) {
        str_delete(&desc);
        for (int i = 0; i < 64; ++i) str_concat_assign(&desc, STR_SIZE_DESC, bench_text(piece), STR_SIZE_ZSTRING, 0);
        benchmark::DoNotOptimize(desc.data);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 64 * 8);
    str_delete(&desc);
}
BENCHMARK(BM_AppendShort);

// A line of state.range(0) bytes built as line input builds it: the first
// chunk assigned, then 1023-byte chunks appended.
void BM_GrowingLine(benchmark::State& state) {
    const int64_t total = state.range(0);
    std::string chunk(1023, '7');
    StringDesc desc{nullptr, 0, 0};
    for (auto _ : state) {
        str_assign(&desc, STR_SIZE_DESC, bench_text(chunk), STR_SIZE_ZSTRING, 0);
        for (int64_t done = 1023; done < total; done += 1023) {
            str_concat_assign(&desc, STR_SIZE_DESC, bench_text(chunk), STR_SIZE_ZSTRING, 0);
        }
        benchmark::DoNotOptimize(desc.data);
        str_delete(&desc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * total);
}
BENCHMARK(BM_GrowingLine)->RangeMultiplier(32)->Range(1 << 10, 1 << 25)->Unit(benchmark::kMicrosecond);

}  // namespace
