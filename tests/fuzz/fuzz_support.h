// What the fuzz targets share: a failed invariant stops the run with a
// message (libFuzzer keeps the input), the test heap that counts its blocks
// and can refuse allocations, and a fresh runtime on a console model for
// each input.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/core/strings.h"
#include "runtime/core/temp_pool.h"
#include "tests/support/runtime_fresh.h"
#include "tests/support/test_heap.h"

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Freeing or resizing what the heap never handed out (a literal, a pool
// slot) is the fault to catch.
inline void fuzz_foreign_block(void* block) {
    std::fprintf(stderr, "invariant failed: block %p freed or resized, never given out\n", block);
    std::abort();
}

// Request n (mod 64) is refused when bit n of refuse_mask is set, and every
// request above `largest` bytes.
inline void fuzz_heap_install(uint64_t refuse_mask, std::size_t largest) {
    test_heap_install(HeapRefusals{-1, false, refuse_mask, largest}, fuzz_foreign_block);
}

// The heap put in, and a fresh console of the given size made from it (on
// a terminal of that size, or exactly that size), so that every block the
// run frees is the heap's own. The refusals start once the console is made.
inline void fuzz_heap_install_with_console(uint64_t refuse_mask, std::size_t largest, int32_t width, int32_t height,
                                           bool on_terminal) {
    testing_console_destroy();
    fuzz_heap_install(0, largest);
    if (on_terminal) {
        testing_console_on_terminal(width, height);
    } else {
        testing_console_create(width, height);
    }
    test_heap.refusals.mask = refuse_mask;
}

// The window onto the buffer lies inside it and shows the cursor.
inline void fuzz_check_window(const ScreenBuffer& s) {
    FUZZ_CHECK(s.window_width >= 1 && s.window_height >= 1);
    FUZZ_CHECK(s.window_x >= 0 && s.window_x + s.window_width <= s.width);
    FUZZ_CHECK(s.window_y >= 0 && s.window_y + s.window_height <= s.height);
    FUZZ_CHECK(s.cursor_x >= s.window_x && s.cursor_x < s.window_x + s.window_width);
    FUZZ_CHECK(s.cursor_y >= s.window_y && s.cursor_y < s.window_y + s.window_height);
}

// A copy of every cell, to compare with after a resize.
inline std::vector<Cell> fuzz_cells(const ScreenBuffer& s) {
    return std::vector<Cell>(s.cells, s.cells + static_cast<std::size_t>(int64_t{s.width} * s.height));
}

// The record as a step found it: every field but its count of writes, its
// cells, and that count.
struct FuzzRecord {
    std::vector<int64_t> fields;
    std::vector<Cell> cells;
    uint64_t changes;
};

inline FuzzRecord fuzz_record(const ScreenBuffer& s) {
    return FuzzRecord{{s.width, s.height, s.cursor_x, s.cursor_y, s.cursor_visible, s.cursor_size, s.cursor_double,
                       s.attribute, s.mode, s.window_x, s.window_y, s.window_width, s.window_height, s.largest.X,
                       s.largest.Y, s.popup_attr, s.popup_shown, static_cast<int64_t>(s.scrolls)},
                      fuzz_cells(s),
                      s.changes};
}

// A step that changed the record moved its count: no write escapes it, so a
// present never skips a frame that differs.
inline void fuzz_check_counted(const FuzzRecord& before, const ScreenBuffer& s) {
    if (s.changes != before.changes) return;  // counted: whatever changed, a present will see it
    FuzzRecord now = fuzz_record(s);
    auto same = [](Cell a, Cell b) { return a.ch == b.ch && a.attr == b.attr; };
    bool changed = now.fields != before.fields ||
                   !std::equal(now.cells.begin(), now.cells.end(), before.cells.begin(), before.cells.end(), same);
    FUZZ_CHECK(!changed);
}

// A resize changes no cell: the old ones keep their places from the top
// left, and the buffer never shrinks; cells it grew by are blanks in 0x07.
inline void fuzz_check_resize_kept(const std::vector<Cell>& before, int32_t width, int32_t height,
                                   const ScreenBuffer& s) {
    FUZZ_CHECK(s.width >= width && s.height >= height);
    for (int32_t y = 0; y < s.height; ++y) {
        for (int32_t x = 0; x < s.width; ++x) {
            Cell now = screen_cell(&s, x, y);
            if (x < width && y < height) {
                Cell was = before[static_cast<std::size_t>(screen_cell_index(width, x, y))];
                FUZZ_CHECK(now.ch == was.ch && now.attr == was.attr);
            } else {
                FUZZ_CHECK(now.ch == ' ' && now.attr == 0x07);
            }
        }
    }
}

// The console's own blocks given back too (when they came from the C
// library, before the heap was put in, that is no fault); then no block
// may be left.
inline void fuzz_check_no_block_left() {
    test_heap.foreign = nullptr;
    testing_console_destroy();
    FUZZ_CHECK(test_heap.live.empty());
}

// Every temporary back in the pool and the pool's lists whole: the in-use
// list from head to tail holds in_use_count elements, the free list the rest.
inline void fuzz_check_pool(int32_t expected_in_use) {
    const TempDescPool& pool = temp_desc_pool;
    FUZZ_CHECK(pool.in_use_count == expected_in_use);
    if (pool.free_list == nullptr && pool.tail == nullptr) {
        FUZZ_CHECK(expected_in_use == 0);  // never set up
        return;
    }
    int32_t used = 0;
    const TempDesc* last = nullptr;
    for (const TempDesc* e = pool.head; e != nullptr && used <= TEMP_DESC_COUNT; e = e->next) {
        FUZZ_CHECK(e->prev == last);
        last = e;
        used += 1;
    }
    FUZZ_CHECK(used == expected_in_use);
    FUZZ_CHECK(last == pool.tail);
    int32_t free_count = 0;
    for (const TempDesc* e = pool.free_list; e != nullptr && free_count <= TEMP_DESC_COUNT; e = e->prev) {
        free_count += 1;
    }
    FUZZ_CHECK(free_count == TEMP_DESC_COUNT - expected_in_use);
    const StringDesc* empty = str_empty();
    FUZZ_CHECK(empty->data == nullptr && empty->length == 0 && empty->capacity == 0);
}
