#include "engine/memory_budget.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "engine/engine_state.h"
#include "engine/guess_evaluate.h"
#include "engine/guess_store.h"
#include "engine/guess_test_helpers.h"
#include "engine/open_codes.h"
#include "engine/variable_code.h"
#include "engine/variable_code_store.h"
#include "game/trial_record.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

// Every test starts with nothing reserved and must leave nothing reserved.
class MemoryBudget : public ::testing::Test {
 protected:
  void SetUp() override {
    LISTEN_FREIGEBEN(true);
    FEHLSCHLAG_BEI_RESERVIERUNG = -1;
    SPEICHER_VERFUEGBAR_TEST = -1;
    ASSERT_EQ(SPEICHER_RESERVIERT, 0u);
  }
  void TearDown() override {
    LISTEN_FREIGEBEN(true);
    EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
    FEHLSCHLAG_BEI_RESERVIERUNG = -1;
    SPEICHER_VERFUEGBAR_TEST = -1;
    MEMAVAIL_FPC = SPEICHER_BYTES[10];
    LISTEN_FREIGEBEN(false);
  }
  static std::array<int, 8> Table(int64_t budget) {
    MEMAVAIL_FPC = budget;
    LISTEN_FREIGEBEN(false);
    std::array<int, 8> t{};
    for (int l = 2; l <= 9; ++l) t[l - 2] = ZAEHLEFARBEN[l];
    return t;
  }
};

TEST_F(MemoryBudget, CapacityTableOfFourBudgets) {
  EXPECT_EQ(Table(673280), (std::array<int, 8>{36, 21, 10, 6, 4, 3, 3, 2}));
  EXPECT_EQ(MEMGES, 673280);
  EXPECT_TRUE(GEAENDERT);
  EXPECT_EQ(Table(43089920), (std::array<int, 8>{36, 36, 28, 14, 9, 6, 5, 4}));
  EXPECT_EQ(Table(5515509760), (std::array<int, 8>{36, 36, 36, 35, 21, 13, 9, 7}));
  // Here the caps decide lengths 6 to 9.
  EXPECT_EQ(Table(176473500000), (std::array<int, 8>{36, 36, 36, 36, 35, 21, 14, 10}));
}

TEST_F(MemoryBudget, BudgetRoundedDownToThirtyTwo) {
  Table(1000063);
  EXPECT_EQ(MEMGES, 1000032);
}

TEST_F(MemoryBudget, UnchangedBudgetKeepsTheTableButReappliesTheCaps) {
  Table(5515509760);
  ZAEHLEFARBEN[3] = 5;   // not recomputed while the budget stays
  ZAEHLEFARBEN[9] = 30;  // capped again on every call
  LISTEN_FREIGEBEN(false);
  EXPECT_FALSE(GEAENDERT);
  EXPECT_EQ(ZAEHLEFARBEN[3], 5);
  EXPECT_EQ(ZAEHLEFARBEN[9], 10);
  MEMAVAIL_FPC = 43089920;
  LISTEN_FREIGEBEN(false);
  EXPECT_TRUE(GEAENDERT);
  EXPECT_EQ(ZAEHLEFARBEN[3], 36);
}

TEST_F(MemoryBudget, ReleaseWithFalseFreesNothing) {
  Table(SPEICHER_BYTES[10]);
  ASSERT_TRUE(CODE_BLOCK_HOLEN(100));
  PTR_O_F c = CODE_SATZ(99);
  ERL = c;
  c->ERL_NAECHSTER = nullptr;
  NEUER_KANDIDAT = true;
  LISTEN_FREIGEBEN(false);
  EXPECT_EQ(ERL, c);
  EXPECT_NE(ERLLOE, nullptr);
  EXPECT_EQ(SPEICHER_RESERVIERT, 100 * 32u);
  EXPECT_TRUE(NEUER_KANDIDAT);
  LISTEN_FREIGEBEN(true);
  EXPECT_EQ(ERL, nullptr);
  EXPECT_EQ(ERLLOE, nullptr);
  EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
  EXPECT_FALSE(NEUER_KANDIDAT);
}

