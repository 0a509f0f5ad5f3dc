#include "engine/guess_store.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "engine/guess_evaluate.h"
#include "engine/guess_test_helpers.h"
#include "engine/memory_budget.h"
#include "engine/open_codes.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

class GuessStore : public ::testing::Test {
 protected:
  void SetUp() override {
    ABFRAGE_VERGLEICHE = 0;
    ABFRAGE_INTERVALL_NS = 0;
  }
  void TearDown() override {
    RATEN_SPEICHER_FREIGEBEN();
    ABFRAGE_VERGLEICHE = 1 << 15;
    ABFRAGE_INTERVALL_NS = 1'000'000;
    FEHLSCHLAG_BEI_STOREBLOCK = -1;
    FEHLSCHLAG_BEI_RESERVIERUNG = -1;
    MISCHFELD_BITS = 25;
    MISCH_KLEIN_BIS = int64_t{1} << 18;
    MISCH_SELTENER_WEG = false;
    MISCH_VERKETTET_BIS = 32768;
    MISCH_HEIM_PROBE = 0;
    SEITEN_PROBE = -1;
    AUFBAU_FAEDEN = 0;
    AUFBAU_ABLAGE_AB = 0;
    FADEN_ERLAUBT = -1;
    UHR_TESTHAKEN = nullptr;
    FREIGABE_ABWARTEN();
  }
  bool Aufbauen(const rateprobe::SPIEL& s) {
    rateprobe::SPIEL_VORBEREITEN(s);
    bool ok = false;
    rateprobe::SETUP(ok);
    return ok;
  }
  testsupport::MemoryScreen screen_;
};

std::vector<int> Zeichen(int64_t i, bool kandidat) {
  uint8_t z[10];
  if (kandidat) {
    KANDIDAT(i, z);
  } else {
    MOEGLICHER_CODE(i, z);
  }
  return std::vector<int>(z + 1, z + 1 + X.LAENGE);
}

TEST_F(GuessStore, RecordAndPossibleCodeCounts) {
  ASSERT_TRUE(Aufbauen({4, 6, true, false}));
  EXPECT_EQ(ZAHLGESAMTVERSUCHE, 1296);
  EXPECT_EQ(MOEGLICHE_CODES(), 1296);
  // Every code exactly once in the candidate chain.
  std::set<std::vector<int>> alle;
  for (int64_t i = 0; i < ZAHLGESAMTVERSUCHE; ++i) alle.insert(Zeichen(i, true));
  EXPECT_EQ(alle.size(), 1296u);
  // The opening guess for (4, 6, repetitions) has two signs twice each.
  int paare = 0;
  for (int s = 1; s <= 6; ++s) paare += ANFANG_ANZAHL[s] == 2;
  EXPECT_EQ(paare, 2);
  EXPECT_TRUE(ZEITLIMIT_GR_0 == (ZEITLIMIT > 0));

  ASSERT_TRUE(Aufbauen({4, 6, false, false}));
  EXPECT_EQ(ZAHLGESAMTVERSUCHE, 1296);  // guesses may still repeat signs
  EXPECT_EQ(MOEGLICHE_CODES(), 360);
  for (int64_t i = 0; i < MOEGLICHE_CODES(); ++i) {
    const auto c = Zeichen(i, false);
    EXPECT_EQ(std::set<int>(c.begin(), c.end()).size(), 4u);
  }
  int verschieden = 0;
  for (int s = 1; s <= 6; ++s) verschieden += ANFANG_ANZAHL[s] == 1;
  EXPECT_EQ(verschieden, 4);

  ASSERT_TRUE(Aufbauen({4, 2, true, true}));
  EXPECT_EQ(ZAHLGESAMTVERSUCHE, 80);  // 3^4 - 1: the all-vacant code is missing
  EXPECT_EQ(MOEGLICHE_CODES(), 16);
  for (int64_t i = 0; i < MOEGLICHE_CODES(); ++i)
    for (int z : Zeichen(i, false)) EXPECT_NE(z, 0);
  // Opening 1-1-1-0: three times one sign and the vacant filler.
  EXPECT_EQ(ANFANG_ANZAHL[0], 1);
  EXPECT_TRUE(ANFANG_ANZAHL[1] == 3 || ANFANG_ANZAHL[2] == 3);
  // The opening guess is shown on the board where the trial goes.
  EXPECT_EQ(screen_->Text(48, 9, 4).find('*') != std::string::npos, true);
}

