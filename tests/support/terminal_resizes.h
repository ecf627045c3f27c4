// Terminal resizes that come while the program waits for keys: the n-th read
// from the console model's scripted terminal finds the terminal at a new
// size and SIGWINCH noted, as the signal handler would leave it. No
// GoogleTest here: the fuzz targets use it too.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "platform/terminal/terminal_session.h"
#include "tests/platform/testing/testing.h"

// At read number `read` (from 0) the terminal has this size.
struct TerminalResize {
    uint32_t read;
    int32_t columns;
    int32_t rows;
};

struct ResizePlan {
    TerminalIo original;                  // the scripted terminal's own functions
    std::vector<TerminalResize> resizes;  // in any order
    uint32_t reads;                       // reads so far
    int32_t columns;                      // the terminal's size now
    int32_t rows;
    void (*resized)(int32_t columns, int32_t rows);  // told of each resize first; may be null
};

inline ResizePlan resize_plan;

// The terminal's read: first the resizes planned for this read, then the scripted bytes.
inline int64_t resize_plan_read(uint8_t* bytes, std::size_t capacity, int32_t timeout_ms) {
    uint32_t n = resize_plan.reads++;
    for (const TerminalResize& r : resize_plan.resizes) {
        if (r.read != n) continue;
        resize_plan.columns = r.columns;
        resize_plan.rows = r.rows;
        if (resize_plan.resized != nullptr) resize_plan.resized(r.columns, r.rows);
        terminal_note_resize();
    }
    return resize_plan.original.read(bytes, capacity, timeout_ms);
}

// Puts the plan between the program and the scripted terminal, which is the
// size of the console model's window until the first resize.
inline void resize_plan_install(std::vector<TerminalResize> resizes,
                                void (*resized)(int32_t columns, int32_t rows) = nullptr) {
    TerminalIo& io = terminal_io();
    const ScreenBuffer& now = testing_console().screen;
    resize_plan = ResizePlan{io, std::move(resizes), 0, now.window_width, now.window_height, resized};
    io.read = resize_plan_read;
    // The terminal's size as the plan has it now.
    io.size = [](int32_t* columns, int32_t* rows) {
        *columns = resize_plan.columns;
        *rows = resize_plan.rows;
        return true;
    };
}
