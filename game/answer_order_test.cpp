#include "game/answer_order.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "game/conditions.h"

namespace mtspiel {
namespace {

void Order(uint8_t laenge) {
  X.LAENGE = laenge;
  LETZTEZAHL = 0;
  REIHENFOLGE();
}

TEST(AnswerOrder, EveryLengthListsEachPossibleClassOnceAndNeverTheImpossibleOne) {
  for (int l = 1; l <= 9; ++l) {
    Order(static_cast<uint8_t>(l));
    ASSERT_EQ(ZAHL_DER_GRUPPEN, (l + 1) * (l + 2) / 2 - 1) << "length " << l;
    std::set<std::pair<int, int>> gesehen;
    for (int i = 1; i <= ZAHL_DER_GRUPPEN; ++i) {
      const int p = POS_ORD[i], t = ZEI_ORD[i];
      EXPECT_LE(p, t) << "length " << l << " entry " << i;
      EXPECT_LE(t, l) << "length " << l << " entry " << i;
      EXPECT_FALSE(p == l - 1 && t == l) << "length " << l << " lists (L-1, L)";
      EXPECT_TRUE(gesehen.insert({p, t}).second) << "length " << l << " repeats " << p << t;
    }
  }
}

// The groups follow one another: partly in place, none in place, all in place
// (rising), nothing in common, every sign in common (rising P, solved last).
TEST(AnswerOrder, GroupsComeInTheirFixedSequence) {
  for (int l = 2; l <= 9; ++l) {
    Order(static_cast<uint8_t>(l));
    auto gruppe = [l](int p, int t) {
      if (t == l) return 4;
      if (t == 0) return 3;
      if (p == t) return 2;
      if (p == 0) return 1;
      return 0;
    };
    for (int i = 2; i <= ZAHL_DER_GRUPPEN; ++i) {
      const int a = gruppe(POS_ORD[i - 1], ZEI_ORD[i - 1]), b = gruppe(POS_ORD[i], ZEI_ORD[i]);
      EXPECT_LE(a, b) << "length " << l << " entry " << i;
      if (a == b && (a == 2 || a == 4)) {
        EXPECT_LT(POS_ORD[i - 1], POS_ORD[i]);
      }
    }
    EXPECT_EQ(POS_ORD[ZAHL_DER_GRUPPEN], l);
    EXPECT_EQ(ZEI_ORD[ZAHL_DER_GRUPPEN], l);
  }
}

TEST(AnswerOrder, BuiltOnlyWhenTheLengthChanges) {
  Order(4);
  EXPECT_EQ(POS_ORD[1], 1);
  EXPECT_EQ(ZEI_ORD[1], 2);
  POS_ORD[1] = 7;  // a rebuild would overwrite this
  REIHENFOLGE();
  EXPECT_EQ(POS_ORD[1], 7);
  LETZTEZAHL = 0;
  REIHENFOLGE();
  EXPECT_EQ(POS_ORD[1], 1);
  X.LAENGE = 0;
  REIHENFOLGE();
  EXPECT_EQ(ZAHL_DER_GRUPPEN, 0);
  EXPECT_EQ(LETZTEZAHL, 0);
}

TEST(AnswerOrder, LargestClassTiesGoToTheEarlierClass) {
  Order(4);
  KLASSENTABELLE k = {};
  k[2][1] = 5;  // (P 1, T 2), first of the order
  k[2][0] = 5;  // (P 0, T 2), later
  k[4][4] = 5;  // solved, last
  uint8_t p = 9, t = 9;
  GROESSTE_KLASSE(k, p, t);
  EXPECT_EQ(p, 1);
  EXPECT_EQ(t, 2);
  k[2][0] = 6;
  GROESSTE_KLASSE(k, p, t);
  EXPECT_EQ(p, 0);
  EXPECT_EQ(t, 2);

  KLASSENTABELLE nur_geloest = {};
  nur_geloest[4][4] = 1;
  GROESSTE_KLASSE(nur_geloest, p, t);
  EXPECT_EQ(p, 4);
  EXPECT_EQ(t, 4);
}

}  // namespace
}  // namespace mtspiel
