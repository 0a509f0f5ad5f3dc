// The date and time screen: the running system date and time, and a digit
// editor that passes corrections on to the system clock (which refuses them).
#pragma once

#include <cstdint>

namespace zuf {

// Main-menu choice 2. Shows the system date and time live and hands every
// accepted digit to SetDate/SetTime; the terminal layer never changes the
// clock, so the display shows the real clock again at its next refresh.
// Returns on Enter, Esc or Ctrl-C; changes no variable of the game.
void KORRIGIERE_ZEIT(bool german, uint8_t colour1, uint8_t colour2);

}  // namespace zuf
