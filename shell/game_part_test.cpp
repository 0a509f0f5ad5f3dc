#include "shell/game_part.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/memory_budget.h"
#include "game/conditions.h"
#include "game/conditions_screen.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "shell/conditions_check.h"
#include "shell/game_board.h"
#include "shell/names.h"
#include "shell/screen_pieces.h"
#include "shell/shell_state.h"
#include "tests/support/memory_screen.h"
#include "tests/support/startup_conditions.h"

namespace morvandeltrisk {
namespace {

using mtspiel::X;
using testsupport::MemoryScreen;
using testsupport::RunsToEnd;
using testsupport::WaitsForKey;

std::string Row(MemoryScreen& s, int y) {
  std::string r = s->RowUtf8(y);
  return r.substr(0, r.find_last_not_of(' ') + 1);
}

mtspiel::NAMENSFELD Name(const std::string& s) {
  mtspiel::NAMENSFELD n;
  n.fill(' ');
  for (size_t i = 0; i < s.size(); ++i) n[i + 1] = s[i];
  return n;
}

// Conditions as after start-up with the defaults, in English, no file.
void Defaults() {
  testsupport::StartupConditions();
  X.NAME1 = Name("Anna");
  X.NAME2 = Name("Bert");
}

// Two humans with a fixed answer: the encoder types the answer before the game.
void TwoHumans() {
  Defaults();
  X.PC_STELLT = false;
  X.PC_RAET = false;
  X.FEST = true;
}

TEST(ConditionsScreen, LayoutAndCapacityRow) {
  MemoryScreen s;
  Defaults();
  mtspiel::KORRIGIERE(mtspiel::MAXFARBE, X.LAENGE, X.WDHG, X.LEER, false, false);
  BILDSCHIRM();
  EXPECT_EQ(Row(s, 1).size(), 79u * 3);  // box characters are three bytes in UTF-8
  EXPECT_EQ(s->Text(71, 2, 7), "  8 GiB");
  EXPECT_EQ(s->AttrAt(73, 2), FARBE_HERVOR);
  EXPECT_EQ(Row(s, 8),
            "║ Max. number of allowed signs:   36   36   36   35   21   13    9    7       ║");
  EXPECT_EQ(s->Text(37, 10, 42), " Timelimit (only for computer): 10 sec.   ");
  EXPECT_EQ(s->Text(2, 15, 38), " Set of signs      :        0123456789");
  EXPECT_EQ(s->Text(37, 18, 13), " Answer: ....");
  EXPECT_EQ(s->Text(2, 23, 67),
            " 1st player,who devises the riddle: *** The computer ***           ");
  EXPECT_EQ(s->Text(38, 24, 4), "Bert");
  EXPECT_EQ(s->Text(37, 20, 38), " Please choose now (1, 2, 3 or 4):  1.");
}

// What the player reads just before each field of the conditions screen.
struct Beschriftung {
  mtspiel::BFELD feld;
  const char* englisch;
  const char* deutsch;
};
constexpr Beschriftung kBeschriftungen[] = {
    {mtspiel::BF_KAPAZITAET,
     "Max. number of allowed signs:   ", "Max. Anzahl erlaubter Zeichen:  "},
    {mtspiel::BF_ZEIT, "Timelimit (only for computer): ", "Zeitbegrenzung (nur für den PC): "},
    {mtspiel::BF_TON, "Sound             :        ", "Ton               :        "},
    {mtspiel::BF_ERSTES, "First sign        :        ", "Erstes Zeichen    :        "},
    {mtspiel::BF_PC_RAET, "Shall the computer guess? ", "Soll der PC raten? "},
    {mtspiel::BF_LETZTES, "Last  sign        :        ", "Letztes Zeichen   :        "},
    {mtspiel::BF_VORRAT, "Set of signs      :        ", "Zeichenvorrat     :        "},
    {mtspiel::BF_LAENGE, "Length of the code:        ", "Länge des Codes   :        "},
    {mtspiel::BF_WDHG, "Repetitions of signs?      ", "Wiederholungen?            "},
    {mtspiel::BF_PC_STELLT, "Shall the computer ask a riddle? ",
     "Soll der PC ein Rätsel stellen?   "},
    {mtspiel::BF_LEER, "Are vacant signs allowed?  ", "Sind Leerzeichen erlaubt?  "},
    {mtspiel::BF_ANTWORT, "Answer: ", "Lösung: "},
    {mtspiel::BF_FEST, "Is the answer fixed?       ", "Ist die Antwort fest?      "},
    {mtspiel::BF_WAHL,
     "Please choose now (1, 2, 3 or 4):  ", "Bitte wählen Sie (1, 2, 3 oder 4): "},
    {mtspiel::BF_NAME1,
     "1st player,who devises the riddle: ", "1. Spieler, stellt das Rätsel    : "},
    {mtspiel::BF_NAME2,
     "2nd player,who cracks the code   : ", "2. Spieler, knackt den Code      : "},
};
static_assert(std::size(kBeschriftungen) == mtspiel::BF_ANZAHL, "a label for every field");

// The label of a field, and the cell right after it where its value starts.
const char* Label(mtspiel::BFELD f, bool deutsch) {
  for (const Beschriftung& b : kBeschriftungen)
    if (b.feld == f) return deutsch ? b.deutsch : b.englisch;
  return "";
}
int Zellen(const std::string& utf8) {
  int n = 0;
  for (unsigned char c : utf8) n += (c & 0xC0) != 0x80;
  return n;
}

// Every field of the table starts right after its label on the drawn screen and
// stays clear of the frame and the separators, in both languages.
TEST(ConditionsScreen, EveryFieldStandsBehindItsLabel) {
  MemoryScreen s;
  for (bool deutsch : {false, true}) {
    Defaults();
    SPRACHE_DEUTSCH = deutsch;
    mtspiel::SP_D = deutsch;
    mtspiel::KORRIGIERE(mtspiel::MAXFARBE, X.LAENGE, X.WDHG, X.LEER, false, false);
    BILDSCHIRM();
    for (const Beschriftung& b : kBeschriftungen) {
      const std::string label = Label(b.feld, deutsch);
      const mtspiel::FELDPLATZ p = mtspiel::PLATZ(b.feld, deutsch);
      const int n = Zellen(label);
      SCOPED_TRACE(label);
      EXPECT_EQ(s->Text(p.x - n, p.y, n), label) << s->Dump();
      const int breite = mtspiel::BREITE(b.feld);
      EXPECT_LE(p.x + breite - 1, 78);
      const std::string wert = s->Text(p.x, p.y, breite);
      EXPECT_EQ(wert.find("║"), std::string::npos) << wert;
      EXPECT_EQ(wert.find("│"), std::string::npos) << wert;
    }
  }
  SPRACHE_DEUTSCH = false;
  mtspiel::SP_D = false;
}

// Going forward through the edit pass with Enter, the cursor waits right behind
// the label of each field in turn, in both languages.
TEST(ConditionsScreen, TheEditPassWaitsBehindEachLabel) {
  const mtspiel::BFELD folge[] = {mtspiel::BF_ZEIT,    mtspiel::BF_TON,       mtspiel::BF_ERSTES,
                                  mtspiel::BF_LETZTES, mtspiel::BF_LAENGE,    mtspiel::BF_WDHG,
                                  mtspiel::BF_LEER,    mtspiel::BF_FEST,      mtspiel::BF_PC_RAET,
                                  mtspiel::BF_NAME2,   mtspiel::BF_PC_STELLT, mtspiel::BF_WAHL};
  MemoryScreen s;
  for (bool deutsch : {false, true}) {
    for (size_t i = 0; i < std::size(folge); ++i) {
      Defaults();
      SPRACHE_DEUTSCH = deutsch;
      mtspiel::SP_D = deutsch;
      std::string tasten = "3";
      tasten.append(i, '\r');  // not "3" + std::string(i, '\r'): GCC 12 warns falsely at -O3
      s.Keys(tasten);
      ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
      const std::string label = Label(folge[i], deutsch);
      SCOPED_TRACE(label);
      const int x = s->CursorX(), y = s->CursorY();
      const int n = Zellen(label);
      EXPECT_EQ(s->Text(x - n, y, n), label) << s->Dump();
    }
  }
  SPRACHE_DEUTSCH = false;
  mtspiel::SP_D = false;
}

TEST(ConditionsScreen, LengthBeyondTheSetSwitchesRepetitionOnAndSkipsItsQuestion) {
  MemoryScreen s;
  Defaults();
  X.LETZTES = '5';
  mtspiel::ZEICHENTABELLEN();
  s.Keys("3\r\r\r\r8");  // edit: time, sound, first, last kept; length 8
  EXPECT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_TRUE(X.WDHG);
  EXPECT_EQ(X.LAENGE, 8);
  EXPECT_EQ(s->Text(30, 17, 4), "Yes.");
  EXPECT_EQ(s->Text(46, 18, 8), "........");
  // The next field asked is the vacant sign: the repetition question was skipped.
  EXPECT_EQ(s->CursorX(), 30);
  EXPECT_EQ(s->CursorY(), 18);
}

TEST(ConditionsScreen, EscRestartsThePassAndCtrlCLeaves) {
  MemoryScreen s;
  Defaults();
  s.Keys("3\r\r");
  s.Esc();  // in the first-sign field: back to the time limit
  EXPECT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_EQ(s->CursorX(), 69);
  EXPECT_EQ(s->CursorY(), 10);
  // Esc in the time-limit field, and Ctrl-C in any other field, go to the main menu.
  s.Keys("3");
  s.Esc();
  EXPECT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  s.Keys("3\r\r\x03");
  EXPECT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  // Esc and Ctrl-C in the game menu mean 4: end.
  s.Keys("\x03");
  EXPECT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
}

TEST(ConditionsScreen, TimeLimitAndDigits) {
  MemoryScreen s;
  Defaults();
  s.Keys("35\x03");
  EXPECT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  EXPECT_EQ(X.ZEITGRENZE, 5);
  EXPECT_EQ(mtspiel::ZEITLIMIT, 5000);
}

TEST(ConditionsScreen, RematchExchangesRolesAndNames) {
  MemoryScreen s;
  Defaults();
  // The computer set the riddle and can guess these conditions: now it guesses.
  s.Keys("2");
  EXPECT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_TRUE(X.PC_RAET);
  EXPECT_FALSE(X.PC_STELLT);
  EXPECT_EQ(X.NAME1[1], 'B');
  EXPECT_EQ(X.NAME2[1], 'A');
}

TEST(Game, AHumanCracksAFixedCodeTypedByAnotherHuman) {
  MemoryScreen s;
  TwoHumans();
  // Encoder keeps the roles, types 1234; then play: 5678, 4321, 1234; no new game.
  s.Keys(
      "\r1234"
      "1"
      "5678"
      "4321"
      "1234"
      "n");
  ASSERT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(40, 9, 20), "█║  1│  5678   │0│0║");
  EXPECT_EQ(s->Text(40, 10, 20), "█║  2│  4321   │0│4║");
  EXPECT_EQ(s->Text(40, 11, 20), "█║  3│  1234   │4│0║");
  EXPECT_EQ(s->Text(1, 25, 13), "Answer:  1234");
  EXPECT_EQ(s->Text(31, 25, 16), "Trials made:  3 ");
  EXPECT_EQ(s->Text(3, 19, 9), "Game end ");
  EXPECT_EQ(s->Text(2, 13, 6), " Anna.");
  EXPECT_EQ(s->Text(2, 15, 6), " Bert.");
}

TEST(Game, BackspaceInTheGameMenuReopensTheLastSignOfTheAnswer) {
  MemoryScreen s;
  TwoHumans();
  // The answer 1234 typed, then Backspace in the game menu: the last sign is
  // typed again (5), and the game is won with 1235.
  s.Keys(
      "\r1234\x08"
      "5"
      "1"
      "1235"
      "n");
  ASSERT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(1, 25, 13), "Answer:  1235");
  EXPECT_EQ(s->Text(31, 25, 16), "Trials made:  1 ");
}

