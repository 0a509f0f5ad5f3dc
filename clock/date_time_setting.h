// The date and time screen: the running system date and time, and a digit
// editor that passes corrections on to the system clock (which refuses them).
#pragma once

#include <cstdint>

namespace zuf {

void KORRIGIERE_ZEIT(bool german, uint8_t colour1, uint8_t colour2);

}  // namespace zuf
