#include "game/signs.h"

#include <gtest/gtest.h>

namespace mtspiel {
namespace {

void SetSet(char erstes, char letztes) {
  X.ERSTES = erstes;
  X.LETZTES = letztes;
  POSITIONSWERTE(erstes);
  ZEICHENTABELLEN();
}

CODE C(const char* s) {
  CODE c;
  c.z[0] = c.z[1] = c.z[2] = c.z[3] = c.z[4] = c.z[5] = c.z[6] = c.z[7] = c.z[8] = ' ';
  for (int i = 0; s[i] && i < 9; ++i) c.z[i] = s[i];
  return c;
}

TEST(Signs, NumbersOfTheDigitSet) {
  SetSet('0', '9');
  EXPECT_EQ(MAXFARBE, 10);
  EXPECT_EQ(NR('0'), 1);
  EXPECT_EQ(NR('9'), 10);
  EXPECT_EQ(NR('a'), 11);
  EXPECT_FALSE(IST_ZEICHEN('a'));
  EXPECT_TRUE(IST_ZEICHEN('5'));
}

TEST(Signs, SetThatWrapsAroundTheRing) {
  SetSet('x', '2');
  EXPECT_EQ(MAXFARBE, 6);
  EXPECT_EQ(NR('0'), 4);
  EXPECT_EQ(std::string(FARBARRAY + 1, 6), "xyz012");
  EXPECT_EQ(FARBARRAY[0], '*');
}

TEST(Signs, EveryFirstSignNumbersTheWholeRing) {
  const std::string ring = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (size_t f = 0; f < ring.size(); ++f) {
    SetSet(ring[f], ring[(f + 35) % 36]);
    EXPECT_EQ(MAXFARBE, 36);
    for (size_t i = 0; i < ring.size(); ++i) {
      const int expected = 1 + static_cast<int>((i + 36 - f) % 36);
      EXPECT_EQ(NR(ring[i]), expected) << "first " << ring[f] << " sign " << ring[i];
      EXPECT_EQ(FARBARRAY[expected], ring[i]);
    }
  }
}

TEST(Signs, CharactersBetweenDigitsAndLettersAreNoSigns) {
  SetSet('0', 'z');
  for (char c = ':'; c <= '`'; ++c) {
    EXPECT_EQ(NR(c), 255);
    EXPECT_FALSE(IST_ZEICHEN(c));
  }
}

TEST(Scoring, WorkedExamples) {
  SetSet('0', 'z');
  uint8_t p, s;
  BEWERTE(C("2934"), C("2473"), 4, p, s);
  EXPECT_EQ(p, 1);
  EXPECT_EQ(s, 2);
  BEWERTE(C("*a*b"), C("acab"), 4, p, s);
  EXPECT_EQ(p, 1);
  EXPECT_EQ(s, 1);
  BEWERTE(C("a*d"), C("ade"), 3, p, s);
  EXPECT_EQ(p, 1);
  EXPECT_EQ(s, 1);
  BEWERTE(C("1111"), C("1234"), 4, p, s);
  EXPECT_EQ(p, 1);
  EXPECT_EQ(s, 0);
  BEWERTE(C("4321"), C("1234"), 4, p, s);
  EXPECT_EQ(p, 0);
  EXPECT_EQ(s, 4);
  BEWERTE(C("****"), C("1234"), 4, p, s);
  EXPECT_EQ(p, 0);
  EXPECT_EQ(s, 0);
}

TEST(Wieviele, TableAndSpecialRows) {
  EXPECT_EQ(WIEVIELE(4, 10, false, false), 7);
  EXPECT_EQ(WIEVIELE(4, 6, true, false), 5);
  EXPECT_EQ(WIEVIELE(4, 2, true, true), 3);
  EXPECT_EQ(WIEVIELE(4, 2, true, false), 4);
  EXPECT_EQ(WIEVIELE(8, 15, false, false), 0);
  EXPECT_EQ(WIEVIELE(1, 12, false, false), 12);
  EXPECT_EQ(WIEVIELE(0, 12, false, false), 0);
  EXPECT_EQ(WIEVIELE(5, 1, false, false), 1);
  EXPECT_EQ(WIEVIELE(5, 0, false, false), 0);
  EXPECT_EQ(WIEVIELE(9, 10, true, false), 11);
  // The vacant sign matters only for two signs and lengths 4..9.
  EXPECT_EQ(WIEVIELE(3, 2, true, true), WIEVIELE(3, 2, true, false));
  EXPECT_EQ(WIEVIELE(4, 3, true, true), WIEVIELE(4, 3, true, false));
}

TEST(Wieviele, LengthsTwoAndThreeFollowTheirClosedForms) {
  for (int n = 2; n <= 36; ++n) {
    EXPECT_EQ(WIEVIELE(2, n, false, false), (n + 3) / 2) << n;
    EXPECT_EQ(WIEVIELE(2, n, true, false), (n + 4) / 2) << n;
    if (n >= 6) {
      EXPECT_EQ(WIEVIELE(3, n, false, false), (n + 10) / 3) << n;
      EXPECT_EQ(WIEVIELE(3, n, true, false), (n + 11) / 3) << n;
    }
  }
}

}  // namespace
}  // namespace mtspiel