TEST_F(GuessStore, EscDuringSetUpLeavesNothingAllocated) {
  MISCH_KLEIN_BIS = 0;  // the shuffle of big stores
  rateprobe::SPIEL_VORBEREITEN({5, 10, true, false});
  screen_.Keys(std::string("\0\x3b", 2) + "x\x1b");  // an extended key and a letter are ignored
  bool ok = true;
  ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::SETUP(ok); }));
  EXPECT_FALSE(ok);
  EXPECT_EQ(A, 27);
  EXPECT_EQ(ZAHLGESAMTVERSUCHE, 0);
  EXPECT_EQ(MOEGLICHE_CODES(), 0);
  EXPECT_EQ(RS.kand, nullptr);
  EXPECT_EQ(RS.reserviert, 0u);
  EXPECT_FALSE(ZEITEIN);
}

TEST_F(GuessStore, AllocationFailureEndsTheSetUpCleanly) {
  rateprobe::SPIEL_VORBEREITEN({4, 18, true, false});  // 104976 records: two blocks
  FEHLSCHLAG_BEI_STOREBLOCK = 1;
  FEHLSCHLAG_BEI_RESERVIERUNG = 1;  // the budget's own hook, counting the same calls
  bool ok = true;
  ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::SETUP(ok); }));
  EXPECT_FALSE(ok);
  EXPECT_EQ(A, 27);
  EXPECT_EQ(RS.kand, nullptr);
  EXPECT_EQ(RS.erl, nullptr);
  EXPECT_EQ(RS.reserviert, 0u);
  // The next set-up works again.
  FEHLSCHLAG_BEI_STOREBLOCK = -1;
  FEHLSCHLAG_BEI_RESERVIERUNG = -1;
  ASSERT_TRUE(Aufbauen({4, 18, true, false}));
  EXPECT_EQ(ZAHLGESAMTVERSUCHE, 104976);
}

