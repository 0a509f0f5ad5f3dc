#include "clock/date_rules.h"

namespace zuf {
namespace {

// Days of the months before each month in a common year.
constexpr int kVorTage[13] = {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

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

void NAECHSTER_TAG(uint16_t& jahr, uint16_t& monat, uint16_t& tag) {
  if (jahr == 1582 && monat == 10 && tag == 4) {
    tag = 15;
  } else if (tag < MONATSTAGE(jahr, monat)) {
    ++tag;
  } else {
    tag = 1;
    if (++monat > 12) {
      monat = 1;
      ++jahr;
    }
  }
}

}  // namespace zuf