// Re-entered backwards, the answer field shows the signs still in force, and
// what it shows is the code the game is played against.
TEST(Game, TheReenteredAnswerFieldShowsTheCodeInForce) {
  MemoryScreen s;
  for (bool deutsch : {false, true}) {
    TwoHumans();  // as after the main menu: the encoder's name is known
    SPRACHE_DEUTSCH = deutsch;
    mtspiel::SP_D = deutsch;
    s.Keys("\r9876\x08");
    ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
    EXPECT_EQ(s->Text(46, 18, 4), "987.");
    EXPECT_EQ(s->CursorX(), 49);
    EXPECT_EQ(s->CursorY(), 18);
  }
  // Typing 5 gives 9875 on screen, and 9875 is the code of the game.
  TwoHumans();
  s.Keys(
      "\r9876\x08"
      "5");
  ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(46, 18, 4), "9875");
  TwoHumans();
  s.Keys(
      "\r9876\x08"
      "5"
      "1"
      "9875"
      "n");
  ASSERT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(1, 25, 13), "Answer:  9875");
  EXPECT_EQ(s->Text(31, 25, 16), "Trials made:  1 ");

  // Every sign once: the last position is the program's, and both show '.'
  // again; the field goes on from the last typed position.
  auto vierZeichen = [] {
    TwoHumans();
    X.LETZTES = '3';
    mtspiel::ZEICHENTABELLEN();
  };
  vierZeichen();
  s.Keys("\r301\x08");
  ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(46, 18, 4), "30..");
  EXPECT_EQ(s->CursorX(), 48);
  vierZeichen();
  s.Keys(
      "\r301\x08"
      "2"
      "1"
      "3021"
      "n");
  ASSERT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(1, 25, 13), "Answer:  3021");
  EXPECT_EQ(s->Text(31, 25, 16), "Trials made:  1 ");
}

