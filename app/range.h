// The optical range between two antennas.
#pragma once

#include <cstdint>

// The range factor: kilometres per square root of a metre of height.
constexpr int32_t RANGE_FACTOR = 4;

// 4 x (sqrt TX + sqrt RX) in whole kilometres, the mathematically nearest
// integer on every machine: decided in integers, with no floating point.
// There are no halves to break a tie on: a sum of two square roots is
// rational only when both heights are perfect squares, and then the range is
// a whole number. A height below zero counts as 0: an antenna at or below
// the reference surface adds no horizon of its own.
int32_t range_km_compute(int32_t tx_height, int32_t rx_height);