TEST_F(MemoryBudget, ReservationsStayWithinTheBudget) {
  Table(64 * 32);
  EXPECT_TRUE(SPEICHER_RESERVIEREN(40 * 32));
  EXPECT_FALSE(SPEICHER_RESERVIEREN(25 * 32));
  EXPECT_EQ(SPEICHER_RESERVIERT, 40 * 32u);
  EXPECT_TRUE(SPEICHER_RESERVIEREN(24 * 32));
  EXPECT_FALSE(SPEICHER_RESERVIEREN(1));
  SPEICHER_ZURUECKGEBEN(64 * 32);
  EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
}

TEST_F(MemoryBudget, ReservationBeyondWhatTheMachineHasIsRefused) {
  const int64_t frei = SPEICHER_VERFUEGBAR();
  ASSERT_GT(frei, 0) << "MemAvailable could not be read";
  Table(int64_t{1} << 50);  // a budget far above any machine
  EXPECT_FALSE(SPEICHER_RESERVIEREN(static_cast<uint64_t>(frei)));
  EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
  EXPECT_LE(SPEICHER_MASCHINENGRENZE, static_cast<uint64_t>(frei) - (256u << 20));
  EXPECT_TRUE(SPEICHER_RESERVIEREN(1 << 20));
  SPEICHER_ZURUECKGEBEN(1 << 20);

  // The margin is the larger of 256 MiB and a tenth.
  SPEICHER_VERFUEGBAR_TEST = int64_t{10} << 30;
  EXPECT_FALSE(SPEICHER_RESERVIEREN((9ull << 30) + 1));
  EXPECT_TRUE(SPEICHER_RESERVIEREN(9ull << 30));
  SPEICHER_ZURUECKGEBEN(9ull << 30);
  SPEICHER_VERFUEGBAR_TEST = int64_t{1} << 30;
  EXPECT_FALSE(SPEICHER_RESERVIEREN(769ull << 20));
  EXPECT_TRUE(SPEICHER_RESERVIEREN(768ull << 20));
  SPEICHER_ZURUECKGEBEN(768ull << 20);
}

// Peak resident bytes of this process while fn runs, beyond what it held before;
// -1 when the kernel cannot reset its record of the peak.
int64_t Spitzenzuwachs(const std::function<void()>& fn) {
  auto lesen = [](const char* feld) {
    std::ifstream f("/proc/self/status");
    std::string zeile;
    while (std::getline(f, zeile))
      if (zeile.rfind(feld, 0) == 0) return std::stoll(zeile.substr(std::strlen(feld))) * 1024;
    return -1LL;
  };
  // Memory still on its way back would make the peak and the resident size
  // part: a store released behind the game is waited for, and free memory the
  // allocator still holds (it would be used again without showing as growth)
  // is given back. The reset holds when the peak is the resident size right
  // after it; pages the kernel reclaims meanwhile can still part them, so it
  // is tried a few times.
  FREIGABE_ABWARTEN();
  malloc_trim(0);
  int64_t vorher = -1;
  for (int versuch = 0; versuch < 5 && vorher < 0; ++versuch) {
    FILE* f = std::fopen("/proc/self/clear_refs", "w");
    if (f == nullptr) return -1;
    const bool zurueckgesetzt = std::fputs("5", f) >= 0;
    if (std::fclose(f) != 0 || !zurueckgesetzt) return -1;
    const int64_t rss = lesen("VmRSS:");
    if (rss >= 0 && lesen("VmHWM:") <= rss + (1 << 20)) vorher = rss;
  }
  if (vorher < 0) return -1;
  fn();
  return lesen("VmHWM:") - vorher;
}

