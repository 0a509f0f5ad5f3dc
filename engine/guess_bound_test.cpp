#include "engine/guess_bound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/guess_store.h"

namespace mtspiel {
namespace {

// The bound never exceeds the real table, for random sets of possible codes
// (many codes of few sign counts, so that the grouping is used), and it is
// tight somewhere: otherwise it would drop nothing.
TEST(GuessBound, NeverAboveTheRealTableAndSometimesReachesIt) {
  std::mt19937_64 r(11);
  int gleich = 0, aktiv = 0;
  for (int fall = 0; fall < 40; ++fall) {
    const int laenge = 2 + fall % 8;
    const int zeichen = 2 + fall % 5;
    RS = RATESPEICHER{};
    RS.laenge = laenge;
    RS.farben = zeichen;
    RS.kmax = laenge;
    RS.worte = (zeichen * laenge + 63) / 64;
    RS.lanes = 0;
    for (int i = 0; i < laenge; ++i) RS.lanes |= uint64_t{1} << (7 * i + 6);
    const int stride = 1 + RS.worte;
    const int n = 2000;
    std::vector<uint64_t> erl(static_cast<size_t>(n) * stride);
    auto zufall = [&] {
      uint8_t z[10] = {};
      for (int i = 1; i <= laenge; ++i) z[i] = static_cast<uint8_t>(1 + r() % zeichen);
      return CODEWORT(z, laenge);
    };
    for (int j = 0; j < n; ++j) {
      erl[static_cast<size_t>(j) * stride] = zufall();
      WORT_ZAEHLBITS(erl[static_cast<size_t>(j) * stride],
                     &erl[static_cast<size_t>(j) * stride + 1]);
    }
    RS.erl = erl.data();
    RS.erl_n = n;
    ZEILENSCHRANKE z;
    SCHRANKE_VORBEREITEN(z, RS);
    // Random codes of many signs have too many sign counts to group.
    if (!z.aktiv) continue;
    ++aktiv;
    for (int k = 0; k < 20; ++k) {
      const uint64_t g = zufall();
      int32_t tab[10][10] = {};
      uint8_t zg[10], zc[10];
      WORT_ZEICHEN(g, laenge, zg);
      for (int j = 0; j < n; ++j) {
        WORT_ZEICHEN(erl[static_cast<size_t>(j) * stride], laenge, zc);
        int p = 0, t = 0, ng[37] = {}, nc[37] = {};
        for (int i = 1; i <= laenge; ++i) {
          p += zg[i] == zc[i];
          ++ng[zg[i]];
          ++nc[zc[i]];
        }
        for (int s = 1; s <= 36; ++s) t += std::min(ng[s], nc[s]);
        ++tab[t][p];
      }
      int32_t mx = 0;
      int64_t sq = 0;
      for (auto& zeile : tab)
        for (int32_t c : zeile) mx = std::max(mx, c), sq += int64_t{c} * c;
      int32_t bmax;
      int64_t bsq;
      SCHRANKE_BERECHNEN(z, g, bmax, bsq);
      ASSERT_LE(bmax, mx) << "case " << fall;
      ASSERT_LE(bsq, sq) << "case " << fall;
      gleich += bmax == mx;
    }
  }
  RS = RATESPEICHER{};
  EXPECT_GE(aktiv, 20);
  EXPECT_GT(gleich, 0);
}

TEST(GuessBound, LosesOnlyWhatTheSearchWouldLose) {
  EXPECT_TRUE(SCHRANKE_VERLIERT(11, 0, 10, 1000));
  EXPECT_TRUE(SCHRANKE_VERLIERT(10, 1001, 10, 1000));
  EXPECT_FALSE(SCHRANKE_VERLIERT(10, 1000, 10, 1000));  // may still tie
  EXPECT_FALSE(SCHRANKE_VERLIERT(9, 5000, 10, 1000));
}

}  // namespace
}  // namespace mtspiel
