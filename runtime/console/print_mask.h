// The flags given with every printed item, shared by the print layer and
// the text writer beneath it.
#pragma once

#include <cstdint>

// What follows an item: PRINT_NEWLINE ends the line; PRINT_PAD moves a
// string to the next 14-column print zone and fills an integer's field to
// 14 characters; both together only end the line.
using PrintMask = uint32_t;
constexpr PrintMask PRINT_NEWLINE = 1u << 0;
constexpr PrintMask PRINT_PAD = 1u << 1;
