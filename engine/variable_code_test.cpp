#include "engine/variable_code.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/memory_budget.h"
#include "engine/variable_code_store.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/cp850.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

using testsupport::MemoryScreen;
using testsupport::RunsToEnd;

CODE C(const std::string& s) {
  CODE c;
  for (int i = 1; i <= 9; ++i) c[i] = i <= static_cast<int>(s.size()) ? s[i - 1] : ' ';
  return c;
}

std::string Zeichen(const LISTE_O_F& c, int l) {
  std::string s;
  for (int i = 1; i <= l; ++i) s += FARBARRAY[c.INHALT[i]];
  return s;
}

std::vector<std::string> Codes() {
  std::vector<std::string> v;
  for (PTR_O_F c = ERL; c != nullptr; c = c->ERL_NAECHSTER) v.push_back(Zeichen(*c, X.LAENGE));
  return v;
}

class VariableCode : public ::testing::Test {
 protected:
  void Game(char erstes, char letztes, int laenge, bool wdhg, bool pc_stellt = true) {
    X.ERSTES = erstes;
    X.LETZTES = letztes;
    POSITIONSWERTE(erstes);
    ZEICHENTABELLEN();
    X.LAENGE = static_cast<uint8_t>(laenge);
    X.WDHG = wdhg;
    X.PC_STELLT = pc_stellt;
    X.PC_RAET = false;
    X.FEST = false;
    X.TON = false;
    KENNEALLEFARBEN = !wdhg && laenge == MAXFARBE;
    LETZTEZAHL = 0;
    REIHENFOLGE();
    NUMMER = 0;
    for (auto& v : V30) v = {};
    K = 9;
    X3I = 56;
    X4I = 58;
    A = 0;
  }
  void SetUp() override {
    SP_D = true;
    FEHLSCHLAG_BEI_RESERVIERUNG = -1;
    SPEICHER_VERFUEGBAR_TEST = -1;
    MEMAVAIL_FPC = SPEICHER_BYTES[10];
    LISTEN_FREIGEBEN(true);
  }
  void TearDown() override {
    LISTEN_FREIGEBEN(true);
    EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
    FEHLSCHLAG_BEI_RESERVIERUNG = -1;
    SPEICHER_VERFUEGBAR_TEST = -1;
    MEMAVAIL_FPC = SPEICHER_BYTES[10];
    LISTEN_FREIGEBEN(false);
  }
  // Makes trial number NUMMER + 1 in its slot of V30, as the game loop does.
  char Trial(const std::string& g) {
    ++NUMMER;
    VERSUCH& v = V30[V30_PLATZ(NUMMER)];
    char taste = 0;
    ANTWORT_NICHT_FEST(C(g), v.KOMBINATION, v.P, v.S, taste);
    return taste;
  }
  // Nothing of the set is left: no chain, no block, no reservation.
  static void ExpectReleased() {
    EXPECT_EQ(ERL, nullptr);
    EXPECT_EQ(ERLLOE, nullptr);
    EXPECT_EQ(SPEICHER_RESERVIERT, 0u);
  }
  MemoryScreen screen;
};

TEST_F(VariableCode, SetUpHoldsEveryCodeExactlyOnce) {
  Game('0', '5', 4, false);
  term::GotoXY(46, 9);
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  const auto codes = Codes();
  EXPECT_EQ(codes.size(), 360u);
  EXPECT_EQ(ZAHL_MOEGLICHE, 360);
  std::set<std::string> verschieden(codes.begin(), codes.end());
  EXPECT_EQ(verschieden.size(), 360u);
  for (const auto& c : codes) EXPECT_EQ(std::set<char>(c.begin(), c.end()).size(), 4u) << c;
  EXPECT_EQ(SPEICHER_RESERVIERT, 360 * 32u);
  // The status line of a human guessing replaces the progress row; the cursor stays.
  EXPECT_EQ(
      screen->Row(25).substr(0, 79),
      std::string(
          "Lösung:                 Benötigte Versuche:             Neues Spiel? Ja.       "_cp));
  EXPECT_EQ(term::WhereX(), 46);
  EXPECT_EQ(term::WhereY(), 9);
  EXPECT_FALSE(RATEN_ZEITANZEIGE);
  EXPECT_TRUE(NOTINVERS);
  for (int s = 1; s <= 6; ++s) EXPECT_EQ(ERL_FARBE[s], 1);
  EXPECT_EQ(ERL_FARBE[7], 0);
}

TEST_F(VariableCode, SetUpWithRepetitionsAndInEnglish) {
  SP_D = false;
  Game('x', '1', 3, true);  // x y z 0 1
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  const auto codes = Codes();
  EXPECT_EQ(std::set<std::string>(codes.begin(), codes.end()).size(), 125u);
  EXPECT_EQ(codes.size(), 125u);
  EXPECT_EQ(screen->Row(25).substr(0, 79),
            "Answer:                       Trials made:                 New Game? Yes.      ");
}

