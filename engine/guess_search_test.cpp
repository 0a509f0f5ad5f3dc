#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "engine/guess_evaluate.h"
#include "engine/guess_store.h"
#include "engine/guess_test_helpers.h"
#include "engine/open_codes.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

class GuessSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    ABFRAGE_VERGLEICHE = 0;
    ABFRAGE_INTERVALL_NS = 0;
    UHR_TESTHAKEN = nullptr;
    SP_D = false;
  }
  void TearDown() override {
    RATEN_SPEICHER_FREIGEBEN();
    ABFRAGE_VERGLEICHE = 1 << 15;
    ABFRAGE_INTERVALL_NS = 1'000'000;
    UHR_TESTHAKEN = nullptr;
    SP_D = true;
  }
  // Conditions, game start and store; the secret (signs 1..n) when fixed.
  void Start(const rateprobe::SPIEL& s, const std::string& geheim = "") {
    rateprobe::SPIEL_VORBEREITEN(s);
    for (int i = 1; i <= 9; ++i)
      LOESUNG[i] = i <= static_cast<int>(geheim.size()) ? geheim[i - 1] : ' ';
    LOESUNGSFARBEN_ZAEHLEN();
    bool ok = false;
    rateprobe::SETUP(ok);
    ASSERT_TRUE(ok);
  }
  // After a broken-off game: a new one against 3105, played to its end or to
  // the tenth trial; p and taste are those of its last turn.
  void NaechstesSpiel(uint8_t& p, char& taste) {
    Start({4, 6, true, false, true}, "3105");
    p = 0;
    taste = 0;
    uint8_t s = 0;
    CODE code{};
    while (p != 4 && NUMMER < 10)
      ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
  }
  std::vector<uint64_t> Kette() {
    std::vector<uint64_t> k(static_cast<size_t>(RS.kand_n));
    std::copy(RS.kand, RS.kand + RS.kand_n, k.begin());
    return k;
  }
  testsupport::MemoryScreen screen_;
};

std::string Text(const CODE& c) {
  return std::string(c.z, c.z + X.LAENGE);
}

TEST_F(GuessSearch, ShortGameAgainstAKnownCode) {
  struct ZUGDATEN {
    std::string code;
    int p, s;
  };
  std::vector<ZUGDATEN> erster_lauf;
  for (int lauf = 0; lauf < 2; ++lauf) {
    term::RandSeed(99);
    Start({4, 6, true, false, true}, "3105");
    std::vector<ZUGDATEN> zuege;
    uint8_t p = 0, s = 0;
    char taste = 0;
    CODE code{};
    while (p != 4 && NUMMER < 10) {
      const int64_t vorher = MOEGLICHE_CODES();
      ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
      ASSERT_EQ(taste, 0);
      uint8_t wp, ws;
      BEWERTE(code, LOESUNG, 4, wp, ws);
      EXPECT_EQ(p, wp);  // the true answer against the fixed code
      EXPECT_EQ(s, ws);
      // The guess and its answer are on the board.
      EXPECT_EQ(screen_->Text((101 - 4) / 2, WY, 4), Text(code));
      EXPECT_EQ(screen_->CharAt(56, WY), '0' + p);
      EXPECT_EQ(screen_->CharAt(58, WY), '0' + s);
      if (p != 4) {
        EXPECT_LT(MOEGLICHE_CODES(), vorher);
      }
      // Every code still possible agrees with every answer so far.
      for (int64_t i = 0; p != 4 && i < MOEGLICHE_CODES(); ++i) {
        uint8_t z[10];
        MOEGLICHER_CODE(i, z);
        CODE c{};
        for (int k = 1; k <= 4; ++k) c[k] = FARBARRAY[z[k]];
        for (const auto& alt : zuege) {
          CODE g{};
          for (int k = 1; k <= 4; ++k) g[k] = alt.code[k - 1];
          uint8_t ap, as;
          BEWERTE(g, c, 4, ap, as);
          ASSERT_EQ(ap, alt.p);
          ASSERT_EQ(as, alt.s);
        }
      }
      zuege.push_back({Text(code), p, s});
    }
    EXPECT_EQ(p, 4);
    EXPECT_LE(NUMMER, 5);  // five trials always suffice for (4, 6, repetitions)
    EXPECT_EQ(Text(LOESUNG), "3105");
    EXPECT_EQ(RS.kand, nullptr);  // released at the end
    if (lauf == 0) {
      erster_lauf = zuege;
    } else {
      // The same random numbers give the same game.
      ASSERT_EQ(zuege.size(), erster_lauf.size());
      for (size_t i = 0; i < zuege.size(); ++i) EXPECT_EQ(zuege[i].code, erster_lauf[i].code);
    }
  }
}

