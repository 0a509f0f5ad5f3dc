#include "engine/guess_symmetry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/guess_store.h"

namespace mtspiel {
namespace {

uint64_t Wort(const std::string& zeichen) {
  uint8_t z[10] = {};
  for (size_t i = 0; i < zeichen.size(); ++i) z[i + 1] = static_cast<uint8_t>(zeichen[i] - '0');
  return CODEWORT(z, static_cast<int>(zeichen.size()));
}

int Antwort(uint64_t a, uint64_t b, int laenge) {
  uint8_t za[10], zb[10];
  WORT_ZEICHEN(a, laenge, za);
  WORT_ZEICHEN(b, laenge, zb);
  int p = 0, t = 0, na[37] = {}, nb[37] = {};
  for (int i = 1; i <= laenge; ++i) {
    p += za[i] == zb[i];
    ++na[za[i]];
    ++nb[zb[i]];
  }
  for (int s = 1; s <= 36; ++s) t += std::min(na[s], nb[s]);
  return t * 16 + p;
}

// The group of one opening guess: positions that hold the same sign may trade
// places, and blocks of the same size may trade signs with their positions.
TEST(GuessSymmetry, OneGuessGivesItsWholeGroupIdentityFirst) {
  struct FALL {
    std::string guess;
    size_t elemente;
  };
  const FALL faelle[] = {{"1122334", 2 * 2 * 2 * 6},  // 0011223 laid out
                         {"111122223", 24 * 24 * 2},
                         {"1234", 24},
                         {"1112", 6},
                         {"1213", 4}};  // 1s trade places; 2 and 3 trade with theirs
  for (const FALL& f : faelle) {
    SYMMETRIE s;
    const uint64_t g = Wort(f.guess);
    SYMMETRIEN_SUCHEN(&g, 1, static_cast<int>(f.guess.size()), 100000, s);
    EXPECT_EQ(s.von.size(), f.elemente) << f.guess;
    for (size_t e = 0; e < s.von.size(); ++e)
      ASSERT_EQ(SYMMETRIE_ABBILDEN(s, static_cast<int>(e), g), g) << f.guess << " element " << e;
    const uint64_t c = Wort(std::string("9876543").substr(0, f.guess.size()));
    EXPECT_EQ(SYMMETRIE_ABBILDEN(s, 0, c), c);  // element 0 is the identity
  }
  SYMMETRIE s;
  const uint64_t g = Wort("1234");
  SYMMETRIEN_SUCHEN(&g, 1, 4, 5, s);
  EXPECT_EQ(s.von.size(), 5u);  // the cap holds
}

// The claim the search rests on: for random games, every symmetry of the
// guesses played maps the codes still possible onto themselves.
TEST(GuessSymmetry, EverySymmetryKeepsThePossibleCodes) {
  std::mt19937_64 r(7);
  for (int fall = 0; fall < 60; ++fall) {
    const int laenge = 3 + fall % 3;
    const int zeichen = 3 + fall % 4;
    auto zufall = [&] {
      uint8_t z[10] = {};
      for (int i = 1; i <= laenge; ++i) z[i] = static_cast<uint8_t>(1 + r() % zeichen);
      return CODEWORT(z, laenge);
    };
    std::vector<uint64_t> alle;
    std::vector<uint8_t> z(10, 1);
    for (;;) {
      alle.push_back(CODEWORT(z.data(), laenge));
      int i = 1;
      while (i <= laenge && z[i] == zeichen) z[i++] = 1;
      if (i > laenge) break;
      ++z[i];
    }
    const uint64_t geheim = zufall();
    std::vector<uint64_t> gespielt;
    for (int k = 0; k < 1 + fall % 3; ++k) gespielt.push_back(zufall());
    std::set<uint64_t> moeglich;
    for (uint64_t c : alle) {
      bool passt = true;
      for (uint64_t g : gespielt) passt &= Antwort(g, c, laenge) == Antwort(g, geheim, laenge);
      if (passt) moeglich.insert(c);
    }
    SYMMETRIE s;
    SYMMETRIEN_SUCHEN(gespielt.data(), static_cast<int>(gespielt.size()), laenge, 5040, s);
    for (size_t e = 0; e < s.von.size(); ++e) {
      std::set<uint64_t> bild;
      for (uint64_t c : moeglich) bild.insert(SYMMETRIE_ABBILDEN(s, static_cast<int>(e), c));
      ASSERT_EQ(bild, moeglich) << "case " << fall << " element " << e;
    }
  }
}

TEST(GuessSymmetry, LeaderTableFindsWhatWasStoredAndGrows) {
  ANFUEHRERTAFEL t;
  TAFEL_LEEREN(t, 4);
  for (int32_t i = 1; i <= 5000; ++i) TAFEL_EINTRAGEN(t, uint64_t(i) * 1000003, i);
  TAFEL_EINTRAGEN(t, 1000003, 77);  // the first number stored stays
  for (int32_t i = 1; i <= 5000; ++i) ASSERT_EQ(TAFEL_SUCHEN(t, uint64_t(i) * 1000003), i);
  EXPECT_EQ(TAFEL_SUCHEN(t, 12345), -1);
  EXPECT_EQ(t.belegt, 5000);
}

}  // namespace
}  // namespace mtspiel
