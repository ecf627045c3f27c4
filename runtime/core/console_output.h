// The console output handle: taken at start-up by runtime_init, used by
// every console operation of the runtime. Kept out of runtime.h, so that
// the calculator, which never touches it, does not see the platform.
#pragma once

#include "platform/platform.h"

// The handle GetStdHandle gave for standard output; defined in runtime.cpp.
extern platform::HANDLE console_output;
