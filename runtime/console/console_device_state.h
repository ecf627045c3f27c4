// The console device's own state: the colour pair, the colour table and the
// view area. Shared by the device's source files only.
#pragma once

#include <cstdint>

#include "runtime/console/console_device.h"

struct ConsoleDeviceState {
    int32_t foreground;  // attribute nibble
    int32_t background;  // attribute nibble
    ColourTable colours;
    ViewArea view;       // 0-based; -1 while unresolved
};

extern ConsoleDeviceState console_device_state;
