#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/guessing.h"
#include "game/conditions.h"
#include "game/signs.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

void SignSet(char erstes, char letztes) {
  X.ERSTES = erstes;
  X.LETZTES = letztes;
  POSITIONSWERTE(erstes);
  ZEICHENTABELLEN();
}

std::string Blanks(std::string s) {
  std::replace(s.begin(), s.end(), '_', ' ');
  return s;
}

TEST(InitMuster, TellingResults) {
  SignSet('0', 'z');
  EXPECT_EQ(INIT_MUSTER(4, 10, false, false), Blanks("_____(0123)_"));
  EXPECT_EQ(INIT_MUSTER(4, 6, true, false), Blanks("_____(0011)_"));
  EXPECT_EQ(INIT_MUSTER(4, 6, true, true), Blanks("_____(0011)_"));
  EXPECT_EQ(INIT_MUSTER(4, 7, false, true), Blanks("_____(0012)_"));
  EXPECT_EQ(INIT_MUSTER(4, 2, true, true), Blanks("_____(000*)_"));
  EXPECT_EQ(INIT_MUSTER(4, 2, true, false), Blanks("_____(0001)_"));
  EXPECT_EQ(INIT_MUSTER(3, 5, false, false), Blanks("______(012)_"));
  // The opening-pattern table is the one source: row 1-1-2-3-4 for (5, 8).
  EXPECT_EQ(INIT_MUSTER(5, 8, true, false), Blanks("____(00123)_"));
  EXPECT_EQ(INIT_MUSTER(9, 10, false, true), Blanks("(000011234)_"));
  EXPECT_EQ(INIT_MUSTER(2, 2, true, false), std::string(12, ' '));
  EXPECT_EQ(INIT_MUSTER(1, 5, true, false), Blanks("________(0)_"));
  EXPECT_EQ(INIT_MUSTER(0, 5, true, false), std::string(12, ' '));
  SignSet('a', 'f');
  EXPECT_EQ(INIT_MUSTER(4, 6, true, false), Blanks("_____(aabb)_"));
  SignSet('0', '9');
}

TEST(InitMuster, TwelveCharactersAndTheVacantOnlyWithTwoSigns) {
  SignSet('0', 'z');
  for (int l = 0; l <= 10; ++l)
    for (int n = 0; n <= 36; ++n)
      for (int w = 0; w < 2; ++w)
        for (int v = 0; v < 2; ++v) {
          const std::string t = INIT_MUSTER(l, n, w, v);
          ASSERT_EQ(t.size(), 12u) << l << " " << n;
          if (l >= 1 && l <= 9 && n >= 1 && !(l == 2 && n == 2 && w)) {
            EXPECT_EQ(t[10], ')');
            EXPECT_EQ(t[static_cast<size_t>(9 - l)], '(');
          }
          const bool vacant_matters = n == 2 && l >= 4 && l <= 9;
          if (!vacant_matters) {
            EXPECT_EQ(t, INIT_MUSTER(l, n, w, !v)) << l << " " << n;
          }
        }
  // Fewer signs than positions without repetitions: the rows with repetitions.
  EXPECT_EQ(INIT_MUSTER(5, 3, false, false), INIT_MUSTER(5, 3, true, false));
  EXPECT_EQ(INIT_MUSTER(9, 2, false, true), Blanks("(00000001*)_"));
  SignSet('0', '9');
}

TEST(AnfangBilden, LaysThePatternOutThroughThePermutations) {
  testsupport::MemoryScreen screen;
  SignSet('0', '9');
  // Pattern 1-1-2-2 for 4 positions and 6 signs with repetitions.
  const uint8_t permz[5] = {0, 4, 2, 3, 1};
  const uint8_t permf[7] = {0, 5, 3, 6, 1, 2, 4};
  std::copy(permz, permz + 5, PERMZ);
  std::copy(permf, permf + 7, PERMF);
  ANFANG_BILDEN(4, 6, true, false, false);
  EXPECT_TRUE(OK);
  // Pattern position k goes to code position PERMZ[k] with sign PERMF[digit].
  EXPECT_EQ(ANFANG[4], 5);
  EXPECT_EQ(ANFANG[2], 5);
  EXPECT_EQ(ANFANG[3], 3);
  EXPECT_EQ(ANFANG[1], 3);
  EXPECT_EQ(ANFANG_ANZAHL[5], 2);
  EXPECT_EQ(ANFANG_ANZAHL[3], 2);
  // With the filler and two signs the filler PERMF[0] takes the last place.
  PERMF[0] = 0;
  PERMF[1] = 2;
  PERMF[2] = 1;
  ANFANG_BILDEN(4, 2, true, true, true);
  EXPECT_EQ(ANFANG[1], 0);  // pattern position 4 -> code position PERMZ[4] = 1
  EXPECT_EQ(ANFANG_ANZAHL[2], 3);
  EXPECT_EQ(screen->Text(1, 1, 4), "*111");  // sign number 2 is '1'
  ANFANG_BILDEN(0, 6, true, false, false);
  EXPECT_FALSE(OK);
}

}  // namespace
}  // namespace mtspiel
