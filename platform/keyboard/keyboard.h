// The keyboard's state behind _kbhit, _getch and fgets (declared in
// platform.h): keys decoded and not yet taken, the line being edited, a
// line not yet handed out in full, and the line history.
#pragma once

// Forgets all of it, giving back the blocks it holds (for a fresh console
// in tests).
void keyboard_reset();
