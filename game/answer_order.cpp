#include "game/answer_order.h"

#include "game/conditions.h"

namespace mtspiel {
namespace {

// The order of each length as "PT" digit pairs. Within the scheme (some but not
// all common signs in place; none in place; all in place; nothing in common;
// every sign in common) the order of the first groups was tuned by hand, so it is
// kept as a table rather than derived.
constexpr const char* kOrdnung[10] = {
    "",
    "00 11",
    "01 11 00 02 22",
    "12 01 02 11 22 00 03 13 33",
    "12 13 23 02 01 03 11 22 33 00 04 14 24 44",
    "12 13 14 23 24 34 02 03 01 04 11 22 33 44 00 05 15 25 35 55",
    "13 12 14 23 15 24 25 34 35 45 03 02 04 01 05 11 22 33 44 55 00 06 16 26 36 46 66",
    "13 14 12 15 23 24 25 34 16 26 35 36 45 46 56 03 04 02 05 01 06 11 22 33 44 55 66 "
    "00 07 17 27 37 47 57 77",
    "14 13 15 24 23 25 34 12 16 26 35 17 36 45 27 37 46 47 56 57 67 04 03 05 02 06 01 07 "
    "11 22 33 44 55 66 77 00 08 18 28 38 48 58 68 88",
    "14 15 24 13 25 16 23 12 17 26 34 35 18 27 36 28 45 37 46 38 47 56 48 57 58 67 68 78 "
    "04 05 03 06 02 07 01 08 11 22 33 44 55 66 77 88 00 09 19 29 39 49 59 69 79 99",
};

}  // namespace

void REIHENFOLGE() {
  if (X.LAENGE == LETZTEZAHL) return;
  LETZTEZAHL = X.LAENGE;
  ZAHL_DER_GRUPPEN = 0;
  if (X.LAENGE < 1 || X.LAENGE > 9) return;
  int i = 0;
  for (const char* c = kOrdnung[X.LAENGE]; *c; ++c) {
    if (*c == ' ') continue;
    ++i;
    POS_ORD[i] = static_cast<uint8_t>(c[0] - '0');
    ZEI_ORD[i] = static_cast<uint8_t>(c[1] - '0');
    ++c;
  }
  ZAHL_DER_GRUPPEN = static_cast<uint8_t>(i);
}

void GROESSTE_KLASSE(const KLASSENTABELLE& klassen, uint8_t& p, uint8_t& t) {
  p = POS_ORD[1];
  t = ZEI_ORD[1];
  int32_t best = klassen[t][p];
  for (int i = 2; i <= ZAHL_DER_GRUPPEN; ++i) {
    const int32_t n = klassen[ZEI_ORD[i]][POS_ORD[i]];
    if (n > best) {
      best = n;
      p = POS_ORD[i];
      t = ZEI_ORD[i];
    }
  }
}

}  // namespace mtspiel
