// Microbenchmarks of the console model's WriteFile: text landing in the
// screen buffer, with and without scrolling, and in pipe mode.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/platform.h"
#include "tests/platform/testing/testing.h"

namespace {

void bench_write(platform::HANDLE out, const std::string& text) {
    platform::DWORD written = 0;
    platform::WriteFile(out, text.data(), static_cast<platform::DWORD>(text.size()), &written, nullptr);
    benchmark::DoNotOptimize(written);
}

// A label at a fixed place, as the calculator prints one.
void BM_WriteFileLabel(benchmark::State& state) {
    testing_console_create(80, 25);
    platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    std::string text = " Antenna TX a mt. slm ";
    for (auto _ : state) {
        platform::SetConsoleCursorPosition(out, platform::COORD{11, 7});
        bench_write(out, text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_WriteFileLabel);

// A whole row: 80 cells.
void BM_WriteFileRow(benchmark::State& state) {
    testing_console_create(80, 25);
    platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    std::string text(80, '=');
    for (auto _ : state) {
        platform::SetConsoleCursorPosition(out, platform::COORD{0, 0});
        bench_write(out, text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_WriteFileRow);

// Lines written at the bottom: every line end scrolls the whole buffer.
void BM_WriteFileScrolling(benchmark::State& state) {
    testing_console_create(80, 25);
    platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    std::string text = std::string(40, 'x') + "\r\n";
    for (auto _ : state) {
        platform::SetConsoleCursorPosition(out, platform::COORD{0, 24});
        bench_write(out, text);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_WriteFileScrolling);

// Pipe mode: WriteFile hands the bytes on (to the test capture here).
void BM_WriteFilePipe(benchmark::State& state) {
    testing_console_redirect();
    platform::HANDLE out = platform::GetStdHandle(platform::STD_OUTPUT_HANDLE);
    std::string text = " Portata ottica: ";
    for (auto _ : state) {
        bench_write(out, text);
        testing_file_output().clear();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_WriteFilePipe);

}  // namespace
