// The real terminal: raw, non-echoing input on standard input and escape
// sequences on standard output, with code page 850 shown as UTF-8 unless the
// locale itself is code page 850.
#pragma once

#include "screen/terminal.h"

namespace term {

// Puts the terminal into raw mode (saving the mode found, once, and arranging for
// it to be restored at exit and on fatal signals) and returns the backend.
// Returns a backend that writes plain text when standard output is no terminal.
Backend* OpenPosixTerminal();

// Leaves the alternate screen, resets attributes, shows the cursor and restores
// the terminal mode found at OpenPosixTerminal. Safe to call more than once.
void ClosePosixTerminal();

}  // namespace term
