// The game clock: one routine that callers poll in their loops. It reads the
// clock, keeps the guessing/answering bookkeeping on every call and redraws the
// fields that changed once a second, leaving the caller's cursor alone.
#include "clock/game_clock.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "engine/engine_state.h"
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

void DrawChanged(int row, const FieldLayout& f, uint16_t h, uint16_t m, uint16_t s, uint16_t& h_alt,
                 uint16_t& m_alt, uint16_t& s_alt) {
  const int x_seconds = f.x_minutes + 2 + static_cast<int>(f.ms.size());
  if (h != h_alt) {
    WriteAt(f.x_whole, row, f.hh + f.hm + TwoDigits(m) + f.ms + TwoDigits(s));
  } else if (m != m_alt) {
    WriteAt(f.x_minutes, row, TwoDigits(m) + f.ms + TwoDigits(s));
  } else if (s / 10 != s_alt / 10) {
    WriteAt(x_seconds, row, TwoDigits(s));
  } else if (s != s_alt) {
    WriteAt(x_seconds + 1, row, std::string(1, static_cast<char>('0' + s % 10)));
  }
  h_alt = h;
  m_alt = m;
  s_alt = s;
}

// Splits a duration in hundredths into the shown hours, minutes and seconds;
// 100 hours or more show as 99:59:59 and end the field's updates.
void SplitDuration(int64_t value, uint16_t& h, uint16_t& m, uint16_t& s, bool& below100) {
  if (value >= kHundredHours) {
    h = 99;
    m = 59;
    s = 59;
    below100 = false;
    return;
  }
  if (value < 0) value = 0;
  h = static_cast<uint16_t>(value / 360000);
  m = static_cast<uint16_t>(value % 360000 / 6000);
  s = static_cast<uint16_t>(value % 6000 / 100);
}

FieldLayout DurationLayout(uint16_t h) {
  if (SP_D) return {16, 24, TwoDigits(h), " Std. ", " Min. "};
  return {15, 24, TwoDigits(h), " hours ", " min. "};
}

FieldLayout ProgressLayout(int x_whole, uint16_t h) {
  return {x_whole, x_whole + 3, TwoDigits(h), ".", "."};
}

