// The calendar rules shared by the date and time screen and the calendar:
// the proleptic Julian calendar up to 4 October 1582, the Gregorian calendar
// from 15 October 1582, and the repairs that keep an edited date valid.
#pragma once

#include <cstdint>

namespace zuf {

// A date: year, month 1..12, day 1..31 and its weekday, 0 = Sunday .. 6 = Saturday.
struct DATUM {
  uint16_t JAHR, MONAT, TAG, WOTAG;
};

// Both dates name the same day (the weekday is not compared).
bool GLEICHER_TAG(const DATUM& a, const DATUM& b);

// The system's date now.
DATUM HEUTE();

// Leap year: before 1583, or when not divisible by 100, every fourth year
// (year 0 included); from 1583 on a century year only when divisible by 400.
bool SCHALTJAHR(int jahr);

// Leap year by the Gregorian rule alone, for the live system date.
bool SCHALTJAHR_GREGORIANISCH(int jahr);

// Number of days of a month (February by SCHALTJAHR).
int MONATSTAGE(int jahr, int monat);

// Weekday of a date, 0 = Sunday .. 6 = Saturday; Julian before 15 October 1582.
int WOCHENTAG(int jahr, int monat, int tag);

// Repairs a date after one digit was typed into it, so that it names a day
// that exists: month 13..19 loses 10, month 0 and day 0 become 10, days beyond
// the month are cut back, and the ten days dropped in October 1582 move on by
// ten. Returns the leap flag of the repaired year.
bool DATUM_REPARIEREN(uint16_t& jahr, uint16_t& monat, uint16_t& tag);

// The day after a date, across the change of calendars (4 to 15 October 1582),
// with the weekday moved on by one.
void NAECHSTER_TAG(DATUM& datum);

}  // namespace zuf