// With a single bucket the whole order comes from the insertion into its ring:
// each record must land on a uniformly drawn place, so every code is equally
// likely at every place of the chain.
TEST_F(GuessStore, BucketInsertionGivesAUniformOrder) {
  MISCHFELD_BITS = 0;
  constexpr int kLaeufe = 4000;
  int haeufigkeit[9][9] = {};
  rateprobe::SPIEL s{2, 3, true, false};
  rateprobe::SPIEL_VORBEREITEN(s);
  term::RandSeed(12345);
  for (int lauf = 0; lauf < kLaeufe; ++lauf) {
    bool ok = false;
    rateprobe::SETUP(ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(ZAHLGESAMTVERSUCHE, 9);
    // Codes are numbered by their signs, which the scrambling permutations
    // change from run to run; the place of the code that holds sign 1 twice is
    // as telling as any.
    for (int64_t i = 0; i < 9; ++i) {
      const auto c = Zeichen(i, true);
      haeufigkeit[(c[0] - 1) * 3 + (c[1] - 1)][i]++;
    }
  }
  double chi2 = 0;
  const double erwartet = kLaeufe / 9.0;
  for (auto& zeile : haeufigkeit)
    for (int h : zeile) chi2 += (h - erwartet) * (h - erwartet) / erwartet;
  // 64 degrees of freedom: 120 is far beyond chance (p < 1e-4); appending every
  // record, or drawing the place among c instead of c + 1 gaps, goes far beyond.
  EXPECT_LT(chi2, 120.0);
}

// The record number of a code: its odometer value, read back through the two
// permutations that scrambled the enumeration.
int64_t Satznummer(uint64_t wort) {
  const int L = RS.laenge;
  const int lo = RS.leer ? 0 : 1;
  const int basis = RS.farben + (RS.leer ? 1 : 0);
  int ziffer[37] = {};
  for (int d = lo; d <= RS.farben; ++d) ziffer[PERMFTM[d]] = d - lo;
  uint8_t z[10];
  WORT_ZEICHEN(wort, L, z);
  int64_t wert = 0, stelle = 1;
  for (int k = 1; k <= L; ++k) {
    wert += ziffer[z[PERMZTM[k]]] * stelle;
    stelle *= basis;
  }
  return wert - (RS.leer ? 1 : 0);
}

// The store as the plain definitions give it: every code once in the candidate
// chain; the possible codes newest record first, each one allowed as a secret
// and carrying the sign-count words of WORT_ZAEHLBITS, none missing.
void StoreWieDefiniert(const rateprobe::SPIEL& s) {
  int64_t n = 1, moeglich = 1;
  const int v = RS.leer ? 1 : 0;
  for (int i = 0; i < s.laenge; ++i) {
    n *= s.farben + v;
    moeglich *= s.wdhg ? s.farben : s.farben - i;
  }
  ASSERT_EQ(RS.kand_n, n - v);
  std::vector<uint64_t> alle(RS.kand, RS.kand + RS.kand_n);
  std::sort(alle.begin(), alle.end());
  ASSERT_TRUE(std::adjacent_find(alle.begin(), alle.end()) == alle.end());
  ASSERT_EQ(RS.erl_n, moeglich);
  const int stride = 1 + RS.worte;
  int64_t vorher = INT64_MAX;
  for (int64_t i = 0; i < RS.erl_n; ++i) {
    const uint64_t* e = RS.erl + i * stride;
    const int64_t r = Satznummer(e[0]);
    ASSERT_LT(r, vorher) << "slot " << i;
    vorher = r;
    uint8_t anzahl[37];
    WORT_ANZAHL(e[0], s.laenge, anzahl);
    ASSERT_EQ(anzahl[0], 0) << "slot " << i;
    for (int z = 1; z <= 36; ++z) ASSERT_TRUE(s.wdhg || anzahl[z] <= 1) << "slot " << i;
    uint64_t bits[kMaxWorte];
    WORT_ZAEHLBITS(e[0], bits);
    for (int w = 0; w < RS.worte; ++w) ASSERT_EQ(e[1 + w], bits[w]) << "slot " << i;
  }
}

struct AUFGEBAUT {
  std::vector<uint64_t> ordnung, moeglich;
  uint64_t danach = 0;  // the generator's next number after the set-up
};

AUFGEBAUT Aufbau(const rateprobe::SPIEL& s, uint64_t seed) {
  rateprobe::SPIEL_VORBEREITEN(s);
  term::RandSeed(seed);
  bool ok = false;
  rateprobe::SETUP(ok);
  AUFGEBAUT a;
  EXPECT_TRUE(ok);
  if (!ok) return a;
  a.ordnung.assign(RS.kand, RS.kand + RS.kand_n);
  // The set-up leaves the possible codes open; written out, they are compared.
  EXPECT_TRUE(RS.offen);
  const int64_t offen_n = RS.erl_n;
  EXPECT_TRUE(MOEGLICHE_SCHREIBEN(0, -1, UNTERBRECHUNG{}));
  EXPECT_EQ(RS.erl_n, offen_n);
  a.moeglich.assign(RS.erl, RS.erl + RS.erl_n * (1 + RS.worte));
  a.danach = term::Random64(uint64_t{1} << 40);
  return a;
}

// Big stores are shuffled by drawing first and sorting afterwards, on several
// threads; small ones through the bucket rings themselves, which are the
// reference. For the same seed both must give the same candidate order and
// possible codes and leave the generator at the same place, for any number of
// threads, also with few buckets, where buckets hold hundreds of records,
// counters saturate and places lie far from both ends.
TEST_F(GuessStore, TheBigShuffleGivesTheOrderOfTheRings) {
  struct FALL {
    rateprobe::SPIEL spiel;
    int bits;
    std::vector<int> faeden;
    int seeds;
  } faelle[] = {
      {{4, 6, true, false}, 0, {1, 2, 8}, 3},   {{4, 6, true, false}, 2, {1, 2, 8}, 3},
      {{5, 6, true, false}, 3, {1, 3}, 3},      {{4, 2, true, true}, 25, {1, 2, 8}, 3},
      {{4, 10, false, false}, 9, {1, 2, 8}, 3}, {{5, 9, true, false}, 12, {1, 2}, 3},
      {{5, 9, true, false}, 25, {1, 2, 8}, 3},  {{6, 5, true, false}, 19, {1, 3}, 3},
      {{6, 8, false, false}, 25, {2}, 1},       {{6, 8, false, false}, 11, {8}, 1},
      {{5, 13, true, false}, 25, {1, 8}, 1},    {{6, 9, true, false}, 25, {3}, 1},
      {{6, 9, true, false}, 17, {2}, 1},        {{6, 9, true, false}, 13, {2}, 1},
      {{6, 9, true, false}, 15, {1, 2}, 1},     // parts so big that they sort a bucket bit fewer
      {{5, 9, true, false}, 17, {1, 2}, 1},     // small enough for 15 bucket bits a part, not 16
      {{5, 9, true, false}, 16, {1, 2, 8}, 2},  // 0.9 records a bucket: two bits of count
      {{6, 9, true, false}, 20, {2}, 1},        // 0.5 a bucket, the least for two bits
      {{4, 17, true, false}, 25, {2}, 1},       // two sign-count words a code
  };
  for (const FALL& f : faelle) {
    MISCHFELD_BITS = f.bits;
    for (uint64_t seed = 1; seed <= uint64_t(f.seeds); ++seed) {
      SCOPED_TRACE(testing::Message()
                   << "L=" << f.spiel.laenge << " n=" << f.spiel.farben << " rep=" << f.spiel.wdhg
                   << " bits=" << f.bits << " seed=" << seed);
      MISCH_KLEIN_BIS = INT64_MAX;
      const AUFGEBAUT ringe = Aufbau(f.spiel, seed);
      if (seed == 1 && ringe.ordnung.size() <= 300000) {
        ASSERT_NO_FATAL_FAILURE(StoreWieDefiniert(f.spiel));
      }
      MISCH_KLEIN_BIS = 0;
      // Each part replayed through links, then each after a counting sort.
      for (const int64_t verkettet_bis : {INT64_MAX, int64_t{0}}) {
        MISCH_VERKETTET_BIS = verkettet_bis;
        for (int faeden : f.faeden) {
          SCOPED_TRACE(testing::Message() << "threads=" << faeden << " linked up to "
                                          << verkettet_bis << " records a part");
          AUFBAU_FAEDEN = faeden;
          const AUFGEBAUT gross = Aufbau(f.spiel, seed);
          EXPECT_TRUE(gross.ordnung == ringe.ordnung);
          EXPECT_TRUE(gross.moeglich == ringe.moeglich);
          EXPECT_EQ(gross.danach, ringe.danach);
        }
      }
    }
  }
}

// A big set-up files its draws into the chain's own memory, each part into a
// home region of its own, and writes the chain over them: a part waits until
// the parts whose regions its stretch covers have read their items. Regions
// with no room to spare make parts spill into the pool and their stretches
// run into later regions, so that the chain is written apart; it may also be
// written apart on purpose. Every way gives the store the rings give, and
// leaves only the chain's own memory with it.
TEST_F(GuessStore, TheChainWrittenOverItsItemsOrApartIsTheSame) {
  struct FALL {
    rateprobe::SPIEL spiel;
    int bits;
    std::vector<int> faeden;
  } faelle[] = {
      {{5, 9, true, false}, 25, {1, 2, 8}},  // 2048 parts of 29 records
      {{6, 9, true, false}, 17, {2, 3}},     // 8 parts of 66430, sorted
      {{4, 6, true, false}, 2, {1, 2}},      // one part
  };
  for (const FALL& f : faelle) {
    MISCHFELD_BITS = f.bits;
    MISCH_KLEIN_BIS = INT64_MAX;
    const AUFGEBAUT ringe = Aufbau(f.spiel, 7);
    MISCH_KLEIN_BIS = 0;
    for (int probe : {0, 1, 2}) {
      MISCH_HEIM_PROBE = probe;
      for (int faeden : f.faeden) {
        // With huge pages the chain's memory is faulted in before the draws.
        SEITEN_PROBE = (probe + faeden) % 2 * 2;
        SCOPED_TRACE(testing::Message()
                     << "L=" << f.spiel.laenge << " n=" << f.spiel.farben << " bits=" << f.bits
                     << " room=" << probe << " threads=" << faeden << " huge=" << SEITEN_PROBE);
        AUFBAU_FAEDEN = faeden;
        const AUFGEBAUT gross = Aufbau(f.spiel, 7);
        EXPECT_TRUE(gross.ordnung == ringe.ordnung);
        EXPECT_TRUE(gross.moeglich == ringe.moeglich);
        EXPECT_EQ(gross.danach, ringe.danach);
        const size_t seite = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        EXPECT_GE(RS.kand_bytes, ringe.ordnung.size() * 8);
        EXPECT_LE(RS.kand_bytes, (ringe.ordnung.size() * 8 + seite - 1) / seite * seite);
      }
    }
    MISCH_HEIM_PROBE = 0;
  }
}

// A system out of threads (a process limit, no memory for a stack) lets fewer
// workers start than the set-up asks for, down to none: the set-up goes on
// with those it has, or on the main thread alone, and builds the same store;
// memory it cannot hand to a background thread is given back at once.
TEST_F(GuessStore, ThreadsThatCannotStartMeanFewerWorkersAndTheSameStore) {
  static int hoechstens;
  const rateprobe::SPIEL s{6, 7, true, false};  // 117649 records
  MISCH_KLEIN_BIS = INT64_MAX;
  const AUFGEBAUT ringe = Aufbau(s, 5);
  RATEN_SPEICHER_FREIGEBEN();
  FREIGABE_ABWARTEN();
  MISCH_KLEIN_BIS = 0;
  AUFBAU_FAEDEN = 4;
  UHR_TESTHAKEN = [] { hoechstens = std::max(hoechstens, AUFBAU_ARBEITER); };
  for (int erlaubt : {0, 1, 2}) {
    SCOPED_TRACE(testing::Message() << "threads that may start: " << erlaubt);
    hoechstens = 0;
    FADEN_ERLAUBT = erlaubt;
    const AUFGEBAUT gross = Aufbau(s, 5);
    EXPECT_LE(hoechstens, erlaubt);
    EXPECT_TRUE(gross.ordnung == ringe.ordnung);
    EXPECT_TRUE(gross.moeglich == ringe.moeglich);
    EXPECT_EQ(gross.danach, ringe.danach);
    // No thread left for the memory either: it goes back on this thread.
    FADEN_ERLAUBT = 0;
    RATEN_SPEICHER_FREIGEBEN();
    FREIGABE_ABWARTEN();
    EXPECT_EQ(RS.kand, nullptr);
  }
}

// A process confined to one processor (a pinned process, a container) sets
// the store up on its main thread alone and searches with one thread, rather
// than have threads take turns that hand work to each other; the store is the
// same.
TEST_F(GuessStore, AProcessConfinedToOneProcessorWorksOnItsMainThreadAlone) {
  static int hoechstens;
  const rateprobe::SPIEL s{6, 7, true, false};  // 117649 records
  MISCH_KLEIN_BIS = INT64_MAX;
  const AUFGEBAUT ringe = Aufbau(s, 5);
  MISCH_KLEIN_BIS = 0;
  cpu_set_t vorher;
  ASSERT_EQ(sched_getaffinity(0, sizeof(vorher), &vorher), 0);
  const int alle = KERNE();
  EXPECT_EQ(alle, CPU_COUNT(&vorher));
  int erster = 0;
  while (!CPU_ISSET(erster, &vorher)) ++erster;
  cpu_set_t einer;
  CPU_ZERO(&einer);
  CPU_SET(erster, &einer);
  ASSERT_EQ(sched_setaffinity(0, sizeof(einer), &einer), 0);
  EXPECT_EQ(KERNE(), 1);
  EXPECT_EQ(SUCHFAEDEN_MASCHINE(), 1);
  hoechstens = 0;
  UHR_TESTHAKEN = [] { hoechstens = std::max(hoechstens, AUFBAU_ARBEITER); };
  const AUFGEBAUT gross = Aufbau(s, 5);
  ASSERT_EQ(sched_setaffinity(0, sizeof(vorher), &vorher), 0);
  EXPECT_EQ(hoechstens, 0);
  EXPECT_TRUE(gross.ordnung == ringe.ordnung);
  EXPECT_EQ(gross.danach, ringe.danach);
  EXPECT_EQ(KERNE(), alle);
}

// A worker that comes late for the filing (faulting a page in, or waiting for
// a core) finds the main thread filing the draws in between, and takes over:
// the main thread goes back to drawing alone, and the store is the same.
TEST_F(GuessStore, AWorkerLateForTheFilingTakesItOver) {
  const rateprobe::SPIEL s{6, 10, true, false};  // 10^6 records, the rings hold 65536
  MISCH_KLEIN_BIS = INT64_MAX;
  const AUFGEBAUT ringe = Aufbau(s, 3);
  MISCH_KLEIN_BIS = 0;
  AUFBAU_FAEDEN = 2;
  for (int64_t ab : {0, 150000}) {
    SCOPED_TRACE(testing::Message() << "the worker files from record " << ab);
    AUFBAU_ABLAGE_AB = ab;
    const AUFGEBAUT gross = Aufbau(s, 3);
    EXPECT_TRUE(gross.ordnung == ringe.ordnung);
    EXPECT_TRUE(gross.moeglich == ringe.moeglich);
    EXPECT_EQ(gross.danach, ringe.danach);
    // The main thread filed until the worker came, and not for good.
    EXPECT_GE(AUFBAU_SELBST_ABGELEGT, std::max<int64_t>(ab - 65536, 0));
    if (ab > 0) {
      EXPECT_LT(AUFBAU_SELBST_ABGELEGT, 1000000);
    }
  }
}

// A raw place number within 257 of 2^64 may be rejected or not depending on
// the bucket's counter, which the big shuffle works out from the main
// thread's count of the bucket's first records, from the filing's count of
// those beyond, or by counting them when that count has reached its top (few
// buckets here, so all three come). Such numbers come once in 10^16 draws, so
// a test hook sends every place through that path.
TEST_F(GuessStore, ThePlacesNearTheTopOfTheRangeFindTheirBucketsCounter) {
  struct FALL {
    rateprobe::SPIEL spiel;
    int bits;
  } faelle[] = {{{4, 6, true, false}, 2},    // the main thread counts in 4 bits a bucket
                {{5, 6, true, false}, 4},    // (buckets hold hundreds, ...
                {{5, 6, true, false}, 9},    // ... or 15 on average),
                {{5, 6, true, false}, 12},   // in 2 bits (1.9 on average)
                {{5, 6, true, false}, 14}};  // or in one (0.47 on average)
  for (const FALL& f : faelle) {
    SCOPED_TRACE(testing::Message() << "L=" << f.spiel.laenge << " bits=" << f.bits);
    MISCHFELD_BITS = f.bits;
    MISCH_KLEIN_BIS = INT64_MAX;
    const AUFGEBAUT ringe = Aufbau(f.spiel, 7);
    MISCH_KLEIN_BIS = 0;
    MISCH_SELTENER_WEG = true;
    // The draws wait for the filing on a worker, or file up to there
    // themselves on the main thread alone.
    for (int faeden : {2, 1}) {
      SCOPED_TRACE(testing::Message() << "threads=" << faeden);
      AUFBAU_FAEDEN = faeden;
      MISCH_SELTEN_FALSCH = 0;
      const AUFGEBAUT gross = Aufbau(f.spiel, 7);
      EXPECT_TRUE(gross.ordnung == ringe.ordnung);
      EXPECT_EQ(gross.danach, ringe.danach);
      EXPECT_EQ(MISCH_SELTEN_FALSCH, 0);
    }
    MISCH_SELTENER_WEG = false;
  }
}

// Esc while the workers of a big set-up run: the set-up ends at once with
// everything released (under the sanitizers the leak check covers what the
// workers held), and the next set-up is exactly what it would have been.
TEST_F(GuessStore, EscWhileTheWorkersRunReleasesEverythingAndTheNextSetUpWorks) {
  static testsupport::MemoryScreen* schirm;
  static int aufrufe, arbeiter;
  static bool spaet, gedrueckt;
  schirm = &screen_;
  UHR_TESTHAKEN = [] {
    ++aufrufe;
    // Early in the draws, or once they are over and the parts are replayed. On
    // a loaded machine the workers may have replayed everything before the main
    // thread looks again after the draws: Esc then comes at the end of the
    // set-up, and must release just the same.
    const bool zeit = spaet ? AUFBAU_GEZOGEN : aufrufe >= 3 && AUFBAU_ARBEITER > 0;
    if (!gedrueckt && zeit) {
      arbeiter = AUFBAU_ARBEITER;
      gedrueckt = true;
      schirm->Esc();
    }
  };
  const rateprobe::SPIEL s{6, 9, true, false};  // 531441 records
  AUFBAU_FAEDEN = 3;
  gedrueckt = true;  // no Esc in the set-up to compare with
  const AUFGEBAUT frisch = Aufbau(s, 11);
  for (int seiten : {0, 1, 2, 3}) {
    // Late or early, with ordinary pages or huge ones (the chain's memory
    // faulted in before the draws: Esc may come while it is).
    const bool sp = seiten % 2 == 1;
    SEITEN_PROBE = seiten / 2 * 2;
    SCOPED_TRACE(testing::Message() << "late=" << sp << " huge=" << SEITEN_PROBE);
    spaet = sp;
    aufrufe = arbeiter = 0;
    gedrueckt = false;
    rateprobe::SPIEL_VORBEREITEN(s);
    term::RandSeed(3);
    bool ok = true;
    ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::SETUP(ok); }));
    ASSERT_TRUE(gedrueckt);
    if (!sp) {
      EXPECT_GT(arbeiter, 0);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(A, 27);
    EXPECT_EQ(RS.kand, nullptr);
    EXPECT_EQ(RS.erl, nullptr);
    EXPECT_EQ(RS.reserviert, 0u);
    EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
    EXPECT_EQ(SPEICHER_BELEGT, 0u);
    EXPECT_FALSE(ZEITEIN);
    const AUFGEBAUT danach = Aufbau(s, 11);
    EXPECT_TRUE(danach.ordnung == frisch.ordnung);
    EXPECT_TRUE(danach.moeglich == frisch.moeglich);
    EXPECT_EQ(danach.danach, frisch.danach);
  }
}

