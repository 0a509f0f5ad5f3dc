#include "clock/date_rules.h"

#include "screen/terminal.h"

namespace zuf {
namespace {

// Days of the months before each month in a common year.
constexpr int kVorTage[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

bool GLEICHER_TAG(const DATUM& a, const DATUM& b) {
  return a.JAHR == b.JAHR && a.MONAT == b.MONAT && a.TAG == b.TAG;
}

DATUM HEUTE() {
  DATUM d;
  term::GetDate(d.JAHR, d.MONAT, d.TAG, d.WOTAG);
  return d;
}

bool SCHALTJAHR(int jahr) {
  if (jahr < 1583 || jahr % 100 != 0) return jahr % 4 == 0;
  return jahr % 400 == 0;
}

bool SCHALTJAHR_GREGORIANISCH(int jahr) {
  if (jahr % 100 == 0) return jahr % 400 == 0;
  return jahr % 4 == 0;
}

int MONATSTAGE(int jahr, int monat) {
  switch (monat) {
    case 2:
      return SCHALTJAHR(jahr) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    default:
      return 31;
  }
}

int WOCHENTAG(int jahr, int monat, int tag) {
  const int y1 = jahr - 1;
  int w;
  if (jahr == 0) {
    w = 3;
  } else if (jahr < 1582 || (jahr == 1582 && (monat < 10 || (monat == 10 && tag < 10)))) {
    w = (jahr + 4 + y1 / 4) % 7;  // Julian
  } else {
    w = (y1 / 4 + jahr + 6 - y1 / 100 + y1 / 400) % 7;  // Gregorian
  }
  if (SCHALTJAHR(jahr) && monat > 2) ++w;
  w += kVorTage[monat];
  return (w + tag) % 7;
}

bool DATUM_REPARIEREN(uint16_t& jahr, uint16_t& monat, uint16_t& tag) {
  if (monat > 12) monat -= 10;
  if (monat == 0) monat = 10;
  if (tag == 0) tag = 10;
  if (tag > 31) tag = 30;
  if (tag == 31 && (monat == 4 || monat == 6 || monat == 9 || monat == 11)) tag = 30;
  const bool schalt = SCHALTJAHR(jahr);
  if (monat == 2 && tag > 28) tag = schalt ? 29 : 28;
  // 4 October 1582 was followed by 15 October 1582.
  if (jahr == 1582 && monat == 10 && tag >= 5 && tag <= 14) tag += 10;
  return schalt;
}

void NAECHSTER_TAG(DATUM& d) {
  d.WOTAG = static_cast<uint16_t>((d.WOTAG + 1) % 7);
  if (d.JAHR == 1582 && d.MONAT == 10 && d.TAG == 4) {
    d.TAG = 15;  // the days between were dropped when the calendar changed
  } else if (d.TAG < MONATSTAGE(d.JAHR, d.MONAT)) {
    ++d.TAG;
  } else {
    d.TAG = 1;
    if (++d.MONAT > 12) {
      d.MONAT = 1;
      ++d.JAHR;
    }
  }
}

}  // namespace zuf
