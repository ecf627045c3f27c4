// Microbenchmarks of the renderer: a full screen drawn from nothing, the
// calculator's screen, one changed cell, and a frame with nothing to do
// (what every wait for a key asks for).
#include <benchmark/benchmark.h>

#include <string>

#include "platform/model/screen_buffer.h"
#include "platform/terminal/terminal_render.h"

namespace {

// Every cell set, the colours changing every 7 cells: the worst full frame.
void bench_fill_busy(ScreenBuffer* screen) {
    for (int32_t i = 0; i < screen->width * screen->height; ++i) {
        int32_t x = i % screen->width;
        int32_t y = i / screen->width;
        screen_fill_character(screen, static_cast<uint8_t>(0x21 + i % 94), 1, x, y);
        screen_fill_attribute(screen, static_cast<uint16_t>(0x10 + (i / 7) % 0x60), 1, x, y);
    }
}

// The calculator's first screen: the title bar, a label, the cursor after it.
void bench_fill_calculator(ScreenBuffer* screen) {
    std::string title = " Velmora Istranda Quolvenix Pardov" + std::string(22, ' ') + "Ostravel Kamuni Dreskov ";
    screen_set_attribute(screen, 0x71);
    screen_write(screen, reinterpret_cast<const uint8_t*>(title.data()), static_cast<uint32_t>(title.size()));
    screen_set_cursor(screen, 11, 7);
    std::string label = " Antenna TX a mt. slm ";
    screen_write(screen, reinterpret_cast<const uint8_t*>(label.data()), static_cast<uint32_t>(label.size()));
    screen_set_attribute(screen, 0x07);
    screen_set_cursor(screen, 39, 7);
}

void bench_full_frame(benchmark::State& state, void (*fill)(ScreenBuffer*)) {
    ScreenBuffer screen{};
    screen_init(&screen, 80, 25);
    fill(&screen);
    TerminalRender render{};
    RenderOutput out{};
    std::size_t bytes = 0;
    for (auto _ : state) {
        terminal_render_init(&render);
        out.bytes.length = 0;
        terminal_render_frame(&render, &screen, &out);
        bytes = out.bytes.length;
        benchmark::DoNotOptimize(out.bytes.bytes);
    }
    state.counters["bytes_out"] = static_cast<double>(bytes);
}

void BM_RenderFullScreenBusy(benchmark::State& state) { bench_full_frame(state, bench_fill_busy); }
BENCHMARK(BM_RenderFullScreenBusy);

void BM_RenderCalculatorScreen(benchmark::State& state) { bench_full_frame(state, bench_fill_calculator); }
BENCHMARK(BM_RenderCalculatorScreen);

// One cell changes between frames (a typed digit).
void BM_RenderOneCell(benchmark::State& state) {
    ScreenBuffer screen{};
    screen_init(&screen, 80, 25);
    bench_fill_calculator(&screen);
    TerminalRender render{};
    terminal_render_init(&render);
    RenderOutput out{};
    terminal_render_frame(&render, &screen, &out);
    uint8_t digit = '0';
    std::size_t bytes = 0;
    for (auto _ : state) {
        digit = digit == '9' ? '0' : static_cast<uint8_t>(digit + 1);
        screen_fill_character(&screen, digit, 1, 39, 7);
        out.bytes.length = 0;
        terminal_render_frame(&render, &screen, &out);
        bytes = out.bytes.length;
        benchmark::DoNotOptimize(out.bytes.bytes);
    }
    state.counters["bytes_out"] = static_cast<double>(bytes);
}
BENCHMARK(BM_RenderOneCell);

// Nothing changed: the frame every wait asks for.
void BM_RenderUnchanged(benchmark::State& state) {
    ScreenBuffer screen{};
    screen_init(&screen, 80, 25);
    bench_fill_calculator(&screen);
    TerminalRender render{};
    terminal_render_init(&render);
    RenderOutput out{};
    terminal_render_frame(&render, &screen, &out);
    for (auto _ : state) {
        out.bytes.length = 0;
        terminal_render_frame(&render, &screen, &out);
        benchmark::DoNotOptimize(out.bytes.bytes);
    }
}
BENCHMARK(BM_RenderUnchanged);

}  // namespace