// The real sizes the conditions check holds against the machine must not fall
// short of what the set-ups take, nor overstate it much: sizes measured as the
// peak of resident memory while each set-up runs.
TEST_F(MemoryBudget, RealSizesOfTheStoresMatchWhatTheirSetUpsTake) {
  testsupport::MemoryScreen screen;
  constexpr int64_t kSpiel = 24 << 20;  // rounding to huge pages, code, the screen
  struct Fall {
    int laenge, farben;
    bool wdhg;
  } faelle[] = {
      {7, 9, true},    // the draws lie in the possible codes' array
      {6, 12, false},  // few possible codes: the draws need an array of their own
  };
  for (const Fall& f : faelle) {
    SCOPED_TRACE(std::to_string(f.laenge) + " of " + std::to_string(f.farben));
    rateprobe::SPIEL_VORBEREITEN({f.laenge, f.farben, f.wdhg, false, true, true, 0});
    bool ok = false;
    // The most a store holds in a game: its set-up, then every possible code
    // written out (as an answer that rules none out would leave them).
    const int64_t gemessen = Spitzenzuwachs([&] {
      rateprobe::SETUP(ok);
      if (ok) MOEGLICHE_SCHREIBEN(0, -1, UNTERBRECHUNG{});
    });
    ASSERT_TRUE(ok);
    LISTEN_FREIGEBEN(true);
    FREIGABE_ABWARTEN();  // the store goes back behind the game: wait for it
    if (gemessen < 0) GTEST_SKIP() << "the peak of resident memory cannot be reset here";
    const auto bytes = static_cast<int64_t>(RATESPEICHER_BYTES(f.laenge, f.farben, f.wdhg, false));
    EXPECT_LE(gemessen, bytes + kSpiel) << "estimate " << bytes;
    EXPECT_GE(gemessen + kSpiel, bytes) << "estimate " << bytes;
  }
  // The variable answer code: a million codes of repeating signs.
  X.ERSTES = '0';
  X.LETZTES = '9';
  POSITIONSWERTE('0');
  ZEICHENTABELLEN();
  X.LAENGE = 6;
  X.WDHG = true;
  X.PC_STELLT = true;
  X.PC_RAET = false;
  X.FEST = false;
  bool ok = false;
  const int64_t gemessen = Spitzenzuwachs([&] { INIT_NICHT_FEST(ok); });
  ASSERT_TRUE(ok);
  LISTEN_FREIGEBEN(true);
  if (gemessen < 0) GTEST_SKIP() << "the peak of resident memory cannot be reset here";
  const auto bytes = static_cast<int64_t>(CODESPEICHER_BYTES(6, 10, true));
  EXPECT_LE(gemessen, bytes + kSpiel) << "estimate " << bytes;
  EXPECT_GE(gemessen + kSpiel, bytes) << "estimate " << bytes;
}

// A block may count more bytes against the budget than it occupies: the
// budget sees the first amount, the machine limit the second.
TEST_F(MemoryBudget, TheMachineLimitCountsWhatABlockReallyOccupies) {
  Table(int64_t{40} << 30);
  SPEICHER_VERFUEGBAR_TEST = int64_t{10} << 30;  // machine limit 9 GiB
  EXPECT_TRUE(SPEICHER_RESERVIEREN(16ull << 30, 8ull << 30));
  EXPECT_FALSE(SPEICHER_RESERVIEREN(1ull << 30, (1ull << 30) + 1));  // the machine is full
  EXPECT_TRUE(SPEICHER_RESERVIEREN(1ull << 30, 1ull << 30));
  EXPECT_FALSE(SPEICHER_RESERVIEREN(24ull << 30, 0));  // the budget is full
  EXPECT_EQ(SPEICHER_RESERVIERT, 17ull << 30);
  EXPECT_EQ(SPEICHER_BELEGT, 9ull << 30);
  SPEICHER_ZURUECKGEBEN(16ull << 30, 8ull << 30);
  SPEICHER_ZURUECKGEBEN(1ull << 30);
  EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
  EXPECT_EQ(SPEICHER_BELEGT, 0u);
}

TEST_F(MemoryBudget, FailureHookFailsTheKthReservationOnce) {
  Table(SPEICHER_BYTES[10]);
  FEHLSCHLAG_BEI_RESERVIERUNG = 2;
  EXPECT_TRUE(SPEICHER_RESERVIEREN(32));
  EXPECT_TRUE(SPEICHER_RESERVIEREN(32));
  EXPECT_FALSE(SPEICHER_RESERVIEREN(32));
  EXPECT_EQ(FEHLSCHLAG_BEI_RESERVIERUNG, -1);
  EXPECT_TRUE(SPEICHER_RESERVIEREN(32));
  SPEICHER_ZURUECKGEBEN(96);
}

}  // namespace
}  // namespace mtspiel
