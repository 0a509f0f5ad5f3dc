// The game clock: one routine that callers poll in their loops. It reads the
// clock, keeps the guessing/answering bookkeeping on every call and redraws the
// fields that changed once a second, leaving the caller's cursor alone.
#include "clock/game_clock.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "game/conditions.h"
#include "game/signs.h"
#include "screen/terminal.h"

namespace mtspiel {
namespace {

constexpr int32_t kDay = 8'640'000;             // hundredths in a day
constexpr int32_t kHundredHours = 36'000'000;   // durations freeze from here on
constexpr int64_t kLongintMax = 2'147'483'647;  // the largest estimate shown
constexpr uint16_t kNeverDrawn = 0xFFFF;        // forces the whole field to be drawn
constexpr int kRowStartDate = 17, kRowStartTime = 18;
constexpr int kRowDate = 19, kRowTime = 20;
constexpr int kRowGame = 21, kRowGuess = 22, kRowAnswer = 23;
constexpr int kRowProgress = 25;

// later - earlier of two readings since midnight; a later reading that is
// smaller means the clock passed midnight in between.
int32_t Diff(int32_t later, int32_t earlier) {
  int32_t d = later - earlier;
  return later < earlier ? d + kDay : d;
}

std::string TwoDigits(unsigned n) {
  return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

void WriteAt(int x, int y, std::string_view text) {
  term::GotoXY(x, y);
  term::Write(text);
}

// A time field drawn as hh <hm> mm <ms> ss with the changed-field rule: the whole
// field when the hour changed, minutes and seconds when the minute changed, else
// the second digits (only the units digit when the tens digit stayed).
struct FieldLayout {
  int x_whole;     // column of the hours
  int x_minutes;   // column of the minutes
  std::string hh;  // the hour as shown
  std::string hm;  // text between hours and minutes
  std::string ms;  // text between minutes and seconds
};

void DrawChanged(int row, const FieldLayout& f, ZEITFELD& z) {
  const int x_seconds = f.x_minutes + 2 + static_cast<int>(f.ms.size());
  if (z.STD != z.STD_ALT) {
    WriteAt(f.x_whole, row, f.hh + f.hm + TwoDigits(z.MIN) + f.ms + TwoDigits(z.SEK));
  } else if (z.MIN != z.MIN_ALT) {
    WriteAt(f.x_minutes, row, TwoDigits(z.MIN) + f.ms + TwoDigits(z.SEK));
  } else if (z.SEK / 10 != z.SEK_ALT / 10) {
    WriteAt(x_seconds, row, TwoDigits(z.SEK));
  } else if (z.SEK != z.SEK_ALT) {
    WriteAt(x_seconds + 1, row, std::string(1, static_cast<char>('0' + z.SEK % 10)));
  }
  z.STD_ALT = z.STD;
  z.MIN_ALT = z.MIN;
  z.SEK_ALT = z.SEK;
}

// Splits a duration in hundredths into the field's hours, minutes and seconds;
// 100 hours or more show as 99:59:59 and end the field's updates.
void SplitDuration(int64_t value, ZEITFELD& z) {
  if (value >= kHundredHours) {
    z.STD = 99;
    z.MIN = 59;
    z.SEK = 59;
    z.KL100 = false;
    return;
  }
  if (value < 0) value = 0;
  z.STD = static_cast<uint16_t>(value / 360000);
  z.MIN = static_cast<uint16_t>(value % 360000 / 6000);
  z.SEK = static_cast<uint16_t>(value % 6000 / 100);
}

FieldLayout DurationLayout(uint16_t h) {
  if (SP_D) return {16, 24, TwoDigits(h), " Std. ", " Min. "};
  return {15, 24, TwoDigits(h), " hours ", " min. "};
}

FieldLayout ProgressLayout(int x_whole, uint16_t h) {
  return {x_whole, x_whole + 3, TwoDigits(h), ".", "."};
}

// One of the three durations of rows 21..23, while still below 100 hours.
void DrawDuration(int row, int64_t value, ZEITFELD& z) {
  if (!z.KL100) return;
  SplitDuration(value, z);
  DrawChanged(row, DurationLayout(z.STD), z);
}

FieldLayout TimeOfDayLayout(uint16_t hour) {
  if (SP_D) return {16, 19, TwoDigits(hour), ".", " Uhr, "};
  const uint16_t h24 = hour % 24;
  const uint16_t h12 = h24 % 12;
  const char* half = h24 < 12 ? " a.m., " : " p.m., ";
  return {15, 18, h12 == 0 ? std::string("12") : TwoDigits(h12), ":", half};
}

constexpr std::string_view kWeekdayDe[7] = {"Sonntag, ",    "Montag, ",  "Dienstag, ", "Mittwoch, ",
                                            "Donnerstag, ", "Freitag, ", "Samstag, "};
constexpr std::string_view kMonthEn[13] = {"",      "Jan. ", "Feb. ", "March ", "April ",
                                           "May ",  "June ", "July ", "Aug. ",  "Sept. ",
                                           "Oct. ", "Nov. ", "Dec. "};

// The English weekday, full or short by the room the month name leaves.
std::string_view WeekdayEn(uint16_t weekday, int room) {
  switch (weekday) {
    case 0:
      return "Sunday, ";
    case 1:
      return "Monday, ";
    case 2:
      return room == 0 ? "Tues., " : "Tuesday, ";
    case 3:
      return room >= 3 ? "Wednesday, " : "Weds., ";
    case 4:
      return room >= 2 ? "Thursday, " : "Thurs., ";
    case 5:
      return "Friday, ";
    default:
      return room >= 2 ? "Saturday, " : "Sat., ";
  }
}

std::string FourDigits(unsigned year) {
  std::string y = std::to_string(year);
  return y.size() < 4 ? std::string(4 - y.size(), '0') + y : y;
}

}  // namespace

std::string DATUMSTEXT(const DATUM& datum, bool deutsch) {
  const uint16_t tag = datum.TAG, monat = datum.MONAT, wotag = datum.WOTAG;
  std::string text;
  if (deutsch) {
    text = std::string(kWeekdayDe[wotag % 7]) + std::to_string(tag) + "." + std::to_string(monat) +
           "." + FourDigits(datum.JAHR) + ",";
    if (text.size() < 23) text.append(23 - text.size(), ' ');
    return text;
  }
  const std::string_view month = kMonthEn[monat >= 1 && monat <= 12 ? monat : 1];
  const int room = 6 - static_cast<int>(month.size()) + (tag < 10 ? 1 : 0);
  const unsigned units = tag % 10;
  const char* suffix = (tag / 10 == 1) ? "th "
                       : units == 1    ? "st "
                       : units == 2    ? "nd "
                       : units == 3    ? "rd "
                                       : "th ";
  text = std::string(WeekdayEn(wotag % 7, room)) + std::to_string(tag) + suffix +
         std::string(month) + FourDigits(datum.JAHR) + ",";
  // The English field runs from column 15 to the frame at column 39: a shorter
  // date must blank what a longer one left there.
  if (text.size() < 24) text.append(24 - text.size(), ' ');
  return text;
}

namespace {

void DrawDate(int row) {
  WriteAt(SP_D ? 16 : 15, row, DATUMSTEXT(DATUM_ANZEIGE, SP_D));
}

void DrawWholeTime(int row) {
  ZEITFELD z = UHRZEIT;
  z.STD_ALT = z.MIN_ALT = z.SEK_ALT = kNeverDrawn;
  DrawChanged(row, TimeOfDayLayout(z.STD), z);
}

// Reads the system clock into UHRZEIT and HSEK.
void ReadClock() {
  term::GetTime(UHRZEIT.STD, UHRZEIT.MIN, UHRZEIT.SEK, HSEK);
  STD_MOD24 = UHRZEIT.STD % 24;
}

int32_t Reading() {
  return UHRZEIT.STD * 360000 + UHRZEIT.MIN * 6000 + UHRZEIT.SEK * 100 + HSEK;
}

// Step 11 of a call: the computer's progress row.
void DrawProgress(int32_t t, int cursor_x, int cursor_y) {
  if (NEUER_KANDIDAT) {
    NEUER_KANDIDAT = false;
    std::string signs;
    for (int i = 1; i <= X.LAENGE && i <= 9; ++i)
      signs += FARBARRAY[AKTUELL_ZEICHEN[i] <= 36 ? AKTUELL_ZEICHEN[i] : 0];
    WriteAt(cursor_x, cursor_y, signs);
  }

  const int64_t d = Diff(MERKEZEITLETZTERVERSUCH, MERKE_RATE_ZEIT_AKT);
  const int64_t done = GERATENE_VERSUCHE;
  if (d < 1 || done < 1 || done >= ZAHL_DER_VERSUCHE) {
    RESTZEIT = 0;
    if (done >= ZAHL_DER_VERSUCHE) {
      STERNE_ZEIGEN(10, term::WhereX(), term::WhereY());
    }
  } else {
    const int64_t per = d / done;
    const int64_t cut = std::min<int64_t>(per, Diff(t, MERKEZEITLETZTERVERSUCH));
    RESTZEIT = static_cast<int32_t>(
        std::min<int64_t>((ZAHL_DER_VERSUCHE - done) * d / done - cut, kLongintMax));
    if (ZEITLIMIT_GR_0 && ZEITLIMIT99 - d < RESTZEIT) {
      RESTZEIT = static_cast<int32_t>(std::max<int64_t>(ZEITLIMIT99 - d, 0));
      if (done <= NUMMER_PLUS) {
        RESTZEIT2 = static_cast<int32_t>(
            std::min<int64_t>((NUMMER_PLUS - done) * d / done - cut, kLongintMax));
        RESTZEIT = std::max(RESTZEIT, RESTZEIT2);
      }
      // Each star is a tenth of the time limit or of the candidates within
      // it, whichever is less; the bar never shrinks within one search.
      int64_t n = 10;
      if (ZEITLIMIT_DIV_10 > 0) n = std::min<int64_t>(n, d / ZEITLIMIT_DIV_10);
      if (NUMMER_PLUS > 0) n = std::min<int64_t>(n, done * 10 / NUMMER_PLUS);
      STERNE_ZEIGEN(n, term::WhereX(), term::WhereY());
    }
  }

  if (ZEIT_GERATEN.KL100) {
    SplitDuration(SPIELZEIT, ZEIT_GERATEN);
    DrawChanged(kRowProgress, ProgressLayout(35, ZEIT_GERATEN.STD), ZEIT_GERATEN);
  }
  if (RESTZEIT >= 0) {
    // The estimate can fall below 100 hours again: its field never freezes.
    ZEIT_REST.KL100 = true;
    SplitDuration(RESTZEIT, ZEIT_REST);
    DrawChanged(kRowProgress, ProgressLayout(72, ZEIT_REST.STD), ZEIT_REST);
  }
}

}  // namespace

void STERNE_ZEIGEN(int64_t zehntel, int x, int y) {
  const int32_t n = static_cast<int32_t>(std::clamp<int64_t>(zehntel, 0, 10));
  if (n <= ZAHL_DER_STERNE) return;
  WriteAt(44, kRowProgress, std::string(static_cast<size_t>(n), '*'));
  ZAHL_DER_STERNE = n;
  term::GotoXY(x, y);
}

void SCHREIBE_ZEIT_FPC() {
  const int cursor_x = term::WhereX();
  const int cursor_y = term::WhereY();
  ReadClock();
  if (!ZEITEIN) return;
  const int32_t t = Reading();

  if (RATENDRAN != RATENDRAN_ALT) {
    RATENDRAN_ALT = RATENDRAN;
    if (RATENDRAN) {
      MERKE_RATE_ZEIT = t;
    } else {
      HILFSZEIT += Diff(t, MERKE_RATE_ZEIT);
    }
  }
  if (SETZE_RATE_ZEIT_AKT) {
    MERKE_RATE_ZEIT_AKT = t;
    SETZE_RATE_ZEIT_AKT = false;
  }
  if (SETZEZEITLETZTERVERSUCH) {
    MERKEZEITLETZTERVERSUCH = t;
    SETZEZEITLETZTERVERSUCH = false;
  }
  // Kept fresh on every call: the computer's search reads it to stop at its
  // time limit, and a value left from the previous trial would cut it short.
  if (RATEN_ZEITANZEIGE) SPIELZEIT = Diff(t, MERKE_RATE_ZEIT_AKT);

  // Everything below runs once a second. The whole time of day is compared, so
  // that a call exactly a minute after the previous one still redraws.
  if (UHRZEIT.SEK == UHRZEIT.SEK_ALT && UHRZEIT.MIN == UHRZEIT.MIN_ALT &&
      UHRZEIT.STD == UHRZEIT.STD_ALT)
    return;

  AKTUELLEZEIT = t - HSEK;
  int32_t game;
  if (AKTUELLEZEIT < ANFANGSZEIT) {
    game = AKTUELLEZEIT + kDay - ANFANGSZEIT;
    if (VIRTUALDATE) {
      DATUM_ANZEIGE = VIRDATUM2;
      VIRTUALOLDDATE = false;
    }
  } else {
    game = AKTUELLEZEIT - ANFANGSZEIT;
    if (VIRTUALDATE) {
      DATUM_ANZEIGE = VIRDATUM1;
      VIRTUALOLDDATE = true;
    }
  }
  if (!VIRTUALDATE) DATUM_ANZEIGE = zuf::HEUTE();

  RATE_ZEIT = RATENDRAN ? HILFSZEIT + Diff(t, MERKE_RATE_ZEIT) : HILFSZEIT;
  const int32_t guessed = RATE_ZEIT - RATE_ZEIT % 100;
  const int32_t answered = std::max(game - guessed, 0);

  if (DATUM_ANZEIGE.TAG != TAG_ALT) {
    TAG_ALT = DATUM_ANZEIGE.TAG;
    DrawDate(kRowDate);
  }
  DrawChanged(kRowTime, TimeOfDayLayout(UHRZEIT.STD), UHRZEIT);

  DrawDuration(kRowGame, game, ZEIT_SPIEL);
  DrawDuration(kRowGuess, guessed, ZEIT_RATEN);
  DrawDuration(kRowAnswer, answered, ZEIT_ANTW);

  if (RATEN_ZEITANZEIGE) DrawProgress(t, cursor_x, cursor_y);

  term::GotoXY(cursor_x, cursor_y);
}

void ZWEITESDATUM() {
  VIRDATUM2 = VIRDATUM1;
  if (VIRDATUM2.MONAT < 1 || VIRDATUM2.MONAT > 12) VIRDATUM2.MONAT = 1;
  zuf::NAECHSTER_TAG(VIRDATUM2);
}

void SPIELUHR_STARTEN() {
  const int cursor_x = term::WhereX();
  const int cursor_y = term::WhereY();

  // Every duration starts at zero and below 100 hours.
  ZEIT_SPIEL = ZEIT_RATEN = ZEIT_ANTW = ZEIT_GERATEN = ZEIT_REST = ZEITFELD{};
  SPIELZEIT = RESTZEIT = RESTZEIT2 = HILFSZEIT = RATE_ZEIT = 0;
  RATENDRAN = RATENDRAN_ALT = X.PC_RAET;

  ReadClock();
  DATUM_ANZEIGE = zuf::HEUTE();
  const int32_t t = Reading();
  ANFANGSZEIT = AKTUELLEZEIT = t - HSEK;
  // A guessing phase that runs from the start is measured from the start, not
  // from whatever the previous game left behind.
  MERKE_RATE_ZEIT = MERKE_RATE_ZEIT_AKT = MERKEZEITLETZTERVERSUCH = t;
  if (VIRTUALDATE) {
    DATUM_ANZEIGE = VIRDATUM1;
    VIRTUALOLDDATE = true;
  }

  // The start of the game, shown for the whole game.
  DrawDate(kRowStartDate);
  DrawWholeTime(kRowStartTime);

  // The first call draws the current date and time whole: nothing of them
  // stands on the fresh board yet. The durations' zeros are part of the board.
  TAG_ALT = 0;
  UHRZEIT.STD_ALT = UHRZEIT.MIN_ALT = UHRZEIT.SEK_ALT = kNeverDrawn;
  ZEITEIN = true;
  term::GotoXY(cursor_x, cursor_y);
  SCHREIBE_ZEIT_FPC();
}

}  // namespace mtspiel