// Six guesses tie: (2, 3, no repetitions) searched from the start. Measured by
// the place among the tied ones in chain order, since the chain itself is random.
TEST_F(GuessSearch, EqualCandidatesAreChosenWithEqualFrequency) {
  constexpr int kLaeufe = 3000;
  int haeufigkeit[6] = {};
  term::RandSeed(2024);
  for (int lauf = 0; lauf < kLaeufe; ++lauf) {
    Start({2, 3, false, false, true}, "01");
    AEQUI_KLASSE = false;
    std::vector<uint64_t> gleich;
    const std::vector<uint64_t> kette = Kette();
    for (uint64_t c : kette) {
      uint8_t z[10];
      WORT_ZEICHEN(c, 2, z);
      if (z[1] != z[2]) gleich.push_back(c);
    }
    ASSERT_EQ(gleich.size(), 6u);
    uint8_t p, s;
    char taste = 0;
    CODE code{};
    rateprobe::ZUG(code, p, s, taste);
    uint8_t z[10] = {0, static_cast<uint8_t>(NR(code[1])), static_cast<uint8_t>(NR(code[2]))};
    const auto it = std::find(gleich.begin(), gleich.end(), CODEWORT(z, 2));
    ASSERT_NE(it, gleich.end());
    ++haeufigkeit[it - gleich.begin()];
  }
  double chi2 = 0;
  for (int h : haeufigkeit) chi2 += (h - kLaeufe / 6.0) * (h - kLaeufe / 6.0) / (kLaeufe / 6.0);
  // 5 degrees of freedom; 25 is beyond chance (p < 1e-4). Keeping a tied
  // candidate with a fixed 1/2 instead of 1/k puts half of the choices on the last.
  EXPECT_LT(chi2, 25.0);
}

// The clock is played by a hook: SPIELZEIT and RESTZEIT as the test wants them.
int32_t g_spielzeit = 0, g_restzeit = 0;
void Uhr() {
  SPIELZEIT = g_spielzeit;
  RESTZEIT = g_restzeit;
}

TEST_F(GuessSearch, TimeLimitCutsAfterNummerPlusSixCandidatesAndRotatesTheChain) {
  Start({4, 6, true, false, true, true, 1}, "0123");
  EXPECT_TRUE(ZEITLIMIT_GR_0);
  AEQUI_KLASSE = false;
  g_spielzeit = 1000;  // the limit of 10 seconds is reached at once
  g_restzeit = 5000;
  UHR_TESTHAKEN = Uhr;
  const auto vorher = Kette();
  uint8_t p, s;
  char taste = 0;
  CODE code{};
  ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
  EXPECT_EQ(GERATENE_VERSUCHE, 1 + 6 + 1);  // more than NUMMER + 6
  EXPECT_EQ(screen_->Text(1, 11, 39), "║ The timelimit is 10 seconds/trial.  ║");
  EXPECT_FALSE(ALLESTERNEDRUCKEN);
  // The unexamined rest of the chain comes first now.
  const auto nachher = Kette();
  const auto it = std::find(vorher.begin(), vorher.end(), nachher.front());
  ASSERT_NE(it, vorher.end());
  EXPECT_GE(it - vorher.begin(), 8);
  // The next cut shows no notice again.
  for (int x = 1; x <= 40; ++x) screen_->PutCell(x, 11, ' ', 7);
  if (p != 4) {
    ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
    EXPECT_EQ(screen_->Text(1, 11, 20), std::string(20, ' '));
  }
}

