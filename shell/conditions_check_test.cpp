#include "shell/conditions_check.h"

#include <gtest/gtest.h>

#include "engine/memory_budget.h"
#include "game/conditions.h"
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

// The check against the budget and the fixed limits, on a machine with room for
// anything (the machine itself has tests of its own below).
class ConditionsCheck : public ::testing::Test {
 protected:
  void SetUp() override { SPEICHER_VERFUEGBAR_TEST = int64_t{1} << 50; }
  void TearDown() override { SPEICHER_VERFUEGBAR_TEST = -1; }
};

TEST_F(ConditionsCheck, RecordSizesAndTheSpareByte) {
  testsupport::MemoryScreen screen;
  Budget(10);
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

TEST_F(ConditionsCheck, FourOfTenFitsEveryBudget) {
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

TEST_F(ConditionsCheck, LengthNineWithElevenSignsCannotBeGuessedButVaried) {
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

TEST_F(ConditionsCheck, VacantSignCountsAsThirdSignForGuessing) {
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

TEST_F(ConditionsCheck, FixedLimitsByLength) {
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

TEST_F(ConditionsCheck, WithoutDisplayNothingIsWritten) {
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

TEST_F(ConditionsCheck, TooSmallBudgetSwitchesOffBothRolesAndFixesTheAnswer) {
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

TEST_F(ConditionsCheck, CapacityLineRedrawnOnlyWhenItChanges) {
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

// A store the budget allows but the machine cannot hold is switched off as one
// the budget cannot hold: the set-up would fill the machine and then give up.
TEST_F(ConditionsCheck, WhatTheMachineCannotHoldIsSwitchedOff) {
  MemoryScreen screen;
  SP_D = false;
  Budget(15);  // 256 GiB
  // A machine of 24 GiB free, less its margin of a tenth: 9 positions of 15
  // signs without repetition are 1.8e9 codes of 32 bytes for the variable code.
  SPEICHER_VERFUEGBAR_TEST = int64_t{24} << 30;
  Roles(false, false);
  KORRIGIERE(15, 9, false, false, true, false);
  EXPECT_FALSE(KANN_MOGELN);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_TRUE(X.FEST);
  EXPECT_EQ(screen->Text(30, 19, 4), "Yes.");
  // 10^9 guesses of 10 signs with repetition: neither store fits.
  Roles(true, false);
  KORRIGIERE(10, 9, true, false, true, false);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_FALSE(X.PC_RAET);
  EXPECT_TRUE(X.FEST);
  EXPECT_EQ(screen->Text(64, 13, 4), "No. ");
  // 8 of 14 without repetition: the 1.2e8 secret codes fit, the 1.5e9 guesses
  // do not.
  Roles(true, false);
  KORRIGIERE(14, 8, false, false, false, false);
  EXPECT_TRUE(KANN_MOGELN);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_FALSE(X.PC_RAET);
  EXPECT_FALSE(X.FEST);
  // The same conditions on a machine with room for them.
  SPEICHER_VERFUEGBAR_TEST = int64_t{1} << 50;
  Roles(true, false);
  KORRIGIERE(14, 8, false, false, false, false);
  EXPECT_TRUE(KANN_RATEN);
  EXPECT_TRUE(X.PC_RAET);
  // The capacity row keeps the budget's arithmetic, whatever the machine.
  SPEICHER_VERFUEGBAR_TEST = 1;
  for (int l = 2; l <= 9; ++l) MERKEZAEHLEFARBEN[l] = 0;
  Budget(15);
  KORRIGIERE(10, 4, false, false, true, false);
  EXPECT_EQ(screen->Text(35, 8, 37), "36   36   36   36   35   21   14   10");
  EXPECT_FALSE(KANN_MOGELN);
  SP_D = true;
}

// The line between fits and does not: the store's bytes against what the
// machine has less its margin, the larger of 256 MiB and a tenth. For the
// guessing the bytes are the larger of its real ones and those the budget
// counts per record, which its set-up holds against the machine as well.
TEST_F(ConditionsCheck, TheMachinesMarginDecides) {
  MemoryScreen screen;
  Budget(15);
  // 7 of 21 without repetition: 5.9e8 secret codes, 1.8e9 guesses.
  const int64_t codes = static_cast<int64_t>(CODESPEICHER_BYTES(7, 21, false));
  int64_t raten = static_cast<int64_t>(RATESPEICHER_BYTES(7, 21, false, false));
  if (raten < int64_t{1801088541} * 64) raten = int64_t{1801088541} * 64;
  ASSERT_GT(codes, 10 * (int64_t{256} << 20));  // the margin is a tenth here
  ASSERT_LT(codes, raten);
  auto pruefen = [](int64_t bytes, int64_t mehr) {
    SPEICHER_VERFUEGBAR_TEST = bytes * 10 / 9 + mehr;
    Roles(true, false);
    KORRIGIERE(21, 7, false, false, false, false);
  };
  pruefen(codes, 20);
  EXPECT_TRUE(KANN_MOGELN);
  EXPECT_FALSE(KANN_RATEN);
  pruefen(codes, -20);
  EXPECT_FALSE(KANN_MOGELN);
  pruefen(raten, 20);
  EXPECT_TRUE(KANN_RATEN);
  pruefen(raten, -20);
  EXPECT_FALSE(KANN_RATEN);
  EXPECT_TRUE(KANN_MOGELN);
  // Below 2.5 GiB the margin is 256 MiB.
  const int64_t klein = static_cast<int64_t>(CODESPEICHER_BYTES(5, 20, false));
  ASSERT_LT(klein + (int64_t{256} << 20), int64_t{2560} << 20);
  SPEICHER_VERFUEGBAR_TEST = klein + (int64_t{256} << 20);
  Roles(false, false);
  KORRIGIERE(20, 5, false, false, false, false);
  EXPECT_TRUE(KANN_MOGELN);
  SPEICHER_VERFUEGBAR_TEST = klein + (int64_t{256} << 20) - 1;
  KORRIGIERE(20, 5, false, false, false, false);
  EXPECT_FALSE(KANN_MOGELN);
}

}  // namespace
}  // namespace mtspiel
