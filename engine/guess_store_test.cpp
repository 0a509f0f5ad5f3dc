#include "engine/guess_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/guess_test_helpers.h"
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

// Big stores are shuffled by drawing first and sorting afterwards, small ones
// through bucket rings. For the same seed both must give the same candidate
// order and possible codes and leave the generator at the same place, also with few buckets, where
// buckets hold hundreds of records, counters saturate and places lie far from
// both ends.
TEST_F(GuessStore, BothShufflesGiveTheSameOrder) {
  struct FALL {
    rateprobe::SPIEL spiel;
    int bits;
  } faelle[] = {{{4, 6, true, false}, 0},  {{4, 6, true, false}, 2},   {{5, 6, true, false}, 3},
                {{4, 2, true, true}, 25},  {{4, 10, false, false}, 9}, {{5, 9, true, false}, 12},
                {{5, 9, true, false}, 25}, {{6, 5, true, false}, 19}};
  for (const FALL& f : faelle) {
    for (uint64_t seed = 1; seed <= 3; ++seed) {
      std::vector<uint64_t> ordnung[2], moeglich[2];
      uint64_t danach[2];
      for (int weg = 0; weg < 2; ++weg) {
        MISCH_KLEIN_BIS = weg == 0 ? INT64_MAX : 0;
        MISCHFELD_BITS = f.bits;
        rateprobe::SPIEL_VORBEREITEN(f.spiel);
        term::RandSeed(seed);
        bool ok = false;
        rateprobe::SETUP(ok);
        ASSERT_TRUE(ok);
        ordnung[weg].assign(RS.kand, RS.kand + RS.kand_n);
        // The big shuffle works inside the possible codes' array when it is
        // big enough: what ends up there must not depend on that.
        moeglich[weg].assign(RS.erl, RS.erl + RS.erl_n * (1 + RS.worte));
        danach[weg] = term::Random64(uint64_t{1} << 40);
      }
      SCOPED_TRACE(testing::Message() << "L=" << f.spiel.laenge << " n=" << f.spiel.farben
                                      << " bits=" << f.bits << " seed=" << seed);
      EXPECT_EQ(ordnung[0], ordnung[1]);
      EXPECT_EQ(moeglich[0], moeglich[1]);
      EXPECT_EQ(danach[0], danach[1]);
      EXPECT_EQ(std::set<uint64_t>(ordnung[1].begin(), ordnung[1].end()).size(), ordnung[1].size());
    }
  }
}

}  // namespace
}  // namespace mtspiel