// One of the three durations of rows 21..23, while still below 100 hours.
void DrawDuration(int row, int64_t value, uint16_t& h, uint16_t& m, uint16_t& s, uint16_t& h_alt,
                  uint16_t& m_alt, uint16_t& s_alt, bool& below100) {
  if (!below100) return;
  SplitDuration(value, h, m, s, below100);
  DrawChanged(row, DurationLayout(h), h, m, s, h_alt, m_alt, s_alt);
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

std::string DATUMSTEXT(uint16_t jahr, uint16_t monat, uint16_t tag, uint16_t wotag, bool deutsch) {
  std::string text;
  if (deutsch) {
    text = std::string(kWeekdayDe[wotag % 7]) + std::to_string(tag) + "." + std::to_string(monat) +
           "." + FourDigits(jahr) + ",";
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
         std::string(month) + FourDigits(jahr) + ",";
  // The English field runs from column 15 to the frame at column 39: a shorter
  // date must blank what a longer one left there.
  if (text.size() < 24) text.append(24 - text.size(), ' ');
  return text;
}

namespace {

void DrawDate(int row) {
  WriteAt(SP_D ? 16 : 15, row, DATUMSTEXT(JAHR, MONAT, TAG, WOTAG, SP_D));
}

void DrawWholeTime(int row) {
  uint16_t h = kNeverDrawn, m = kNeverDrawn, s = kNeverDrawn;
  DrawChanged(row, TimeOfDayLayout(STD), STD, MIN, SEK, h, m, s);
}

int32_t Reading() {
  return STD * 360000 + MIN * 6000 + SEK * 100 + HSEK;
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

  if (ZEIT_GERATEN_KL100) {
    SplitDuration(SPIELZEIT, STD_GERATEN, MIN_GERATEN, SEK_GERATEN, ZEIT_GERATEN_KL100);
    DrawChanged(kRowProgress, ProgressLayout(35, STD_GERATEN), STD_GERATEN, MIN_GERATEN,
                SEK_GERATEN, STD_GERATEN_ALT, MIN_GERATEN_ALT, SEK_GERATEN_ALT);
  }
  if (RESTZEIT >= 0) {
    bool below100 = true;
    SplitDuration(RESTZEIT, STD_REST, MIN_REST, SEK_REST, below100);
    DrawChanged(kRowProgress, ProgressLayout(72, STD_REST), STD_REST, MIN_REST, SEK_REST,
                STD_REST_ALT, MIN_REST_ALT, SEK_REST_ALT);
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
  term::GetTime(STD, MIN, SEK, HSEK);
  STD_MOD24 = STD % 24;
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
  if (SEK == SEK_ALT && MIN == MIN_ALT && STD == STD_ALT) return;

  AKTUELLEZEIT = t - HSEK;
  int32_t game;
  if (AKTUELLEZEIT < ANFANGSZEIT) {
    game = AKTUELLEZEIT + kDay - ANFANGSZEIT;
    if (VIRTUALDATE) {
      JAHR = VIRJ2, MONAT = VIRM2, TAG = VIRT2, WOTAG = VIRWT2;
      VIRTUALOLDDATE = false;
    }
  } else {
    game = AKTUELLEZEIT - ANFANGSZEIT;
    if (VIRTUALDATE) {
      JAHR = VIRJ1, MONAT = VIRM1, TAG = VIRT1, WOTAG = VIRWT1;
      VIRTUALOLDDATE = true;
    }
  }
  if (!VIRTUALDATE) term::GetDate(JAHR, MONAT, TAG, WOTAG);

  RATE_ZEIT = RATENDRAN ? HILFSZEIT + Diff(t, MERKE_RATE_ZEIT) : HILFSZEIT;
  const int32_t guessed = RATE_ZEIT - RATE_ZEIT % 100;
  const int32_t answered = std::max(game - guessed, 0);

  if (TAG != TAG_ALT) {
    TAG_ALT = TAG;
    DrawDate(kRowDate);
  }
  DrawChanged(kRowTime, TimeOfDayLayout(STD), STD, MIN, SEK, STD_ALT, MIN_ALT, SEK_ALT);

  DrawDuration(kRowGame, game, STD_SPIEL, MIN_SPIEL, SEK_SPIEL, STD_ALT_SPIEL, MIN_ALT_SPIEL,
               SEK_ALT_SPIEL, STD_SPIEL_KL100);
  DrawDuration(kRowGuess, guessed, STD_RATEN, MIN_RATEN, SEK_RATEN, STD_ALT_RATEN, MIN_ALT_RATEN,
               SEK_ALT_RATEN, STD_RATEN_KL100);
  DrawDuration(kRowAnswer, answered, STD_ANTW, MIN_ANTW, SEK_ANTW, STD_ALT_ANTW, MIN_ALT_ANTW,
               SEK_ALT_ANTW, STD_ANTW_KL100);

  if (RATEN_ZEITANZEIGE) DrawProgress(t, cursor_x, cursor_y);

  term::GotoXY(cursor_x, cursor_y);
}

void ZWEITESDATUM() {
  const unsigned y = VIRJ1;
  const bool leap = y >= 1583 ? (y % 4 == 0 && y % 100 != 0) || y % 400 == 0 : y % 4 == 0;
  static constexpr uint16_t kMonthDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const uint16_t month = VIRM1 >= 1 && VIRM1 <= 12 ? VIRM1 : 1;
  const uint16_t last = month == 2 && leap ? 29 : kMonthDays[month];

  VIRWT2 = static_cast<uint16_t>((VIRWT1 + 1) % 7);
  VIRJ2 = VIRJ1;
  VIRM2 = month;
  if (VIRJ1 == 1582 && month == 10 && VIRT1 == 4) {
    VIRT2 = 15;  // the days between were dropped when the calendar changed
  } else if (VIRT1 >= last) {
    VIRT2 = 1;
    if (month == 12) {
      VIRM2 = 1;
      VIRJ2 = static_cast<uint16_t>(VIRJ1 + 1);
    } else {
      VIRM2 = static_cast<uint16_t>(month + 1);
    }
  } else {
    VIRT2 = static_cast<uint16_t>(VIRT1 + 1);
  }
}

void SPIELUHR_STARTEN() {
  const int cursor_x = term::WhereX();
  const int cursor_y = term::WhereY();

  STD_SPIEL = MIN_SPIEL = SEK_SPIEL = STD_ALT_SPIEL = MIN_ALT_SPIEL = SEK_ALT_SPIEL = 0;
  STD_RATEN = MIN_RATEN = SEK_RATEN = STD_ALT_RATEN = MIN_ALT_RATEN = SEK_ALT_RATEN = 0;
  STD_ANTW = MIN_ANTW = SEK_ANTW = STD_ALT_ANTW = MIN_ALT_ANTW = SEK_ALT_ANTW = 0;
  STD_GERATEN = MIN_GERATEN = SEK_GERATEN = 0;
  STD_GERATEN_ALT = MIN_GERATEN_ALT = SEK_GERATEN_ALT = 0;
  STD_REST = MIN_REST = SEK_REST = STD_REST_ALT = MIN_REST_ALT = SEK_REST_ALT = 0;
  SPIELZEIT = RESTZEIT = RESTZEIT2 = HILFSZEIT = RATE_ZEIT = 0;
  STD_SPIEL_KL100 = STD_RATEN_KL100 = STD_ANTW_KL100 = ZEIT_GERATEN_KL100 = true;
  RATENDRAN = RATENDRAN_ALT = X.PC_RAET;

  term::GetTime(STD, MIN, SEK, HSEK);
  term::GetDate(JAHR, MONAT, TAG, WOTAG);
  STD_MOD24 = STD % 24;
  const int32_t t = Reading();
  ANFANGSZEIT = AKTUELLEZEIT = t - HSEK;
  // A guessing phase that runs from the start is measured from the start, not
  // from whatever the previous game left behind.
  MERKE_RATE_ZEIT = MERKE_RATE_ZEIT_AKT = MERKEZEITLETZTERVERSUCH = t;
  if (VIRTUALDATE) {
    JAHR = VIRJ1, MONAT = VIRM1, TAG = VIRT1, WOTAG = VIRWT1;
    VIRTUALOLDDATE = true;
  }

  // The start of the game, shown for the whole game.
  DrawDate(kRowStartDate);
  DrawWholeTime(kRowStartTime);

  // The first call draws the current date and time whole: nothing of them
  // stands on the fresh board yet. The durations' zeros are part of the board.
  TAG_ALT = 0;
  STD_ALT = MIN_ALT = SEK_ALT = kNeverDrawn;
  ZEITEIN = true;
  term::GotoXY(cursor_x, cursor_y);
  SCHREIBE_ZEIT_FPC();
}

}  // namespace mtspiel