TEST(Game, ABrokenOffGameShowsTheSolutionButNoCount) {
  MemoryScreen s;
  TwoHumans();
  s.Keys(
      "\r1234"
      "1"
      "56");
  s.Esc();
  s.Keys("n");
  ASSERT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(1, 25, 13), "Answer:  1234");
  EXPECT_EQ(s->Text(31, 25, 16), "Trials made:    ");
}

TEST(Game, TheThirtyFirstTrialScrollsTheBoard) {
  MemoryScreen s;
  TwoHumans();
  std::string keys =
      "\r1234"
      "1";
  for (int t = 1; t <= 30; ++t) keys += t % 2 ? "5678" : "4321";
  keys += "1234n";
  s.Keys(keys);
  ASSERT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  // Trials 2..30 moved up one place; trial 31 is in the last row of the right column.
  EXPECT_EQ(s->Text(42, 9, 13), "  2│  4321   ");
  EXPECT_EQ(s->Text(42, 23, 13), " 16│  4321   ");
  EXPECT_EQ(s->Text(62, 9, 13), " 17│  5678   ");
  EXPECT_EQ(s->Text(62, 22, 17), " 30│  4321   │0│4");
  EXPECT_EQ(s->Text(62, 23, 17), " 31│  1234   │4│0");
  EXPECT_EQ(s->Text(31, 25, 16), "Trials made:  31");
}

