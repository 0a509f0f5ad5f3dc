// The weekday calendar over the years 0000..9999 and the virtual date of the game.
#pragma once

#include <cstdint>

namespace zuf {

void KALENDER(bool german, uint8_t colour1, uint8_t colour2, bool& virtualdate, uint16_t& jahr,
              uint16_t& monat, uint16_t& tag, uint16_t& wotag);

}  // namespace zuf