TEST_F(GuessSearch, F4CutsOnlyWhenTheTimeConditionsHold) {
  struct FALL {
    int32_t spielzeit, restzeit;
    bool schnitt;
  };
  // Under 5 s spent, or under 13 s in all: never; otherwise at the first
  // candidate after NUMMER_PLUS.
  const FALL faelle[] = {{400, 5000, false}, {600, 600, false}, {600, 800, true}, {600, -1, true}};
  for (const FALL& f : faelle) {
    Start({4, 6, true, false, true}, "0123");
    AEQUI_KLASSE = false;
    g_spielzeit = f.spielzeit;
    g_restzeit = f.restzeit;
    UHR_TESTHAKEN = Uhr;
    screen_.Keys("\x1bOS");  // F4, pressed before the search
    uint8_t p, s;
    char taste = 0;
    CODE code{};
    ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
    if (f.schnitt) {
      EXPECT_EQ(GERATENE_VERSUCHE, 8) << f.spielzeit << " " << f.restzeit;
      EXPECT_EQ(UNTERBR, 1);
      EXPECT_EQ(screen_->Text(3, 15, 20), "Number of breaks: 1.");
    } else {
      EXPECT_EQ(GERATENE_VERSUCHE, 1296) << f.spielzeit << " " << f.restzeit;
      EXPECT_EQ(UNTERBR, 0);
    }
    RATEN_SPEICHER_FREIGEBEN();
  }
}

TEST_F(GuessSearch, EscDuringTheSearchReleasesTheStore) {
  Start({4, 6, true, false, true}, "0123");
  AEQUI_KLASSE = false;
  screen_.Keys("\x1b");
  uint8_t p, s;
  char taste = 0;
  CODE code{};
  ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
  EXPECT_EQ(taste, 27);
  EXPECT_EQ(RS.kand, nullptr);
  EXPECT_EQ(MOEGLICHE_CODES(), 0);
  EXPECT_FALSE(ZEITEIN);
}

TEST_F(GuessSearch, HumanEncoderBreakingOffAtTheAnswerEndsTheGame) {
  Start({4, 6, true, false, true, false});
  ZEITEIN = true;
  screen_.Keys("\x1b");  // Esc at the answer prompt
  uint8_t p, s;
  char taste = 0;
  CODE code{};
  ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
  EXPECT_EQ(taste, 27);
  EXPECT_EQ(RS.kand, nullptr);
  EXPECT_FALSE(ZEITEIN);
  EXPECT_TRUE(RATENDRAN);
}

// When an answer says all signs are known, the signs never played are excluded,
// and the code of unplayed signs the reduction would start with is no longer a
// candidate: the search must start as usual instead of looking for it.
TEST_F(GuessSearch, ReductionCodeOutsideTheChainIsNoFault) {
  for (int seed = 1; seed <= 5; ++seed) {
    term::RandSeed(seed);
    rateprobe::SPIEL_VORBEREITEN({4, 10, false, false, true});
    bool ok = false;
    rateprobe::SETUP(ok);
    ASSERT_TRUE(ok);
    // The secret is the opening guess reversed: its answer has all four signs.
    for (int i = 1; i <= 4; ++i) LOESUNG[i] = FARBARRAY[ANFANG[5 - i]];
    LOESUNGSFARBEN_ZAEHLEN();
    uint8_t p = 0, s = 0;
    char taste = 0;
    CODE code{};
    while (p != 4 && NUMMER < 12)
      ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
    EXPECT_EQ(p, 4);
    EXPECT_LE(NUMMER, 7);
  }
}

TEST_F(GuessSearch, VariableCodeNeedsExactlyTheBoardsNumberOfTrials) {
  for (int seed = 1; seed <= 4; ++seed) {
    term::RandSeed(seed);
    Start({4, 6, true, false, false});
    uint8_t p = 0, s = 0;
    char taste = 0;
    CODE code{};
    while (p != 4 && NUMMER < 12) rateprobe::ZUG(code, p, s, taste);
    EXPECT_EQ(NUMMER, WIEVIELE(4, 6, true, false));
  }
}

// How the search may use the machine; each must make exactly the plain
// search's choices.
struct WEISE {
  const char* name;
  bool symmetrie, schranke;
  int faeden;
  int64_t liste_bis = 5040;
  int starten = -1;  // threads the system lets start in the whole game (below 0: any)
};
constexpr WEISE kWeisen[] = {{"plain", false, false, 1},
                             {"symmetries and bound", true, true, 1},
                             {"orbits through generators", true, false, 1, 0},
                             {"2 threads", true, true, 2},
                             {"8 threads", true, true, 8},
                             {"8 threads, plain counting", false, false, 8},
                             // A system out of threads: fewer workers, or none.
                             {"8 threads asked, 1 starts", true, true, 8, 5040, 1},
                             {"8 threads asked, none starts", true, true, 8, 5040, 0}};

