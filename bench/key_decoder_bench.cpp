// Microbenchmarks of the key decoder: typed text, a paste, cursor keys and
// accented letters, each fed as a terminal read delivers them.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/keyboard/key_decoder.h"

namespace {

// Feeds the bytes in reads of at most a queue's worth and takes every key,
// as the keyboard does.
void bench_decode(benchmark::State& state, const std::string& bytes) {
    KeyDecoder decoder;
    key_decoder_init(&decoder);
    uint64_t now = 0;
    for (auto _ : state) {
        std::size_t keys = 0;
        for (std::size_t at = 0; at < bytes.size(); at += KEY_QUEUE_CAPACITY) {
            std::size_t n = std::min<std::size_t>(KEY_QUEUE_CAPACITY, bytes.size() - at);
            key_decoder_feed(&decoder, reinterpret_cast<const uint8_t*>(bytes.data() + at), n, ++now);
            Key key{};
            while (key_decoder_take(&decoder, &key)) ++keys;
        }
        benchmark::DoNotOptimize(keys);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

void BM_DecodeTypedDigits(benchmark::State& state) { bench_decode(state, "100\r"); }
BENCHMARK(BM_DecodeTypedDigits);

void BM_DecodePaste10K(benchmark::State& state) { bench_decode(state, std::string(10240, '7')); }
BENCHMARK(BM_DecodePaste10K);

void BM_DecodeCursorKeys(benchmark::State& state) {
    std::string bytes;
    for (int i = 0; i < 64; ++i) bytes += "\x1b[A\x1b[1;5C\x1bOH\x1b[3~";
    bench_decode(state, bytes);
}
BENCHMARK(BM_DecodeCursorKeys);

// Accented letters: each UTF-8 character is looked up in the code page.
void BM_DecodeAccented(benchmark::State& state) {
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += "\xc3\xa0\xc3\xa8\xc3\xb9\xc2\xb0";
    bench_decode(state, bytes);
}
BENCHMARK(BM_DecodeAccented);

}  // namespace