TEST(Game, TrialOneThousandIsShownAsThreeZeros) {
  MemoryScreen s;
  TwoHumans();
  std::string keys =
      "\r1234"
      "1";
  for (int t = 1; t <= 1000; ++t) keys += "5678";
  s.Keys(keys);
  s.Esc();
  s.Keys("n");
  ASSERT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
  // The Esc came in trial 1001, so trial 1000 stands in the row above it.
  EXPECT_EQ(s->Text(62, 23, 3), "001");
  EXPECT_EQ(s->Text(62, 22, 3), "000");
  EXPECT_EQ(s->Text(62, 21, 3), "999");
  EXPECT_EQ(s->Text(42, 9, 3), "972");
}

TEST(Game, TheComputersCodeIsDrawnHalfWithoutRepetition) {
  MemoryScreen s;
  Defaults();
  X.WDHG = true;
  int without = 0;
  const int games = 400;
  for (int g = 0; g < games; ++g) {
    s.Keys("1");
    s.Esc();
    s.Keys("n");
    ASSERT_TRUE(RunsToEnd([] { SPIELTEIL(); }));
    const std::string code = s->Text(10, 25, 4);
    bool repeated = false;
    for (int i = 0; i < 4; ++i)
      for (int j = i + 1; j < 4; ++j) repeated = repeated || code[i] == code[j];
    without += repeated ? 0 : 1;
  }
  // Half are drawn without repetition, and of the free draws 50.4% have none:
  // about 75% in all. A draw that always repeated freely would give about 50%.
  EXPECT_GT(without, games * 66 / 100);
  EXPECT_LT(without, games * 84 / 100);
}

TEST(Game, TheComputerPlaysAgainstItself) {
  MemoryScreen s;
  Defaults();
  X.PC_RAET = true;
  X.ZEITGRENZE = 0;
  mtspiel::ZEITLIMIT_SETZEN();
  mtspiel::A = term::KEY_ESC;  // as a game broken off before leaves it
  // Against its own fixed code it needs at most the board's bound. (Keys typed
  // ahead are taken by the computer's polling, so the test looks at the screen
  // while the new-game question waits.)
  s.Keys("1");
  ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(1, 25, 8), "Answer: ");
  const int fest = std::stoi(s->Text(45, 25, 2));
  EXPECT_GE(fest, 1);
  EXPECT_LE(fest, 7);
  // Against its own variable code every game takes exactly the bound.
  X.FEST = false;
  s.Keys("1");
  ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(45, 5, 15), " with 7 trials.");
  EXPECT_EQ(std::stoi(s->Text(45, 25, 2)), 7) << s->Dump();
}

