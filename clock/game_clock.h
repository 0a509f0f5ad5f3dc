// The game clock: date, time of day, game, guessing and answering durations,
// and the computer's progress row, all drawn by SCHREIBE_ZEIT_FPC. Times are
// hundredths of a second since local midnight (a day is 8,640,000).
#pragma once

#include <cstdint>
#include <string>

#include "clock/date_rules.h"
#include "game/input.h"

namespace mtspiel {

using zuf::DATUM;

// A time field of the game screen: hours, minutes and seconds as shown, the
// values last drawn (a field is redrawn only where they differ), and whether a
// duration is still below 100 hours (afterwards its field freezes).
struct ZEITFELD {
  uint16_t STD = 0, MIN = 0, SEK = 0;
  uint16_t STD_ALT = 0, MIN_ALT = 0, SEK_ALT = 0;
  bool KL100 = true;
};

// Time of day of the latest reading and the one last drawn; its hundredths.
inline ZEITFELD UHRZEIT;
inline uint16_t HSEK = 0;
inline uint16_t STD_MOD24 = 0;
// Date shown, and the day of the date line last drawn.
inline DATUM DATUM_ANZEIGE{2026, 1, 1, 4};
inline uint16_t TAG_ALT = 0;
// The clock runs; while false SCHREIBE_ZEIT_FPC draws nothing.
inline bool ZEITEIN = false;
// Start of the game and latest reading, in whole seconds (hundredths part 0).
inline int32_t ANFANGSZEIT = 0;
inline int32_t AKTUELLEZEIT = 0;
// RATENDRAN (game/input.h) at the previous call.
inline bool RATENDRAN_ALT = false;
inline int32_t MERKE_RATE_ZEIT = 0;  // start of the running guessing phase
inline int32_t HILFSZEIT = 0;        // sum of the completed guessing phases
inline int32_t RATE_ZEIT = 0;        // total guessing time including the running phase
// Game, guessing and answering durations (rows 21, 22, 23).
inline ZEITFELD ZEIT_SPIEL, ZEIT_RATEN, ZEIT_ANTW;
// The computer's work on a trial: requests and readings.
inline bool SETZE_RATE_ZEIT_AKT = false;
inline int32_t MERKE_RATE_ZEIT_AKT = 0;
inline bool SETZEZEITLETZTERVERSUCH = false;
inline int32_t MERKEZEITLETZTERVERSUCH = 0;
inline bool RATEN_ZEITANZEIGE = false;       // the progress row is shown
inline int32_t SPIELZEIT = 0;                // time spent on the current trial
inline int32_t RESTZEIT = 0, RESTZEIT2 = 0;  // estimate of the time still needed
inline int32_t ZAHL_DER_STERNE = 0;          // progress stars shown, 0..10
// SPIELZEIT and RESTZEIT as shown on the progress row. Every search sets the
// first one's flag again under its own name.
inline ZEITFELD ZEIT_GERATEN, ZEIT_REST;
inline bool& ZEIT_GERATEN_KL100 = ZEIT_GERATEN.KL100;
// Progress of the running computer phase: the computer writes it, the
// progress row shows it.
inline int32_t ZAHL_DER_VERSUCHE = 0;  // records this phase will process
inline int32_t GERATENE_VERSUCHE = 0;  // records processed so far
inline int32_t NUMMER_PLUS = 0;        // candidates to examine before a cut
inline int32_t QU_10_2 = 0;            // progress in tenths
inline bool ZEITLIMIT_GR_0 = false;    // a time limit applies to the running search
inline bool NEUER_KANDIDAT = false;    // show the candidate being examined
// Sign numbers (positions 1..9) of the candidate being examined, shown by the clock.
inline uint8_t AKTUELL_ZEICHEN[10] = {};

// The virtual date of the game and the day after it.
inline bool VIRTUALDATE = false, VIRTUALOLDDATE = true;
inline DATUM VIRDATUM1{2026, 1, 1, 4};
inline DATUM VIRDATUM2{2026, 1, 2, 5};

// Reads the clock, keeps the time bookkeeping and redraws the fields that
// changed, at most once a second; the caller's cursor stays where it was.
void SCHREIBE_ZEIT_FPC();

// The progress row's stars (column 44, row 25): lengthens the bar to zehntel
// stars (at most 10) when that is more than ZAHL_DER_STERNE shows, then puts the
// cursor back at (x, y). The bar never shrinks within one computer phase.
void STERNE_ZEIGEN(int64_t zehntel, int x, int y);

// The day after the virtual date VIRDATUM1 into VIRDATUM2 (Julian before 1583,
// 4 October 1582 followed by 15 October 1582).
void ZWEITESDATUM();

// The date as the date line shows it: German "Montag, 7.12.2026," padded to 23
// characters, English "Sunday, 7th Dec. 2025," with the weekday shortened where
// the month leaves no room, padded to 24 (the fields end at the board's frame).
// The game-start line and the end-of-game display use it too.
std::string DATUMSTEXT(const DATUM& datum, bool deutsch);

// Resets the game's clock state at the start of a game, reads the clock, writes
// the start date and time (rows 17, 18) and the current ones (rows 19, 20) whole,
// and starts the clock (ZEITEIN := true). The board has drawn the labels and the
// zero durations already.
void SPIELUHR_STARTEN();

}  // namespace mtspiel
