#include "tests/support/conditions_fuzz_check.h"

#include <cstring>

#include "game/conditions.h"
#include "game/signs.h"
#include "shell/conditions_file.h"
#include "shell/names.h"

namespace testsupport {
namespace {

using mtspiel::X;

bool IsSign(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

// The record as the program writes it: what must read back unchanged.
void Record(uint8_t out[80]) {
  std::memcpy(out, &X, 80);
}

}  // namespace

std::string CheckConditionsInput(const uint8_t* bytes, size_t len, uint32_t& repair_path) {
  morvandeltrisk::BEDINGUNGEN_AUS_BYTES(bytes, len);
  morvandeltrisk::FARBEN_PRUEFEN(true);

  uint8_t got[80];
  Record(got);
  repair_path = 0;
  if (len < 80) {
    repair_path = 1u << 14;
  } else {
    for (int i = 0; i < 14; ++i) {
      const bool is_bool = i >= 8;
      const bool same = is_bool ? ((bytes[i] != 0) == (got[i] != 0)) : bytes[i] == got[i];
      if (!same) repair_path |= 1u << i;
    }
  }

  if (X.LAENGE < 2 || X.LAENGE > 9) return "LAENGE out of range";
  if (X.RESERVE < 1 || X.RESERVE > 8) return "RESERVE out of range";
  if (X.SPEICHER < 1 || X.SPEICHER > 15) return "SPEICHER out of range";
  if (X.ZEITGRENZE > 9) return "ZEITGRENZE out of range";
  if (!IsSign(X.ERSTES) || !IsSign(X.LETZTES)) return "a sign of the set is no sign";
  if (X.ERSTES == X.LETZTES) return "a set of one sign";
  if (X.ATTR_NORMAL >= 128 || X.ATTR_HERVOR >= 128) return "blinking colour";
  if ((X.ATTR_NORMAL & 15) == (X.ATTR_NORMAL >> 4)) return "invisible ordinary text";
  if ((X.ATTR_HERVOR & 15) == (X.ATTR_HERVOR >> 4)) return "invisible emphasis";
  for (size_t i = 8; i < 14; ++i)
    if (got[i] > 1) return "a Boolean byte other than 0 or 1";

  // Derived values: the sign tables number the ring from ERSTES to LETZTES.
  const int n = mtspiel::MAXFARBE;
  if (n < 2 || n > 36) return "MAXFARBE out of range";
  if (mtspiel::NR(X.ERSTES) != 1) return "ERSTES is not sign 1";
  if (mtspiel::NR(X.LETZTES) != n) return "LETZTES is not sign MAXFARBE";
  if (X.LAENGE > n && !X.WDHG) return "more places than signs without repetition";
  if (mtspiel::FARBARRAY[0] != '*') return "vacant sign";
  for (int k = 1; k <= 36; ++k) {
    const char c = mtspiel::FARBARRAY[k];
    if (!IsSign(c) || mtspiel::NR(c) != k) return "sign tables disagree";
    if (mtspiel::IST_ZEICHEN(c) != (k <= n)) return "IST_ZEICHEN disagrees with MAXFARBE";
  }
  if (mtspiel::ZEITLIMIT != X.ZEITGRENZE * 1000 ||
      mtspiel::ZEITLIMIT99 != mtspiel::ZEITLIMIT + 99 ||
      mtspiel::ZEITLIMIT_DIV_10 != X.ZEITGRENZE * 100)
    return "time limits disagree with ZEITGRENZE";

  // What was read needs no further repair: as written (names shaped) it reads
  // back byte for byte.
  morvandeltrisk::NAMEOK(false);
  uint8_t written[80];
  Record(written);
  morvandeltrisk::BEDINGUNGEN_AUS_BYTES(written, 80);
  morvandeltrisk::FARBEN_PRUEFEN(true);
  uint8_t again[80];
  Record(again);
  if (std::memcmp(written, again, 80) != 0) return "the repaired record is repaired again";
  return "";
}

std::string CheckWrittenRecord(const uint8_t* bytes, size_t len) {
  if (len != 80) return "the conditions file holds " + std::to_string(len) + " bytes, not 80";
  morvandeltrisk::BEDINGUNGEN_AUS_BYTES(bytes, len);
  morvandeltrisk::FARBEN_PRUEFEN(true);
  morvandeltrisk::NAMEOK(false);
  uint8_t again[80];
  Record(again);
  for (int i = 0; i < 80; ++i)
    if (again[i] != bytes[i])
      return "byte " + std::to_string(i) + " of the conditions file is repaired on reading (" +
             std::to_string(bytes[i]) + " -> " + std::to_string(again[i]) + ")";
  return "";
}

}  // namespace testsupport