TEST_F(VariableCode, ComputerAnswersWithTheLargestClass) {
  Game('0', '5', 4, false);
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  // Against 1 2 3 4, 88 of the 360 codes share three signs, none in place: the
  // largest class.
  EXPECT_EQ(Trial("0123"), 0);
  EXPECT_EQ(V30[1].P, 0);
  EXPECT_EQ(V30[1].S, 3);
  EXPECT_EQ(V30[1].KOMBINATION, C("0123"));
  EXPECT_EQ(screen->Text(56, 9, 3), "0 3");
  const auto codes = Codes();
  EXPECT_EQ(codes.size(), 88u);
  for (const auto& c : codes) {
    uint8_t p, s;
    BEWERTE(C("0123"), C(c), 4, p, s);
    EXPECT_EQ(p, 0) << c;
    EXPECT_EQ(s, 3) << c;
  }
}

TEST_F(VariableCode, TiesGoToTheEarlierClassNeverAtRandom) {
  // Guess 0 1 against the six codes of two signs from 0 1 2: the classes
  // (P 0, T 1) and (P 1, T 1) both hold two codes; (0, 1) comes first.
  for (uint64_t seed = 1; seed <= 12; ++seed) {
    term::RandSeed(seed);
    Game('0', '2', 2, false);
    bool ok = false;
    INIT_NICHT_FEST(ok);
    ASSERT_TRUE(ok);
    Trial("01");
    EXPECT_EQ(V30[1].P, 0) << "seed " << seed;
    EXPECT_EQ(V30[1].S, 1) << "seed " << seed;
    const auto codes = Codes();
    EXPECT_EQ(std::set<std::string>({"12", "20"}),
              std::set<std::string>(codes.begin(), codes.end()));
    LISTEN_FREIGEBEN(true);
  }
}

TEST_F(VariableCode, RepeatedGuessGetsTheSameAnswerWithoutNewPartition) {
  Game('0', '5', 4, false);
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  Trial("0123");
  Trial("4501");
  const uint8_t p2 = V30[2].P, s2 = V30[2].S;
  const size_t vorher = Codes().size();
  for (PTR_O_F c = ERL; c != nullptr; c = c->ERL_NAECHSTER) c->ANTWORT = 0xEE;
  Trial("0123");
  EXPECT_EQ(V30[3].P, 0);
  EXPECT_EQ(V30[3].S, 3);
  Trial("4501");
  EXPECT_EQ(V30[4].P, p2);
  EXPECT_EQ(V30[4].S, s2);
  EXPECT_EQ(Codes().size(), vorher);
  for (PTR_O_F c = ERL; c != nullptr; c = c->ERL_NAECHSTER) ASSERT_EQ(c->ANTWORT, 0xEE);
}

TEST_F(VariableCode, RepeatedGuessFoundAfterTheRingWrapped) {
  Game('0', '5', 4, false);
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  NUMMER = 40;  // slots 1..30 all hold earlier trials
  V30[V30_PLATZ(35)].KOMBINATION = C("5432");
  V30[V30_PLATZ(35)].P = 1;
  V30[V30_PLATZ(35)].S = 1;
  Trial("5432");
  EXPECT_EQ(V30[V30_PLATZ(41)].P, 1);
  EXPECT_EQ(V30[V30_PLATZ(41)].S, 1);
  EXPECT_EQ(Codes().size(), 360u);
}

TEST_F(VariableCode, GuessOfExcludedSignsIsAnsweredAtOnce) {
  Game('0', '9', 4, false, /*pc_stellt=*/false);
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  screen.Keys("00");  // the human encoder: nothing in common
  ASSERT_TRUE(RunsToEnd([&] { EXPECT_EQ(Trial("0123"), 0); }));
  EXPECT_EQ(V30[1].P, 0);
  EXPECT_EQ(V30[1].S, 0);
  EXPECT_EQ(Codes().size(), 360u);  // the arrangements of 4..9
  for (int s = 1; s <= 4; ++s) EXPECT_EQ(ERL_FARBE[s], 0);
  for (PTR_O_F c = ERL; c != nullptr; c = c->ERL_NAECHSTER) c->ANTWORT = 0xEE;
  // No key is needed and the set is not looked at.
  ASSERT_TRUE(RunsToEnd([&] { Trial("0011"); }));
  EXPECT_EQ(V30[2].P, 0);
  EXPECT_EQ(V30[2].S, 0);
  EXPECT_EQ(V30[2].KOMBINATION, C("0011"));
  EXPECT_EQ(screen->Text(56, 9, 3), "0 0");
  for (PTR_O_F c = ERL; c != nullptr; c = c->ERL_NAECHSTER) ASSERT_EQ(c->ANTWORT, 0xEE);
}

