// The colour screen: background and the two text colours of every screen.
#pragma once

#include <cstdint>

namespace zuf {

void TEXTFARBE(bool german, bool farbbildschirm, uint8_t& colour1, uint8_t& colour2);

}  // namespace zuf
