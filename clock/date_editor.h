// The digit editor shared by the date and time screen (live: it shows the
// running system clock and passes every change on to it) and the calendar
// (not live: it edits a date of its own). The date rows sit on rows 18..21,
// the time rows on 23..25; values start at column 37.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "clock/date_rules.h"

namespace zuf {

// The date and time being shown and edited (weekday 0 = Sunday).
inline DATUM E_DATUM{2026, 1, 1, 4};
inline uint16_t E_STD = 0, E_MIN = 0, E_SEK = 0, E_HSEK = 0;
inline uint16_t E_STD_MOD24 = 0;  // for the English 12-hour note
// What is on the screen now; a field is redrawn only where it differs.
inline DATUM A_DATUM{0, 0, 0, 0};
inline uint16_t A_STD = 0, A_MIN = 0, A_SEK = 0;
// The date found at entry, which F1 brings back.
inline DATUM M_DATUM{2026, 1, 1, 4};
inline bool M_SCHALT = false;
// The edited year is a leap year; the leap note on the screen.
inline bool SCHALT = false, A_SCHALT = false;
// German texts; attributes of ordinary and emphasised text.
inline bool DEUTSCH = true;
inline uint8_t NORMAL = 31, HERVOR = 30;
// The last key read: its kind and, for a digit, its value.
inline uint8_t TASTE = 0;
inline uint8_t ZIFFERNWERT = 0;
// The screen has the time rows (the date and time screen) or not (the calendar).
inline bool MIT_ZEIT = true;

// The digit positions: year thousands..units, month, day, hour, minute,
// second, each tens then units.
enum STELLE : int {
  JAHR_1000,
  JAHR_100,
  JAHR_10,
  JAHR_1,
  MONAT_10,
  MONAT_1,
  TAG_10,
  TAG_1,
  STD_10,
  STD_1,
  MIN_10,
  MIN_1,
  SEK_10,
  SEK_1,
};

// What the key reader returns.
enum TASTENART { ENDE, HOCH, RUNTER, LINKS, RECHTS, ZIFFER };

// Column and row of a digit position on the screen.
int SPALTE(int stelle);
int ZEILE(int stelle);

// Whether a position may be edited now (month tens only while the month's
// units digit is 0..2; day units not on the 30th of a month of 30 days), and
// the digits accepted there.
bool ANGEBOTEN(int stelle);
void GRENZEN(int stelle, int& kleinste, int& groesste);

// Puts a digit into its place of the edited date or time (no repair).
void ZIFFER_SETZEN(int stelle, int ziffer);

// The label rows 18..25 (date rows only without MIT_ZEIT) with the values
// shown in A_*; takes the shown values from the edited ones first.
void FELDER_ZEICHNEN(bool jahr_ab_1980);

// Live: reads the system date and time into the edited fields; otherwise
// computes the weekday and leap flag of the edited date. Then redraws every
// field that differs from what is shown, and puts the cursor back.
void ANZEIGE(bool live);

// Redraws the fields that differ, without reading the clock.
void ZEICHNEN();

// Repairs the edited date after a digit; live, hands it to the system clock
// when it differs from the one shown.
void DATUMSPRUEFUNG(bool live);

// Repairs the hour (above 23 becomes 20) and hands the time to the system
// clock when it differs from the one shown.
void ZEITPRUEFUNG();

// Waits for a key that means something here. Live, the display refreshes from
// the clock while no key comes. F1 (with Shift, Ctrl or Alt) restores the
// remembered date and waits on. Digits outside kleinste..groesste are ignored.
TASTENART TASTE_LESEN(bool live, int kleinste, int groesste);

// The editing loop over the positions of the screen until an end key.
// nach_taste, if given, runs after every key the reader returns (also the end key).
void BEARBEITEN(bool live, void (*nach_taste)());

// Starts a page of the editor: the language, colours and clock mode, the screen
// cleared, and the explanation rows written from row `zeile` on.
void SEITE_BEGINNEN(bool german, uint8_t colour1, uint8_t colour2, bool mit_zeit,
                    const std::string_view* text, size_t zeilen);
// Writes rows of marked text (~ switches the emphasis) from row `zeile` on.
void ZEILEN_SCHREIBEN(const std::string_view* text, size_t zeilen, int zeile);

}  // namespace zuf