// Whole games under one way: every guess and answer, the candidates examined
// and the next number of the random generator.
std::string Partie(const rateprobe::SPIEL& s, uint64_t seed, const WEISE& w) {
  SUCHE_SYMMETRIE = w.symmetrie;
  SUCHE_SCHRANKE = w.schranke;
  SUCHFAEDEN_ZAHL = w.faeden;
  SUCHFAEDEN_AB = 0;
  SYMMETRIE_LISTE_BIS = w.liste_bis;
  FADEN_ERLAUBT = w.starten;
  term::RandSeed(seed);
  rateprobe::SPIEL_VORBEREITEN(s);
  // The secret from the seed, drawn apart from the game's generator.
  uint64_t r = seed * 0x9E3779B97F4A7C15ULL;
  std::string geheim;
  for (int i = 0; i < s.laenge;) {
    r = r * 6364136223846793005ULL + 1442695040888963407ULL;
    const char c = FARBARRAY[1 + (r >> 33) % s.farben];
    if (!s.wdhg && geheim.find(c) != std::string::npos) continue;
    geheim += c;
    ++i;
  }
  for (int i = 1; i <= 9; ++i) LOESUNG[i] = i <= s.laenge ? geheim[i - 1] : ' ';
  LOESUNGSFARBEN_ZAEHLEN();
  bool ok = false;
  rateprobe::SETUP(ok);
  EXPECT_TRUE(ok);
  const int64_t vorher = KANDIDATEN_GESAMT;
  std::string spur;
  uint8_t p = 0, sz = 0;
  char taste = 0;
  CODE code{};
  while (p != s.laenge && NUMMER < 30) {
    rateprobe::ZUG(code, p, sz, taste);
    spur += Text(code) + " " + std::to_string(p) + std::to_string(sz) + ", ";
  }
  spur += "candidates " + std::to_string(KANDIDATEN_GESAMT - vorher);
  spur += ", next random " + std::to_string(term::Random(1u << 30));
  SUCHE_SYMMETRIE = SUCHE_SCHRANKE = true;
  SUCHFAEDEN_ZAHL = SUCHFAEDEN_MASCHINE();
  SUCHFAEDEN_AB = 4096;
  SYMMETRIE_LISTE_BIS = 5040;
  FADEN_ERLAUBT = -1;
  return spur;
}

// Symmetries, the bound and the workers only save counting: for the same
// random numbers every game is the same move for move, draw for draw.
TEST_F(GuessSearch, EveryWayOfSearchingMakesThePlainSearchsChoices) {
  const rateprobe::SPIEL spiele[] = {
      {4, 6, true, false, true},  {5, 4, true, false, true},  {4, 8, false, false, true},
      {6, 4, true, false, true},  {7, 3, true, false, true},  {5, 6, false, false, true},
      {4, 2, true, true, true},   {3, 12, true, false, true}, {5, 5, true, false, false},
      {6, 3, true, false, false}, {4, 7, false, false, false}};
  for (const auto& s : spiele) {
    for (uint64_t seed = 1; seed <= 3; ++seed) {
      const std::string plain = Partie(s, seed, kWeisen[0]);
      for (const WEISE& w : kWeisen) {
        EXPECT_EQ(Partie(s, seed, w), plain)
            << w.name << ": " << s.laenge << " positions, " << s.farben << " signs, seed " << seed;
      }
    }
  }
}

// Esc while the workers count: the store is released, the workers are gone,
// and the next game plays as usual.
TEST_F(GuessSearch, EscWhileWorkersCountReleasesEverything) {
  SUCHFAEDEN_ZAHL = 4;
  SUCHFAEDEN_AB = 0;
  Start({6, 6, true, false, true}, "123450");
  AEQUI_KLASSE = false;
  // As a first answer would have left them: the possible codes written out.
  ASSERT_TRUE(MOEGLICHE_SCHREIBEN(0, -1, UNTERBRECHUNG{}));
  screen_.Pause(3);
  screen_.Keys("\x1b");
  uint8_t p, s;
  char taste = 0;
  CODE code{};
  ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, s, taste); }));
  EXPECT_EQ(taste, 27);
  EXPECT_EQ(RS.kand, nullptr);
  EXPECT_LT(GERATENE_VERSUCHE, ZAHL_DER_VERSUCHE);
  NaechstesSpiel(p, taste);
  EXPECT_EQ(p, 4);
  SUCHFAEDEN_ZAHL = SUCHFAEDEN_MASCHINE();
  SUCHFAEDEN_AB = 4096;
}

