#include "engine/guess_kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "engine/guess_store.h"

namespace mtspiel {
namespace {

// Random possible codes laid out as the store lays them out, and the answer
// class of each against a candidate computed the slow way (positions and sign
// counts compared directly).
struct KERNFALL {
  int laenge = 4;
  int worte = 1;
  std::vector<uint64_t> erl;
  std::vector<int> klasse;
  ZAEHLPLATZ platz;
  ZAEHLAUFTRAG a{};
};

uint64_t Zufallscode(std::mt19937_64& r, int laenge, int zeichen) {
  uint8_t z[10] = {};
  for (int i = 1; i <= laenge; ++i) z[i] = static_cast<uint8_t>(1 + r() % zeichen);
  return CODEWORT(z, laenge);
}

int LangsameKlasse(uint64_t c, uint64_t g, int laenge) {
  uint8_t zc[10], zg[10];
  WORT_ZEICHEN(c, laenge, zc);
  WORT_ZEICHEN(g, laenge, zg);
  int p = 0, t = 0;
  int nc[37] = {}, ng[37] = {};
  for (int i = 1; i <= laenge; ++i) {
    p += zc[i] == zg[i];
    ++nc[zc[i]];
    ++ng[zg[i]];
  }
  for (int s = 1; s <= 36; ++s) t += std::min(nc[s], ng[s]);
  return t * 16 + p;
}

// Few signs make long runs of equal classes (the case the several tables are
// for); many signs and counts up to the length need several count words.
KERNFALL Fall(int laenge, int zeichen, int n, uint64_t seed) {
  KERNFALL f;
  f.laenge = laenge;
  RS.laenge = laenge;
  RS.kmax = laenge;
  RS.worte = (zeichen * laenge + 63) / 64;
  f.worte = RS.worte;
  RS.lanes = 0;
  for (int i = 0; i < laenge; ++i) RS.lanes |= uint64_t{1} << (7 * i + 6);
  std::mt19937_64 r(seed);
  const uint64_t g = Zufallscode(r, laenge, zeichen);
  for (int j = 0; j < n; ++j) {
    // Sorted runs of similar codes, as the store's chain order gives them.
    const uint64_t c = (j % 7 == 0) ? g : Zufallscode(r, laenge, zeichen);
    uint64_t bits[kMaxWorte] = {};
    WORT_ZAEHLBITS(c, bits);
    f.erl.push_back(c);
    for (int w = 0; w < f.worte; ++w) f.erl.push_back(bits[w]);
    f.klasse.push_back(LangsameKlasse(c, g, laenge));
  }
  f.a.erl = f.erl.data();
  f.a.gwort = g;
  WORT_ZAEHLBITS(g, f.a.gbits);
  f.a.lanes = RS.lanes;
  f.a.klassen = (laenge + 1) * 16;
  return f;
}

class GuessKernel : public ::testing::Test {
 protected:
  void TearDown() override {
    ZAEHLSTUFE = ZAEHLSTUFE_MASCHINE();
    RS = RATESPEICHER{};
  }
};

// Every variant the machine can run, on every number of count words: the
// classes, the exact code at which a class reaches the threshold (from any
// start, with a table that already holds counts) and the counts left behind.
TEST_F(GuessKernel, EveryVariantCountsAndStopsLikeTheSlowWay) {
  struct FORM {
    int laenge, zeichen, n;
  };
  // One to six count words.
  const FORM formen[] = {{4, 3, 3000}, {4, 10, 700}, {6, 9, 5000}, {6, 20, 800}, {5, 36, 900},
                         {8, 30, 600}, {9, 30, 500}, {9, 36, 600}, {2, 2, 300},  {3, 7, 1001}};
  for (int stufe = kStufeAllg; stufe <= ZAEHLSTUFE_MASCHINE(); ++stufe) {
    ZAEHLSTUFE = stufe;
    int seed = 1;
    for (const FORM& fo : formen) {
      KERNFALL f = Fall(fo.laenge, fo.zeichen, fo.n, static_cast<uint64_t>(seed++));
      SCOPED_TRACE(::testing::Message()
                   << "stufe " << stufe << " laenge " << fo.laenge << " worte " << f.worte);
      const int64_t n = fo.n;
      std::vector<uint8_t> k(static_cast<size_t>(n));
      KLASSEN(f.a, f.worte, 0, n, k.data());
      for (int64_t j = 0; j < n; ++j) ASSERT_EQ(k[j], f.klasse[j]) << j;

      for (int64_t von : {int64_t{0}, int64_t{5}, int64_t{33}}) {
        for (int32_t schwelle : {0, 1, 2, 7, 31, 64, 150, 400, 511, 512, 600, 1000, INT32_MAX}) {
          alignas(64) int32_t tab[kKlassen] = {};
          int32_t ref[kKlassen] = {};
          // Counts from an earlier slice.
          for (int64_t j = 0; j < von; ++j) {
            if (ref[f.klasse[j]] + 1 >= schwelle) continue;
            ++ref[f.klasse[j]];
            ++tab[f.klasse[j]];
          }
          int64_t erwartet = n;
          for (int64_t j = von; j < n; ++j) {
            if (++ref[f.klasse[j]] >= schwelle) {
              erwartet = j;
              break;
            }
          }
          f.a.tab = tab;
          f.a.platz = &f.platz;
          ASSERT_EQ(ZAEHLEN_BIS(f.a, f.worte, von, n, schwelle), erwartet)
              << "von " << von << " schwelle " << schwelle;
          for (int c = 0; c < kKlassen; ++c) ASSERT_EQ(tab[c], ref[c]) << c;
        }
      }
    }
  }
}

// The fine test: the same stop and the same running sum of squares as counting
// by hand, including a tie with the best sum, which only the last code may reach.
TEST_F(GuessKernel, FineTestStopsWhereTheSumOfSquaresDecides) {
  for (int stufe = kStufeAllg; stufe <= ZAEHLSTUFE_MASCHINE(); ++stufe) {
    ZAEHLSTUFE = stufe;
    KERNFALL f = Fall(5, 8, 2000, 7);
    const int64_t n = 2000;
    // The whole run's figures, then limits just at and around them.
    int32_t voll[kKlassen] = {};
    int64_t sq = 0;
    int32_t mx = 0;
    for (int64_t j = 0; j < n; ++j) {
      const int32_t z = ++voll[f.klasse[j]];
      sq += 2 * int64_t{z} - 1;
      mx = std::max(mx, z);
    }
    struct GRENZE {
      int32_t bestmax;
      int64_t bestsq;
    };
    for (GRENZE gr : {GRENZE{mx, sq}, GRENZE{mx, sq - 1}, GRENZE{mx - 1, sq + 1000},
                      GRENZE{mx, sq / 2}, GRENZE{INT32_MAX, INT64_MAX}}) {
      alignas(64) int32_t tab[kKlassen] = {};
      int32_t ref[kKlassen] = {};
      int64_t q = 0, qref = 0, erwartet = n;
      for (int64_t j = 0; j < n; ++j) {
        const int32_t z = ++ref[f.klasse[j]];
        qref += 2 * int64_t{z} - 1;
        if (z > gr.bestmax || qref > gr.bestsq || (qref == gr.bestsq && j != n - 1)) {
          erwartet = j;
          break;
        }
      }
      f.a.tab = tab;
      f.a.platz = &f.platz;
      EXPECT_EQ(ZAEHLEN_FEIN(f.a, f.worte, 0, n, gr.bestmax, gr.bestsq, n - 1, q), erwartet);
      EXPECT_EQ(q, qref);
      for (int c = 0; c < kKlassen; ++c) ASSERT_EQ(tab[c], ref[c]) << c;
    }
  }
}

}  // namespace
}  // namespace mtspiel
