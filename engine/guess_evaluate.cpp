#include "engine/guess_evaluate.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "engine/open_codes.h"

namespace mtspiel {

namespace {

// Largest class, sum of squares, classes in use and whether g may be the code,
// from a complete table.
void Bewerten(const int32_t* tab, int L, BEWERTUNG& b) {
  int32_t mx = 0;
  int64_t sq = 0;
  int cls = 0;
  for (int t = 0; t <= L; ++t) {
    for (int p = 0; p <= t; ++p) {
      const int32_t c = tab[t << 4 | p];
      mx = std::max(mx, c);
      sq += int64_t{c} * c;
      cls += c > 0;
    }
  }
  b.max = mx;
  b.sq = sq;
  b.cls = cls;
  b.ex = tab[L << 4 | L] == 1;
}

// KANDIDAT_BEWERTEN over the open possible codes: the whole table is counted,
// and then judged as the count that gives up early judges it at its end.
BEWERTUNG OffenBewerten(const ZAEHLAUFTRAG& a, int32_t bestmax, int64_t bestsq,
                        const UNTERBRECHUNG& u) {
  BEWERTUNG b;
  const int64_t n = MOEGLICHE_ZAEHLEN(a, u);
  if (n < 0) {
    b.abbruch = true;
    return b;
  }
  b.vergleiche = n;
  Bewerten(a.tab, RS.laenge, b);
  b.verloren = b.max > bestmax || (b.max == bestmax && b.sq > bestsq);
  return b;
}

}  // namespace

BEWERTUNG KANDIDAT_BEWERTEN(const RATESPEICHER& rs, uint64_t g, int32_t* tab, ZAEHLPLATZ& platz,
                            int32_t bestmax, int64_t bestsq, const UNTERBRECHUNG& u) {
  BEWERTUNG b;
  const int L = rs.laenge;
  // Only P <= total occurs: row t holds entries 0..t. Rows are cleared and
  // summed only that far.
  for (int t = 0; t <= L; ++t) std::memset(tab + (t << 4), 0, sizeof(int32_t) * (t + 1));
  ZAEHLAUFTRAG a;
  a.erl = rs.erl;
  a.gwort = g;
  uint64_t gbits[kMaxWorte];
  WORT_ZAEHLBITS(g, gbits);
  std::memcpy(a.gbits, gbits, sizeof gbits);
  a.lanes = rs.lanes;
  a.tab = tab;
  a.klassen = (L + 1) << 4;  // only totals 0..L occur
  a.platz = &platz;
  if (rs.offen) {
    assert(&rs == &RS);
    return OffenBewerten(a, bestmax, bestsq, u);
  }
  const int64_t n = rs.erl_n;
  const int64_t letzter = n - 1;
  bool fein = false;
  int64_t quadrat = 0;
  // Long runs are cut into slices so that Esc is seen even while one candidate
  // is counted against hundreds of millions of codes.
  constexpr int64_t kScheibe = 1 << 18;
  int64_t i = 0;
  while (i < n) {
    const int64_t bis = std::min(n, i + kScheibe);
    const int64_t start = i;
    while (i < bis) {
      if (!fein) {
        i = ZAEHLEN_BIS(a, rs.worte, i, bis, bestmax);
        if (i == bis) break;
        // A class reached the best's worst class (every other count is below
        // it, so the largest count is the threshold itself): decide by the sum
        // of squares.
        quadrat = 0;
        for (int t = 0; t <= L; ++t)
          for (int p = 0; p <= t; ++p) quadrat += int64_t{tab[t << 4 | p]} * tab[t << 4 | p];
        if (quadrat > bestsq || (quadrat == bestsq && i != letzter)) {
          b.vergleiche = i + 1;
          b.verloren = true;
          return b;
        }
        fein = true;
        ++i;
      } else {
        i = ZAEHLEN_FEIN(a, rs.worte, i, bis, bestmax, bestsq, letzter, quadrat);
        if (i == bis) break;
        b.vergleiche = i + 1;
        b.verloren = true;
        return b;
      }
    }
    if (bis < n && u.frage && u.frage(u.kontext, bis - start)) {
      b.vergleiche = bis;
      b.abbruch = true;
      return b;
    }
  }
  b.vergleiche = n;
  Bewerten(tab, L, b);
  if (fein) b.sq = quadrat;
  return b;
}

}  // namespace mtspiel
