// What the parts of the terminal side tell each other: the keyboard, the
// renderer and the terminal session (raw mode, signals, size). Nothing
// outside platform/ includes this.
#pragma once

// Forgets keys decoded, the line being edited, a line not yet handed out
// and the line history.
void keyboard_reset();

// As if SIGWINCH had come: the next present takes the terminal's size and
// redraws everything.
void terminal_note_resize();

// Takes in what signals have recorded since the last present: a new
// terminal size (the buffer follows) or a resume from a stop (raw mode
// again, full redraw). terminal_present does this first; the keyboard
// calls it before, so a line being edited can be laid out anew first.
void terminal_apply_signals();

// True when the real terminal has certainly had no key typed since a read
// found it empty (it signals arrivals): a check for keys may skip reading.
// False whenever that is not known.
bool terminal_input_quiet();
