// The colour screen: background and the two text colours of every screen.
#pragma once

#include <cstdint>

namespace zuf {

// Main-menu choice 4. Digits choose the common background, small letters the
// ordinary and capital letters the emphasised text colour, with the effect
// shown at once; keys that would change nothing or make text unreadable are
// ignored. The attributes are changed in place (the caller saves them) and
// kept when the user leaves with Enter, Esc or Ctrl-C. A monochrome terminal
// (farbbildschirm false) offers black and light grey backgrounds and black,
// light grey and white text only.
void TEXTFARBE(bool german, bool farbbildschirm, uint8_t& colour1, uint8_t& colour2);

}  // namespace zuf
