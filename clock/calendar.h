// The weekday calendar over the years 0000..9999 and the virtual date of the game.
#pragma once

#include <cstdint>

#include "clock/date_rules.h"

namespace zuf {

// Main-menu choice 3. Starts from today (dropping a virtual date set before)
// and lets the date be edited; the date on screen when the user leaves becomes
// the game's date: virtualdate is false when it is today, and datum holds it.
// The system clock is never touched.
void KALENDER(bool german, uint8_t colour1, uint8_t colour2, bool& virtualdate, DATUM& datum);

}  // namespace zuf
