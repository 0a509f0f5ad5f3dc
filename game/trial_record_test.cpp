#include "game/trial_record.h"

#include <gtest/gtest.h>

#include "engine/memory_budget.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

using testsupport::MemoryScreen;

// A budget of the configuration page, recomputed on the next check.
void Budget(int wahl) {
  MEMAVAIL_FPC = SPEICHER_BYTES[wahl];
  MERKEMEMAVAIL = -1;
}

void Roles(bool pc_raet, bool fest) {
  X.PC_RAET = pc_raet;
  X.FEST = fest;
  X.PC_STELLT = true;
}

TEST(TrialRecord, RecordLayoutAndRing) {
  EXPECT_EQ(sizeof(VERSUCH), 13u);
  EXPECT_EQ(offsetof(VERSUCH, KOMBINATION), 2u);
  EXPECT_EQ(offsetof(VERSUCH, P), 11u);
  EXPECT_EQ(sizeof(VFELD), 31 * 13u);
  EXPECT_EQ(V30_PLATZ(1), 1);
  EXPECT_EQ(V30_PLATZ(30), 30);
  EXPECT_EQ(V30_PLATZ(31), 1);
  EXPECT_EQ(V30_PLATZ(61), 1);
  EXPECT_EQ(V30_PLATZ(2147483647), (2147483647 - 1) % 30 + 1);
}

TEST(ConditionsCheck, FourOfTenFitsEveryBudget) {
  MemoryScreen screen;
  for (int wahl = 1; wahl <= 15; ++wahl) {
    Budget(wahl);
    Roles(true, false);
    KORRIGIERE(10, 4, false, false, false, false);
    EXPECT_TRUE(KANN_RATEN) << wahl;
    EXPECT_TRUE(KANN_MOGELN) << wahl;
    EXPECT_EQ(MEMLOES, 5040);
    EXPECT_EQ(MEMRATE, 10000);
    EXPECT_EQ(SIZERATEN, 64);
    EXPECT_EQ(SIZERATENPTR, 64u);
    EXPECT_TRUE(X.PC_RAET);
    EXPECT_FALSE(X.FEST);
  }
}

TEST(ConditionsCheck, LengthNineWithElevenSignsCannotBeGuessedButVaried) {
  MemoryScreen screen;
  SP_D = true;
  Budget(7);  // 1 GiB holds 11!/2! codes of 32 bytes
  Roles(true, false);
  term::GotoXY(3, 4);
  KORRIGIERE(11, 9, false, false, true, false);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_TRUE(KANN_MOGELN);
  EXPECT_EQ(MEMLOES, 19958400);
  EXPECT_FALSE(X.PC_RAET);
  EXPECT_FALSE(X.FEST);
  EXPECT_EQ(screen->Text(57, 13, 5), "Nein.");
  EXPECT_EQ(screen->Text(30, 19, 5), "     ");
  EXPECT_EQ(term::WhereX(), 3);
  EXPECT_EQ(term::WhereY(), 4);

  // With repetitions the variable code goes too, and the answer becomes fixed.
  SP_D = false;
  Roles(true, false);
  KORRIGIERE(11, 9, true, false, true, false);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_FALSE(KANN_MOGELN);
  EXPECT_FALSE(X.PC_RAET);
  EXPECT_TRUE(X.FEST);
  EXPECT_EQ(screen->Text(64, 13, 4), "No. ");
  EXPECT_EQ(screen->Text(30, 19, 4), "Yes.");
  SP_D = true;
}

TEST(ConditionsCheck, VacantSignCountsAsThirdSignForGuessing) {
  MemoryScreen screen;
  Budget(10);
  Roles(true, false);
  KORRIGIERE(2, 4, true, true, false, false);
  EXPECT_EQ(MEMRATE, 80);
  EXPECT_EQ(SIZERATEN, 32);
  EXPECT_EQ(MEMLOES, 16);
  // Below length 4, or with more signs, the vacant sign does not count.
  KORRIGIERE(2, 3, true, true, false, false);
  EXPECT_EQ(MEMRATE, 8);
  KORRIGIERE(3, 4, true, true, false, false);
  EXPECT_EQ(MEMRATE, 81);
}

