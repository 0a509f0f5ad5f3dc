#include <gtest/gtest.h>

#include "engine/variable_code.h"
#include "game/input.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

using testsupport::MemoryScreen;
using testsupport::RunsToEnd;
using testsupport::WaitsForKey;

class Referee : public ::testing::Test {
 protected:
  void SetUp() override {
    X.LAENGE = 4;
    X.TON = false;
    K = 12;
    X3I = 56;
    X4I = 58;
  }
  // Runs LESE_ANTWORT on the table with the keys; false when it waited for more.
  bool Answer(const char* keys) {
    screen.Keys(keys);
    taste = 'x';
    return RunsToEnd([&] { LESE_ANTWORT(k, p, s, taste); });
  }
  MemoryScreen screen;
  KLASSENTABELLE k = {};
  uint8_t p = 99, s = 99;
  char taste = 0;
};

TEST_F(Referee, SharedPIsFilledInAndOnlyOccurringTotalsAreTaken) {
  k[1][0] = 5;
  k[2][0] = 3;
  // P = 0 for every class: filled in. Backspace cannot reopen it, 3 names an
  // empty class, 9 is beyond the length, Up is ignored.
  ASSERT_TRUE(Answer("\b39\x1b[A2"));
  EXPECT_EQ(p, 0);
  EXPECT_EQ(s, 2);
  EXPECT_EQ(taste, 'x');
  EXPECT_EQ(screen->Text(56, 12, 3), "0 2");
  EXPECT_EQ(term::WhereX(), 58);
  EXPECT_EQ(term::WhereY(), 12);
}

TEST_F(Referee, TypedPMustNameANonEmptyClassAndALoneClassFillsS) {
  k[2][1] = 4;
  k[2][0] = 3;
  ASSERT_TRUE(Answer("53a1"));  // 5 > L, no class has P = 3, a is no digit
  EXPECT_EQ(p, 1);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(screen->Text(56, 12, 3), "1 1");
}

TEST_F(Referee, BackspaceAtSAsksATypedPAgain) {
  k[2][1] = 4;
  k[3][1] = 2;
  k[1][0] = 1;
  ASSERT_TRUE(Answer("1\b0"));
  EXPECT_EQ(p, 0);
  EXPECT_EQ(s, 1);
  EXPECT_EQ(screen->Text(56, 12, 3), "0 1");

  screen.Keys("1\b");
  ASSERT_TRUE(WaitsForKey([&] { LESE_ANTWORT(k, p, s, taste); }));
  EXPECT_EQ(screen->Text(56, 12, 1), " ");  // P cleared, waiting for it again
  EXPECT_EQ(term::WhereX(), 56);
}

TEST_F(Referee, SolvedOnlyWhenTheGuessIsStillPossible) {
  k[2][2] = 3;
  k[4][0] = 1;
  ASSERT_TRUE(Answer("42"));  // no code is the guess itself
  EXPECT_EQ(p, 2);
  EXPECT_EQ(s, 0);
  k[4][4] = 1;
  ASSERT_TRUE(Answer("4"));
  EXPECT_EQ(p, 4);
  EXPECT_EQ(s, 0);
}

TEST_F(Referee, EscAndCtrlCEndIt) {
  k[2][1] = 4;
  k[2][0] = 3;
  ASSERT_TRUE(Answer("\x03"));
  EXPECT_EQ(taste, 27);
  k[3][0] = 1;
  ASSERT_TRUE(Answer("0\x1b"));
  EXPECT_EQ(taste, 27);
}

TEST_F(Referee, BeepsWithSoundOnAndWaitsWithoutKeys) {
  X.TON = true;
  k[1][0] = 1;
  k[1][1] = 1;
  const int vorher = screen->Bells();
  screen.Keys("");
  EXPECT_TRUE(WaitsForKey([&] { LESE_ANTWORT(k, p, s, taste); }));
  EXPECT_EQ(screen->Bells(), vorher + 1);
}

}  // namespace
}  // namespace mtspiel
