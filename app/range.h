// The optical range between two antennas.
#pragma once

#include <cstdint>

// The range factor: kilometres per square root of a metre of height.
constexpr double RANGE_FACTOR = 4.0;

// 4 x (sqrt TX + sqrt RX) in whole kilometres, rounded to the nearest
// (halves to even). A height below zero counts as 0: an antenna at or below
// the reference surface adds no horizon of its own.
int32_t range_km_compute(int32_t tx_height, int32_t rx_height);
