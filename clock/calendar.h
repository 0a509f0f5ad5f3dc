// The weekday calendar over the years 0000..9999 and the virtual date of the game.
#pragma once

#include <cstdint>

namespace zuf {

// Main-menu choice 3. Starts from today (dropping a virtual date set before)
// and lets the date be edited; the date on screen when the user leaves becomes
// the game's date: virtualdate is false when it is today, and jahr, monat, tag,
// wotag (0 = Sunday) hold it. The system clock is never touched.
void KALENDER(bool german, uint8_t colour1, uint8_t colour2, bool& virtualdate, uint16_t& jahr,
              uint16_t& monat, uint16_t& tag, uint16_t& wotag);

}  // namespace zuf
