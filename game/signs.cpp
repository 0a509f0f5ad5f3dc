#include "game/signs.h"

namespace mtspiel {
namespace {

// Trials that suffice, [length - 2][repetitions][signs - 2], for 2..36 signs.
constexpr uint8_t kTrials[8][2][35] = {
    {{2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10, 11,
      11, 12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 19},
     {3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  10, 10, 11, 11,
      12, 12, 13, 13, 14, 14, 15, 15, 16, 16, 17, 17, 18, 18, 19, 19, 20}},
    {{3,  3,  4,  4,  5,  5,  6,  6,  6,  7,  7,  7,  8,  8,  8,  9,  9, 9,
      10, 10, 10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15},
     {3,  3,  4,  5,  5,  6,  6,  6,  7,  7,  7,  8,  8,  8,  9,  9,  9, 10,
      10, 10, 11, 11, 11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 15, 15, 15}},
    {{4,  4,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,  8,  9,  9,  9,  9, 10,
      10, 10, 10, 11, 11, 11, 11, 12, 12, 12, 12, 13, 13, 13, 13, 14, 14},
     {4,  4,  4,  5,  5,  6,  6,  7,  7,  7,  8,  8,  8,  9,  9,  9,  9, 10,
      10, 10, 10, 11, 11, 11, 11, 12, 12, 12, 12, 13, 13, 13, 13, 14, 14}},
    {{5,  4,  5,  5,  6,  6,  6,  7,  8,  8,  8,  9,  9,  9,  10, 10, 10, 10,
      11, 11, 11, 11, 12, 12, 12, 12, 13, 13, 13, 13, 13, 14, 14, 14, 14},
     {5,  4,  5,  5,  6,  6,  7,  7,  8,  8,  9,  9,  9,  9,  10, 10, 10, 11,
      11, 11, 11, 12, 12, 12, 12, 12, 13, 13, 13, 13, 13, 14, 14, 14, 14}},
    {{5,  5,  5,  6,  7,  7,  7,  8,  8,  8,  9,  9,  9,  10, 10, 10, 11, 11,
      11, 12, 12, 12, 13, 13, 13, 14, 14, 14, 14, 15, 15, 15, 15, 15, 16},
     {5,  5,  5,  6,  7,  7,  8,  8,  8,  9,  9,  9,  10, 10, 10, 11, 11, 11,
      12, 12, 12, 13, 13, 13, 13, 14, 14, 14, 14, 15, 15, 15, 15, 15, 16}},
    {{6,  5,  6, 7, 7, 8, 8, 8, 9, 9, 10, 10, 10, 10, 11, 12, 12, 12,
      12, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0,  0,  0,  0,  0,  0},
     {6,  5,  6, 7, 7, 8, 8, 8, 9, 9, 10, 10, 10, 11, 11, 12, 12, 12,
      12, 13, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0,  0,  0,  0,  0,  0}},
    {{6, 6, 6, 7, 8, 9, 9, 9, 10, 10, 10, 11, 11, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0,  0,  0,  0,  0,  0, 0, 0, 0},
     {6, 6, 6, 7, 8, 9, 9, 9, 10, 10, 11, 11, 11, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0, 0,  0,  0,  0,  0,  0, 0, 0, 0}},
    {{7, 6, 7, 8, 9, 10, 10, 11, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0},
     {7, 6, 7, 8, 9, 10, 10, 11, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0}},
};
// With two signs and the vacant sign allowed, lengths 4..9.
constexpr uint8_t kTrialsTwoSignsVacant[10] = {0, 0, 0, 0, 3, 3, 4, 4, 5, 5};

}  // namespace

uint8_t NRFUNKTION(char ch) {
  const uint8_t c = static_cast<uint8_t>(ch);
  if (c > '9') return static_cast<uint8_t>(c > XMINPLUS95 ? c - XMINPLUS95 : c - XMINPLUS59);
  return static_cast<uint8_t>(c > XMINPLUS20 ? c - XMINPLUS20 : c + PLUS20KOMPL);
}

char FARBFUNKTION(uint8_t n) {
  if (n == 0) return '*';
  const int m = (XMINPLUS34 + n) % 36;
  return static_cast<char>(m < 26 ? 'a' + m : '0' + (m - 26));
}

void POSITIONSWERTE(char erstes) {
  // Character code - 1 for a digit, - 76 for a letter: with the wrap-around
  // of byte arithmetic this numbers the whole ring from the first sign.
  XMINPLUS20 = static_cast<uint8_t>(erstes <= '9' ? erstes - 1 : erstes - 76);
  PLUS20KOMPL = static_cast<uint8_t>(36 - XMINPLUS20);
  XMINPLUS34 = static_cast<uint8_t>(XMINPLUS20 + 14);
  XMINPLUS59 = static_cast<uint8_t>(XMINPLUS20 + 39);
  XMINPLUS95 = static_cast<uint8_t>(XMINPLUS20 + 75);
}

void ZEICHENTABELLEN() {
  FARBARRAY[0] = '*';
  for (int k = 1; k <= 36; ++k) FARBARRAY[k] = FARBFUNKTION(static_cast<uint8_t>(k));
  for (char c = '0'; c <= 'z'; ++c) NRARRAY[c - '0'] = (c > '9' && c < 'a') ? 255 : NRFUNKTION(c);
  MAXFARBE = NR(X.LETZTES);
}

uint8_t NR(char c) {
  if (c < '0' || c > 'z') return 255;
  return NRARRAY[c - '0'];
}

bool IST_ZEICHEN(char c) {
  return ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')) && NR(c) <= MAXFARBE;
}

void BEWERTE(const CODE& g, const CODE& c, int laenge, uint8_t& p, uint8_t& s) {
  uint8_t in_g[37] = {}, in_c[37] = {};
  int pos = 0;
  for (int i = 1; i <= laenge; ++i) {
    if (g[i] != '*' && g[i] == c[i]) ++pos;
    const uint8_t a = NR(g[i]), b = NR(c[i]);
    if (g[i] != '*' && a <= 36) ++in_g[a];
    if (b <= 36) ++in_c[b];
  }
  int total = 0;
  for (int k = 1; k <= 36; ++k) total += in_g[k] < in_c[k] ? in_g[k] : in_c[k];
  p = static_cast<uint8_t>(pos);
  s = static_cast<uint8_t>(total - pos);
}

void LOESUNGSFARBEN_ZAEHLEN() {
  for (auto& n : LOESUNGSFARBEN) n = 0;
  for (int i = 1; i <= X.LAENGE; ++i) {
    const uint8_t k = NR(LOESUNG[i]);
    if (k >= 1 && k <= 36) ++LOESUNGSFARBEN[k];
  }
}

uint8_t WIEVIELE(uint8_t laenge, uint8_t farben, bool wdhg, bool leer) {
  if (laenge == 0) return 0;
  if (laenge == 1) return farben;
  if (farben <= 1) return farben;
  if (laenge > 9 || farben > 36) return 0;
  if (farben == 2 && leer && laenge >= 4) return kTrialsTwoSignsVacant[laenge];
  return kTrials[laenge - 2][wdhg ? 1 : 0][farben - 2];
}

}  // namespace mtspiel
