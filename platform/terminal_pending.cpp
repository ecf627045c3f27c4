// Placeholder for the terminal side while it is being written: no terminal
// is connected, so the console acts as a file. The terminal developer deletes
// this file (and its line in CMakeLists.txt) when terminal_open,
// terminal_present and terminal_reset land.
#include "platform/console_state.h"

bool terminal_open() { return false; }
void terminal_present() {}
void terminal_reset() {}