TEST(ConditionsCheck, FixedLimitsByLength) {
  MemoryScreen screen;
  Budget(15);
  struct Fall {
    int n, l;
    bool wdhg, raten, mogeln;
  } faelle[] = {
      {36, 5, true, true, true},   {36, 6, false, false, true},  {35, 6, true, true, true},
      {36, 6, true, false, false}, {21, 7, true, true, true},    {22, 7, false, false, true},
      {24, 7, false, false, true}, {25, 7, false, false, false}, {22, 7, true, false, false},
      {14, 8, true, true, true},   {18, 8, false, false, true},  {19, 8, false, false, false},
      {10, 9, true, true, true},   {15, 9, false, false, true},  {16, 9, false, false, false},
      {11, 9, true, false, false},
  };
  for (const Fall& f : faelle) {
    Roles(true, false);
    KORRIGIERE(static_cast<uint8_t>(f.n), static_cast<uint8_t>(f.l), f.wdhg, false, false, false);
    EXPECT_EQ(KANN_RATEN, f.raten) << f.n << " signs, length " << f.l << " wdhg " << f.wdhg;
    EXPECT_EQ(KANN_MOGELN, f.mogeln) << f.n << " signs, length " << f.l << " wdhg " << f.wdhg;
    EXPECT_EQ(X.PC_RAET, f.raten);
    EXPECT_EQ(X.FEST, !f.mogeln);
  }
}

TEST(ConditionsCheck, WithoutDisplayNothingIsWritten) {
  MemoryScreen screen;
  Budget(1);
  Roles(true, false);
  const long vorher = screen->CellsWritten();
  KORRIGIERE(10, 6, false, false, false, false);
  EXPECT_EQ(screen->CellsWritten(), vorher);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_FALSE(X.PC_RAET);
  // The capacity table shown is taken over silently.
  for (int l = 2; l <= 9; ++l) EXPECT_EQ(MERKEZAEHLEFARBEN[l], ZAEHLEFARBEN[l]);
}

TEST(ConditionsCheck, TooSmallBudgetSwitchesOffBothRolesAndFixesTheAnswer) {
  MemoryScreen screen;
  SP_D = true;
  Budget(1);  // 673280 bytes: 151200 codes of 32 bytes do not fit
  Roles(true, false);
  KORRIGIERE(10, 6, false, false, true, false);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_FALSE(KANN_MOGELN);
  EXPECT_TRUE(X.FEST);
  EXPECT_FALSE(X.PC_RAET);
  EXPECT_EQ(screen->Text(57, 13, 5), "Nein.");
  EXPECT_EQ(screen->Text(30, 19, 5), "Ja.  ");
  // 7920 codes fit the variable code, but 14641 guess records of 64 bytes do not.
  Roles(true, false);
  KORRIGIERE(11, 4, false, false, false, false);
  EXPECT_TRUE(KANN_MOGELN);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_FALSE(X.FEST);
}

TEST(ConditionsCheck, CapacityLineRedrawnOnlyWhenItChanges) {
  MemoryScreen screen;
  for (int l = 2; l <= 9; ++l) MERKEZAEHLEFARBEN[l] = 0;
  Budget(1);
  Roles(false, true);
  KORRIGIERE(10, 4, false, false, true, false);
  EXPECT_EQ(screen->Text(35, 8, 37), "36   21   10    6    4    3    3    2");
  const long vorher = screen->CellsWritten();
  KORRIGIERE(10, 4, false, false, true, false);  // same budget: nothing to redraw
  EXPECT_EQ(screen->CellsWritten(), vorher);
  Budget(3);
  KORRIGIERE(10, 4, false, false, true, false);
  EXPECT_EQ(screen->Text(35, 8, 37), "36   36   28   14    9    6    5    4");
}

}  // namespace
}  // namespace mtspiel