TEST_F(VariableCode, AWholeGameAgainstTheComputerStaysConsistent) {
  Game('0', '7', 4, true);
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  std::vector<std::string> guesses;
  while (NUMMER < 30) {
    // Always guess the first code still possible.
    const std::string g = Zeichen(*ERL, 4);
    guesses.push_back(g);
    ASSERT_EQ(Trial(g), 0);
    if (V30[NUMMER].P == 4) break;
  }
  ASSERT_EQ(V30[NUMMER].P, 4) << "not solved in 30 trials";
  EXPECT_EQ(std::string(&LOESUNG[1], 4), guesses.back());
  for (int t = 1; t <= NUMMER; ++t) {
    uint8_t p, s;
    BEWERTE(V30[t].KOMBINATION, LOESUNG, 4, p, s);
    EXPECT_EQ(p, V30[t].P) << "trial " << t;
    EXPECT_EQ(s, V30[t].S) << "trial " << t;
  }
  EXPECT_FALSE(ZEITEIN);
  ExpectReleased();
}

TEST_F(VariableCode, EscOrCtrlCDuringSetUpLeavesNothingAllocated) {
  for (const char* taste : {"\x1b", "\x03"}) {
    Game('0', '9', 6, false);
    ZEITEIN = true;
    screen.Keys(taste);
    bool ok = true;
    INIT_NICHT_FEST(ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(A, 27);
    EXPECT_FALSE(ZEITEIN);
    EXPECT_GT(SPEICHER_SPITZE, 0u) << "the break came before any record was made";
    ExpectReleased();
    EXPECT_EQ(screen->Row(25).substr(0, 7), std::string("Lösung:"_cp));
  }
}

TEST_F(VariableCode, OtherKeysDuringSetUpAreIgnored) {
  Game('0', '9', 6, false);
  screen.Keys("\x1b[Ax ");  // Up, then two plain keys
  bool ok = false;
  INIT_NICHT_FEST(ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(ZAHL_MOEGLICHE, 151200);
  EXPECT_EQ(screen->PendingKeys(), 0u);
}

TEST_F(VariableCode, FailedReservationEndsTheSetUpCleanly) {
  Game('0', '9', 6, false);  // 151200 codes: three blocks
  FEHLSCHLAG_BEI_RESERVIERUNG = 1;
  bool ok = true;
  INIT_NICHT_FEST(ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(A, 27);
  EXPECT_EQ(SPEICHER_SPITZE, SAETZE_JE_BLOCK * 32);
  ExpectReleased();
}

TEST_F(VariableCode, ExhaustedBudgetEndsTheSetUpCleanly) {
  Game('0', '9', 6, false);
  MEMAVAIL_FPC = 3 << 20;  // room for one block of 2 MiB, not for two
  LISTEN_FREIGEBEN(false);
  bool ok = true;
  INIT_NICHT_FEST(ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(A, 27);
  ExpectReleased();
}

TEST_F(VariableCode, LargeBudgetOnASmallMachineEndsTheSetUpCleanly) {
  Game('0', 'b', 7, false);           // 3,991,680 codes, 128 MB counted
  MEMAVAIL_FPC = SPEICHER_BYTES[10];  // 8 GiB
  LISTEN_FREIGEBEN(false);
  SPEICHER_VERFUEGBAR_TEST = 300 << 20;  // leaves 44 MiB for the store
  bool ok = true;
  INIT_NICHT_FEST(ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(A, 27);
  EXPECT_LE(SPEICHER_SPITZE, 44u << 20);
  EXPECT_GT(SPEICHER_SPITZE, 40u << 20);
  ExpectReleased();
}

TEST_F(VariableCode, HumanEncoderIsRefereedAndEscReleasesTheSet) {
  Game('0', '5', 4, false, /*pc_stellt=*/false);
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  // 1 2 3 4 against arrangements of six signs: at least two signs in common, so
  // S = 0 and S = 1 are refused after P = 0; S = 3 is taken.
  screen.Keys(
      "001"
      "3");
  ASSERT_TRUE(RunsToEnd([&] { EXPECT_EQ(Trial("0123"), 0); }));
  EXPECT_EQ(V30[1].P, 0);
  EXPECT_EQ(V30[1].S, 3);
  EXPECT_EQ(Codes().size(), 88u);
  EXPECT_EQ(screen->Text(56, 9, 3), "0 3");
  screen.Keys("\x03");
  ASSERT_TRUE(RunsToEnd([&] { EXPECT_EQ(Trial("0145"), 27); }));
  EXPECT_FALSE(ZEITEIN);
  ExpectReleased();
}

TEST_F(VariableCode, HumanEncoderCanOnlySayDoneWhileTheGuessIsStillPossible) {
  Game('0', '2', 2, false, /*pc_stellt=*/false);
  bool ok = false;
  INIT_NICHT_FEST(ok);
  ASSERT_TRUE(ok);
  screen.Keys("01");  // P 0, S 1: codes 12 and 20 remain
  ASSERT_TRUE(RunsToEnd([&] { Trial("01"); }));
  // 1 2 is still possible: P = 2 is accepted and fills S = 0.
  screen.Keys("2");
  ASSERT_TRUE(RunsToEnd([&] { Trial("12"); }));
  EXPECT_EQ(V30[2].P, 2);
  EXPECT_EQ(V30[2].S, 0);
  EXPECT_EQ(std::string(&LOESUNG[1], 2), "12");
  ExpectReleased();
}

}  // namespace
}  // namespace mtspiel