// The opening guess is counted against codes made as it goes: Esc there ends
// the turn before the count is over, releases everything, and the next game
// plays.
TEST_F(GuessSearch, EscWhileTheOpeningGuessIsCountedEndsTheTurnAtOnce) {
  static testsupport::MemoryScreen* schirm;
  static int blicke;
  schirm = &screen_;
  Start({6, 9, true, false, true}, "123456");  // 531441 possible codes
  ASSERT_TRUE(RS.offen);
  blicke = 0;
  UHR_TESTHAKEN = [] {
    if (++blicke == 1) schirm->Esc();
  };
  ZEITEIN = true;
  const int64_t vergleiche = VERGLEICHE_GESAMT, kandidaten = KANDIDATEN_GESAMT;
  uint8_t p = 0, sz = 0;
  char taste = 0;
  CODE code{};
  ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, sz, taste); }));
  EXPECT_EQ(taste, 27);
  EXPECT_EQ(blicke, 1);
  EXPECT_EQ(KANDIDATEN_GESAMT, kandidaten);  // the opening guess was not counted to the end
  EXPECT_EQ(VERGLEICHE_GESAMT, vergleiche);
  EXPECT_TRUE(GESPIELTE_CODES.empty());
  EXPECT_EQ(RS.kand, nullptr);
  EXPECT_EQ(RS.erl, nullptr);
  EXPECT_FALSE(RS.offen);
  EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
  EXPECT_FALSE(ZEITEIN);
  UHR_TESTHAKEN = nullptr;
  NaechstesSpiel(p, taste);
  EXPECT_EQ(p, 4);
}

// Esc while the store is narrowed by an answer (by its class, or, after an
// answer of nothing, by the signs it excludes): the narrowing stops at its
// next look at the keyboard instead of running through the store, everything
// is released, and the next game plays as usual.
TEST_F(GuessSearch, EscWhileTheStoreIsNarrowedEndsTheTurnAtOnce) {
  static testsupport::MemoryScreen* schirm;
  static int blicke;
  schirm = &screen_;
  // The opening guess is played once the search is over: from then on only
  // the narrowing looks at the clock in this turn.
  UHR_TESTHAKEN = [] {
    if (GESPIELTE_CODES.empty()) return;
    if (++blicke == 1) schirm->Esc();
  };
  const rateprobe::SPIEL s{5, 10, true, false, true};  // 100000 possible codes
  for (bool nichts : {false, true}) {
    SCOPED_TRACE(nichts ? "answer 0 0" : "answer by class");
    Start(s);
    // A secret that shares signs with the opening guess, or none at all.
    uint8_t z[10] = {};
    bool im_anfang[37] = {};
    for (int i = 1; i <= s.laenge; ++i) im_anfang[ANFANG[i]] = true;
    uint8_t fremd = 1;
    while (im_anfang[fremd]) ++fremd;
    for (int i = 1; i <= s.laenge; ++i) z[i] = nichts ? fremd : ANFANG[i % s.laenge + 1];
    for (int i = 1; i <= 9; ++i) LOESUNG[i] = i <= s.laenge ? FARBARRAY[z[i]] : ' ';
    LOESUNGSFARBEN_ZAEHLEN();
    ZEITEIN = true;
    blicke = 0;
    uint8_t p = 0, sz = 0;
    char taste = 0;
    CODE code{};
    ASSERT_TRUE(testsupport::RunsToEnd([&] { rateprobe::ZUG(code, p, sz, taste); }));
    EXPECT_EQ(nichts, p == 0 && sz == 0);
    EXPECT_LT(p, s.laenge);
    EXPECT_EQ(taste, 27);
    EXPECT_EQ(blicke, 1);
    EXPECT_EQ(RS.kand, nullptr);
    EXPECT_EQ(RS.erl, nullptr);
    EXPECT_EQ(MOEGLICHE_CODES(), 0);
    EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
    EXPECT_FALSE(ZEITEIN);
  }
  UHR_TESTHAKEN = nullptr;
  uint8_t p = 0;
  char taste = 0;
  NaechstesSpiel(p, taste);
  EXPECT_EQ(p, 4);
  EXPECT_EQ(taste, 0);
}

}  // namespace
}  // namespace mtspiel
