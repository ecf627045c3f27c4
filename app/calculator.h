// The calculator: lays out the screen, asks the two heights, shows the range
// and waits for a key.
#pragma once

#include <cstdint>

struct CalculatorVariables {
    int32_t tx_input;   // the field read for the transmitting antenna
    int32_t rx_input;   // the field read for the receiving antenna
    int32_t tx_height;  // TX height in metres used by the formula
    int32_t rx_height;  // RX height in metres used by the formula
    int32_t range_km;   // the optical range in kilometres
};

extern CalculatorVariables calculator;

// Everything between start-up and shutdown, in order.
void calculator_run();
