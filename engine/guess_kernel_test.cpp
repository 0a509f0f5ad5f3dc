#include "engine/guess_kernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <thread>
#include <vector>

#include "engine/guess_store.h"

namespace mtspiel {
namespace {

// Possible codes laid out as the store lays them out, and the answer class of
// each against a candidate computed the slow way (positions and sign counts
// compared directly).
struct KERNFALL {
  int laenge = 4;
  int worte = 1;
  int64_t n = 0;
  std::vector<uint64_t> erl;
  std::vector<int> klasse;
  ZAEHLAUFTRAG a{};
};

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
  // The vacant sign (0) is never counted as a sign in common.
  for (int s = 1; s <= 36; ++s) t += std::min(nc[s], ng[s]);
  return t * 16 + p;
}

// Sign count and highest counted repetition that give the store's layout the
// wanted number of count words. More counted repetitions than the length
// cannot change a class, so every length can be given every word count.
void Zuschnitt(int laenge, int worte, int& zeichen, int& kmax) {
  for (zeichen = 2; zeichen <= 36; ++zeichen) {
    for (kmax = laenge; zeichen * kmax <= 64 * kMaxWorte; ++kmax) {
      if ((zeichen * kmax + 63) / 64 == worte) return;
    }
  }
  FAIL() << "no layout with " << worte << " words for length " << laenge;
}

// n codes in an order like the store's chain: runs of neighbouring codes in
// counting order (long runs of equal and similar classes), now and then the
// candidate itself or a code one sign away from it. With leer the candidate
// holds vacant signs (a possible code never does).
KERNFALL Fall(int laenge, int worte, int64_t n, uint64_t seed, bool leer = false) {
  KERNFALL f;
  f.laenge = laenge;
  f.worte = worte;
  f.n = n;
  int zeichen = 2, kmax = 1;
  Zuschnitt(laenge, worte, zeichen, kmax);
  RS.laenge = laenge;
  RS.kmax = kmax;
  RS.worte = worte;
  RS.lanes = 0;
  for (int i = 0; i < laenge; ++i) RS.lanes |= uint64_t{1} << (7 * i + 6);
  std::mt19937_64 r(seed);
  auto zufall = [&](uint8_t* z) {
    for (int i = 1; i <= laenge; ++i) z[i] = static_cast<uint8_t>(1 + r() % zeichen);
  };
  uint8_t g[10] = {}, z[10] = {};
  zufall(g);
  zufall(z);
  const uint64_t gwort = [&] {
    uint8_t v[10];
    std::copy(g, g + 10, v);
    if (leer)
      for (int i = 1; i <= laenge; i += 3) v[i] = 0;
    return CODEWORT(v, laenge);
  }();
  for (int64_t j = 0; j < n; ++j) {
    uint8_t c[10];
    std::copy(z, z + 10, c);
    const int art = static_cast<int>(r() % 16);
    if (art == 0) {
      std::copy(g, g + 10, c);
    } else if (art == 1) {
      std::copy(g, g + 10, c);
      c[1 + r() % laenge] = static_cast<uint8_t>(1 + r() % zeichen);
    } else if (art == 2) {
      zufall(z);  // a new run
    }
    // The next code in counting order, last position fastest.
    for (int i = laenge; i >= 1; --i) {
      if (++z[i] <= zeichen) break;
      z[i] = 1;
    }
    const uint64_t wort = CODEWORT(c, laenge);
    uint64_t bits[kMaxWorte] = {};
    WORT_ZAEHLBITS(wort, bits);
    f.erl.push_back(wort);
    for (int w = 0; w < worte; ++w) f.erl.push_back(bits[w]);
    f.klasse.push_back(LangsameKlasse(wort, gwort, laenge));
  }
  f.a.erl = f.erl.data();
  f.a.gwort = gwort;
  WORT_ZAEHLBITS(gwort, f.a.gbits);
  f.a.lanes = RS.lanes;
  f.a.klassen = (laenge + 1) * 16;
  return f;
}

// A class table: the classes the length allows start at the given counts, the
// others hold a mark that the kernel must leave alone.
constexpr int32_t kFremd = 0x5EED;
bool Erlaubt(int k, int laenge) {
  return (k >> 4) <= laenge && (k & 15) <= (k >> 4);
}
void TafelAnlegen(int32_t* tab, int laenge) {
  for (int k = 0; k < kKlassen; ++k) tab[k] = Erlaubt(k, laenge) ? 0 : kFremd;
}

int64_t BisVonHand(const std::vector<int>& klasse, int64_t von, int64_t bis, int32_t schwelle,
                   int32_t* tab) {
  for (int64_t i = von; i < bis; ++i)
    if (++tab[klasse[i]] >= schwelle) return i;
  return bis;
}

int64_t FeinVonHand(const std::vector<int>& klasse, int64_t von, int64_t bis, int32_t bestmax,
                    int64_t bestsq, int64_t letzter, int32_t* tab, int64_t& q) {
  for (int64_t i = von; i < bis; ++i) {
    const int32_t z = ++tab[klasse[i]];
    q += 2 * int64_t{z} - 1;
    if (z > bestmax || q > bestsq || (q == bestsq && i != letzter)) return i;
  }
  return bis;
}

bool PlatzLeer(const ZAEHLPLATZ& p) {
  for (const auto& t : p.neben)
    for (int32_t z : t)
      if (z != 0) return false;
  return true;
}

class GuessKernel : public ::testing::Test {
 protected:
  void TearDown() override {
    ZAEHLSTUFE = ZAEHLSTUFE_MASCHINE();
    RS = RATESPEICHER{};
  }
};

// Every instruction set the machine offers, every length and every number of
// count words, against the loop above: the classes, the exact code at which a
// class reaches the threshold from any start (with the table empty, holding the
// counts of an earlier slice, or holding counts at and above the threshold),
// the counts left behind, the untouched entries and the scratch tables.
TEST_F(GuessKernel, EveryLevelLengthAndWordCountCountsAndStopsLikeTheLoop) {
  for (int stufe = kStufeAllg; stufe <= ZAEHLSTUFE_MASCHINE(); ++stufe) {
    ZAEHLSTUFE = stufe;
    for (int laenge = 2; laenge <= 9; ++laenge) {
      for (int worte = 1; worte <= kMaxWorte; ++worte) {
        const uint64_t seed = static_cast<uint64_t>(100 * laenge + worte);
        // Lengths that leave every kind of remainder after chunks of 192, 64 and 8.
        const int64_t n = 400 + 37 * laenge + 11 * worte;
        KERNFALL f = Fall(laenge, worte, n, seed, worte % 2 == 0);
        SCOPED_TRACE(::testing::Message()
                     << "stufe " << stufe << " laenge " << laenge << " worte " << worte);
        for (int64_t von : {int64_t{0}, int64_t{3}}) {
          std::vector<uint8_t> k(static_cast<size_t>(n - von));
          KLASSEN(f.a, f.worte, von, n, k.data());
          for (int64_t j = von; j < n; ++j) ASSERT_EQ(k[j - von], f.klasse[j]) << j;
        }
        std::vector<int32_t> schwellen = {INT32_MIN, -1,  0,   1,   2,    3,        5,   8,
                                          9,         17,  63,  64,  65,   127,      128, 191,
                                          192,       193, 257, 500, 1000, INT32_MAX};
        std::mt19937 r(static_cast<uint32_t>(seed));
        for (int z = 0; z < 6; ++z) schwellen.push_back(1 + static_cast<int32_t>(r() % n));
        ZAEHLPLATZ platz;
        for (int64_t von : {int64_t{0}, int64_t{5}, int64_t{61}, int64_t{200}}) {
          for (int32_t schwelle : schwellen) {
            for (int vorbelegt = 0; vorbelegt < 3; ++vorbelegt) {
              alignas(64) int32_t tab[kKlassen];
              int32_t ref[kKlassen];
              TafelAnlegen(tab, laenge);
              if (vorbelegt == 1) {
                // The counts of the slice before, all below the threshold.
                for (int64_t j = 0; j < von; ++j)
                  if (tab[f.klasse[j]] + 1 < schwelle) ++tab[f.klasse[j]];
              } else if (vorbelegt == 2) {
                // Counts around the threshold, some at or above it.
                const int64_t um = std::clamp<int64_t>(schwelle, 1, 300);
                for (int c = 0; c < kKlassen; ++c)
                  if (Erlaubt(c, laenge)) tab[c] = static_cast<int32_t>(r() % (2 * um));
              }
              std::copy(tab, tab + kKlassen, ref);
              const int64_t erwartet = BisVonHand(f.klasse, von, n, schwelle, ref);
              f.a.tab = tab;
              f.a.platz = &platz;
              ASSERT_EQ(ZAEHLEN_BIS(f.a, f.worte, von, n, schwelle), erwartet)
                  << "von " << von << " schwelle " << schwelle << " vorbelegt " << vorbelegt;
              for (int c = 0; c < kKlassen; ++c)
                ASSERT_EQ(tab[c], ref[c]) << "class " << c << " schwelle " << schwelle;
              ASSERT_TRUE(PlatzLeer(platz));
            }
          }
        }
        // The fine test: limits at, just around and far from the whole run's
        // figures, so that it stops on a class, on the sum, on a tie with the
        // sum before the last code, or not at all.
        int32_t voll[kKlassen] = {};
        int64_t sq = 0;
        int32_t mx = 0;
        for (int64_t j = 0; j < n; ++j) {
          const int32_t c = ++voll[f.klasse[j]];
          sq += 2 * int64_t{c} - 1;
          mx = std::max(mx, c);
        }
        struct GRENZE {
          int32_t bestmax;
          int64_t bestsq;
        };
        for (GRENZE gr : {GRENZE{mx, sq}, GRENZE{mx, sq - 1}, GRENZE{mx - 1, sq + 1000},
                          GRENZE{mx, sq / 2}, GRENZE{INT32_MAX, INT64_MAX}}) {
          for (int64_t von : {int64_t{0}, int64_t{70}}) {
            alignas(64) int32_t tab[kKlassen];
            int32_t ref[kKlassen];
            TafelAnlegen(tab, laenge);
            for (int64_t j = 0; j < von; ++j) ++tab[f.klasse[j]];
            std::copy(tab, tab + kKlassen, ref);
            int64_t q = 0;
            for (int c = 0; c < kKlassen; ++c)
              if (Erlaubt(c, laenge)) q += int64_t{tab[c]} * tab[c];
            int64_t qref = q;
            const int64_t erwartet =
                FeinVonHand(f.klasse, von, n, gr.bestmax, gr.bestsq, n - 1, ref, qref);
            f.a.tab = tab;
            f.a.platz = &platz;
            ASSERT_EQ(ZAEHLEN_FEIN(f.a, f.worte, von, n, gr.bestmax, gr.bestsq, n - 1, q), erwartet)
                << "bestmax " << gr.bestmax << " bestsq " << gr.bestsq << " von " << von;
            ASSERT_EQ(q, qref);
            for (int c = 0; c < kKlassen; ++c) ASSERT_EQ(tab[c], ref[c]) << c;
          }
        }
      }
    }
  }
}

// A run long enough for many full chunks between the stops, and a threshold
// that each candidate reaches late: the chunked counting must stop at exactly
// the code the loop stops at after thousands of codes, on every level.
TEST_F(GuessKernel, LongRunsStopAtTheSameCodeAsTheLoop) {
  for (int stufe = kStufeAllg; stufe <= ZAEHLSTUFE_MASCHINE(); ++stufe) {
    ZAEHLSTUFE = stufe;
    for (auto [laenge, worte] :
         {std::pair{9, 1}, std::pair{7, 1}, std::pair{6, 2}, std::pair{4, 3}, std::pair{8, 5}}) {
      const int64_t n = 20000;
      KERNFALL f = Fall(laenge, worte, n, static_cast<uint64_t>(laenge * 7 + worte));
      SCOPED_TRACE(::testing::Message()
                   << "stufe " << stufe << " laenge " << laenge << " worte " << worte);
      int32_t voll[kKlassen] = {};
      for (int k : f.klasse) ++voll[k];
      const int32_t mx = *std::max_element(voll, voll + kKlassen);
      ZAEHLPLATZ platz;
      for (int32_t schwelle : {mx / 3, mx / 2, mx - 1, mx, mx + 1}) {
        alignas(64) int32_t tab[kKlassen];
        int32_t ref[kKlassen];
        TafelAnlegen(tab, laenge);
        std::copy(tab, tab + kKlassen, ref);
        const int64_t erwartet = BisVonHand(f.klasse, 0, n, schwelle, ref);
        f.a.tab = tab;
        f.a.platz = &platz;
        ASSERT_EQ(ZAEHLEN_BIS(f.a, f.worte, 0, n, schwelle), erwartet) << schwelle;
        for (int c = 0; c < kKlassen; ++c) ASSERT_EQ(tab[c], ref[c]) << c;
        ASSERT_TRUE(PlatzLeer(platz));
      }
    }
  }
}

// Several threads count at once, each with its own table and scratch tables:
// every one gets the counts and stops a single thread gets.
TEST_F(GuessKernel, ThreadsWithTheirOwnTablesCountAlike) {
  const int64_t n = 5000;
  KERNFALL f = Fall(8, 2, n, 99);
  int32_t voll[kKlassen] = {};
  for (int k : f.klasse) ++voll[k];
  const int32_t mx = *std::max_element(voll, voll + kKlassen);
  const std::vector<int32_t> schwellen = {mx / 4, mx / 2, mx, INT32_MAX};
  std::vector<int64_t> erwartet;
  for (int32_t s : schwellen) {
    int32_t ref[kKlassen] = {};
    erwartet.push_back(BisVonHand(f.klasse, 0, n, s, ref));
  }
  constexpr int kFaeden = 4;
  std::vector<int> fehler(kFaeden, 0);
  std::vector<std::thread> faeden;
  for (int t = 0; t < kFaeden; ++t) {
    faeden.emplace_back([&, t] {
      ZAEHLPLATZ platz;
      for (int runde = 0; runde < 50; ++runde) {
        for (size_t j = 0; j < schwellen.size(); ++j) {
          alignas(64) int32_t tab[kKlassen] = {};
          ZAEHLAUFTRAG a = f.a;
          a.tab = tab;
          a.platz = &platz;
          const int64_t i = ZAEHLEN_BIS(a, f.worte, 0, n, schwellen[j]);
          int32_t ref[kKlassen] = {};
          BisVonHand(f.klasse, 0, n, schwellen[j], ref);
          fehler[t] +=
              i != erwartet[j] || !std::equal(tab, tab + kKlassen, ref) || !PlatzLeer(platz);
        }
      }
    });
  }
  for (std::thread& t : faeden) t.join();
  for (int t = 0; t < kFaeden; ++t) EXPECT_EQ(fehler[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace mtspiel
