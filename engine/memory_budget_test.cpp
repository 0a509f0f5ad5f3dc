#include "engine/memory_budget.h"

#include <gtest/gtest.h>

#include <array>

#include "engine/engine_state.h"
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

TEST_F(MemoryBudget, RecordSizesAndTheSpareByte) {
  testsupport::MemoryScreen screen;
  Table(SPEICHER_BYTES[10]);
  auto genugplatz = [](int l, int n, bool leer) { return 24 + l + n + (leer ? 1 : 0) < SIZERATEN; };
  KORRIGIERE(4, 4, false, false, false, false);
  EXPECT_EQ(SIZERATEN, 32);
  EXPECT_FALSE(genugplatz(4, 4, false));  // 24 + 4 + 4 = 32 leaves no spare byte
  EXPECT_EQ(MEMRATE, 256);
  KORRIGIERE(5, 4, false, false, false, false);
  EXPECT_EQ(SIZERATEN, 64);
  EXPECT_TRUE(genugplatz(4, 5, false));
  EXPECT_EQ(MEMLOES, 120);
  KORRIGIERE(6, 4, false, false, false, false);
  EXPECT_EQ(SIZERATEN, 64);
  EXPECT_EQ(MEMLOES * 32, 11520);
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