// The progress row follows the whole set-up: the bar grows through the set-up
// and reaches its tenth star only when the store is complete; until then the
// count of records done stays below the store's size, so the estimate of the
// time still needed does not drop to zero early.
TEST_F(GuessStore, TheTenthStarComesWithTheEndOfTheSetUp) {
  static std::vector<std::pair<int, int32_t>> stand;  // stars, records done
  stand.clear();
  UHR_TESTHAKEN = [] { stand.emplace_back(ZAHL_DER_STERNE, GERATENE_VERSUCHE); };
  for (int fall : {0, 1, 2, 3, 4}) {
    // The small set-up; the big one on one thread and on two, with ordinary
    // pages and with huge ones (the chain's memory faulted in ahead).
    const int faeden = fall == 0 ? 0 : (fall + 1) / 2;
    const bool gross = faeden > 0;
    SEITEN_PROBE = fall == 0 ? -1 : fall % 2 * 2;
    SCOPED_TRACE(testing::Message() << "threads=" << faeden << " huge=" << SEITEN_PROBE);
    stand.clear();
    MISCH_KLEIN_BIS = gross ? 0 : INT64_MAX;
    AUFBAU_FAEDEN = std::max(faeden, 1);
    const AUFGEBAUT a = Aufbau({6, 8, true, false}, 5);  // 262144 records
    ASSERT_GT(stand.size(), 20u);
    EXPECT_EQ(stand.back().first, 10);
    EXPECT_EQ(stand.back().second, ZAHL_DER_VERSUCHE);
    std::set<int> stufen;
    for (size_t i = 0; i + 1 < stand.size(); ++i) {
      EXPECT_LT(stand[i].first, 10) << "service " << i << " of " << stand.size();
      EXPECT_LT(stand[i].second, ZAHL_DER_VERSUCHE);
      if (i > 0) {
        EXPECT_GE(stand[i].second, stand[i - 1].second);
      }
      stufen.insert(stand[i].first);
    }
    // The bar grew step by step. With a worker, the replay after the draws
    // (a few milliseconds here) can pass between two looks of a main thread
    // the machine has set aside for a while, and a few steps with it.
    // With the memory faulted in ahead, that takes its share of the bar at
    // once: in a set-up this small, a third or more.
    EXPECT_GE(stufen.size(), SEITEN_PROBE == 2 ? 4u : faeden == 2 ? 6u : 8u);
  }
}