TEST(Game, AHumanAgainstTheComputersVariableCode) {
  MemoryScreen s;
  Defaults();
  X.FEST = false;
  // The same guesses always get the same answers: the first guess 0123 is
  // answered with the largest class, and Esc breaks the game off. The pauses
  // let the set-up finish: it takes the keys it finds while it works.
  s.Keys("1");
  s.Pause(50);
  s.Keys("0123");
  s.Esc();
  ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  const std::string first = s->Text(42, 9, 17);
  EXPECT_EQ(s->Text(42, 9, 10), "  1│  0123");
  s.Keys("1");
  s.Pause(50);
  s.Keys("0123");
  s.Esc();
  ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(42, 9, 17), first);
}

TEST(Game, WhatTheMachineCannotHoldIsNeitherOfferedNorBuilt) {
  MemoryScreen s;
  Defaults();
  // The computer against itself with a variable code, 7 positions of 10 signs
  // with repetitions: 10^7 secret codes of 32 bytes fit the budget of 8 GiB,
  // but not a machine with 512 MiB free (less its margin of 256 MiB).
  X.LAENGE = 7;
  X.WDHG = true;
  X.PC_RAET = true;
  X.FEST = false;
  struct Maschine {
    Maschine() { mtspiel::SPEICHER_VERFUEGBAR_TEST = int64_t{512} << 20; }
    ~Maschine() {
      mtspiel::SPEICHER_VERFUEGBAR_TEST = -1;
      mtspiel::FEHLSCHLAG_BEI_RESERVIERUNG = -1;
    }
  } maschine;
  mtspiel::FEHLSCHLAG_BEI_RESERVIERUNG = 0;  // fires at the first reservation of a set-up
  // The conditions screen shows both roles switched off, as for a budget that
  // is too small.
  ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_EQ(s->Text(37, 13, 32), " Shall the computer guess? No.  ");
  EXPECT_EQ(s->Text(2, 19, 33), " Is the answer fixed?       Yes. ");
  EXPECT_FALSE(X.PC_RAET);
  EXPECT_TRUE(X.FEST);
  EXPECT_FALSE(mtspiel::KANN_MOGELN);
  // The game goes on with the computer's fixed riddle for a human to crack, and
  // no store is ever set up.
  s.Keys("1");
  s.Esc();
  ASSERT_TRUE(WaitsForKey([] { SPIELTEIL(); }));
  EXPECT_EQ(mtspiel::FEHLSCHLAG_BEI_RESERVIERUNG, 0) << "a set-up was started";
  EXPECT_EQ(s->Text(3, 19, 9), "Game end ") << s->Dump();
  EXPECT_EQ(s->Text(1, 25, 8), "Answer: ");
  EXPECT_FALSE(X.PC_RAET);
}

TEST(Board, LayoutInBothLanguages) {
  MemoryScreen s;
  Defaults();
  SPIELBRETT(7, "     (0123) ");
  EXPECT_EQ(Row(s, 1), "╔══  ***  Morvandeltrisk  ****  " + Versionstitel() + ".  ***  ══╗");
  EXPECT_EQ(Row(s, 5),
            "║ 4   signs without repetition      (0123) ║ with 7 trials or less.           ║");
  EXPECT_EQ(Row(s, 7),
            "║ The vacant sign ' '/'*' cannot be   ║█║No.│  Code   │P│S║█║No.│  Code   │P│S║");
  EXPECT_EQ(Row(s, 21),
            "║ Time total: 00 hours 00 min. 00 sec.║█║   │         │ │ ║█║   │         │ │ ║");
  SPRACHE_DEUTSCH = true;
  X.FEST = false;
  SPIELBRETT(12, "            ");
  EXPECT_EQ(s->Text(45, 4, 34), "   Der Code kann mit genau 12     ");
  EXPECT_EQ(s->Text(45, 5, 34), "   Versuchen geknackt werden.     ");
  EXPECT_EQ(s->Text(40, 7, 40), "█║Nr.│  Code   │P│Z║█║Nr.│  Code   │P│Z║");
  SPIELBRETT(0, "            ");
  EXPECT_EQ(s->Text(45, 4, 34), std::string(34, ' '));
  SPRACHE_DEUTSCH = false;
}

}  // namespace
}  // namespace morvandeltrisk