// The kernel's table of free blocks: the blocks smaller than a huge page count,
// in every zone, whatever the sizes of pages and huge pages; what cannot be
// read counts nothing, so that the store keeps huge pages.
TEST(StorePages, FreeMemoryInSmallBlocksDecidesThePages) {
  const char* tabelle =
      "Node 0, zone      DMA      1      0      0      0      0      0      0      0      1      1 "
      "     3 \n"
      "Node 0, zone    DMA32      2      3      4      2      2      3      3      1      1      2 "
      "   753 \n"
      "Node 0, zone   Normal   5855   6179   7306   5356   4018   2191   1088    469    257    124 "
      "  3624 \n";
  const size_t k = 4096;
  const size_t dma = 1 * k + 1 * 256 * k;
  const size_t dma32 =
      (2 + 3 * 2 + 4 * 4 + 2 * 8 + 2 * 16 + 3 * 32 + 3 * 64 + 1 * 128 + 1 * 256) * k;
  const size_t normal = (5855 + 6179 * 2 + 7306 * 4 + 5356 * 8 + 4018 * 16 + 2191 * 32 + 1088 * 64 +
                         469 * 128 + 257 * 256) *
                        k;
  EXPECT_EQ(KLEIN_FREI(tabelle, k, size_t{2} << 20), dma + dma32 + normal);
  // Huge pages of 64 KiB: blocks of 1 to 8 pages.
  EXPECT_EQ(KLEIN_FREI(tabelle, k, size_t{64} << 10),
            (1 + 2 + 3 * 2 + 4 * 4 + 2 * 8 + 5855 + 6179 * 2 + 7306 * 4 + 5356 * 8) * k);
  // A line cut short, a line of something else, no table at all.
  EXPECT_EQ(KLEIN_FREI("Node 0, zone Normal 3 1\nsomething else 7 7 7\n", k, size_t{2} << 20),
            5 * k);
  EXPECT_EQ(KLEIN_FREI("", k, size_t{2} << 20), 0u);
  EXPECT_EQ(KLEIN_FREI("Node 0, zone Normal x 5", k, size_t{2} << 20), 0u);

  SEITEN_WAEHLEN(750, 1000);
  EXPECT_FALSE(SEITEN_GROSS);
  SEITEN_WAEHLEN(751, 1000);
  EXPECT_TRUE(SEITEN_GROSS);
  SEITEN_WAEHLEN(1, 0);
  EXPECT_TRUE(SEITEN_GROSS);
}

}  // namespace
}  // namespace mtspiel
