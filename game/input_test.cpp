#include "game/input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clock/game_clock.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/terminal.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

using testsupport::RunsToEnd;
using testsupport::WaitsForKey;

void SetSet(char erstes, char letztes) {
  X.ERSTES = erstes;
  X.LETZTES = letztes;
  POSITIONSWERTE(erstes);
  ZEICHENTABELLEN();
}

CODE C(const char* s) {
  CODE c;
  for (char& z : c.z) z = ' ';
  for (int i = 0; s[i] && i < 9; ++i) c.z[i] = s[i];
  return c;
}

// What LESE_CODE told the layers above it through its hooks.
struct Gemeldet {
  int enden = 0;           // calls of spiel_ende
  bool freigeben = false;  // its argument at the last call
  int antworten = 0;       // calls of antwort_nicht_fest
} GEMELDET;

void EndeMerken(bool freigeben) {
  ++GEMELDET.enden;
  GEMELDET.freigeben = freigeben;
}

// A variable code that answers every trial with the code 1234 as its secret.
void AntwortAus1234(const CODE& trial, CODE& versuch, uint8_t& p, uint8_t& s, char&) {
  ++GEMELDET.antworten;
  versuch = trial;
  p = s = 0;
  for (int i = 1; i <= 4; ++i) {
    if (trial[i] == "1234"[i - 1]) ++p;
  }
  s = static_cast<uint8_t>(4 - p);
}

constexpr EINGABE_HAKEN kHaken{SCHREIBE_ZEIT_FPC, AntwortAus1234, EndeMerken};

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITIALISIERE();
    SetSet('0', '9');
    X.LAENGE = 4;
    SP_D = true;
    ZURUECK = false;
    ZEITEIN = false;
    GEMELDET = {};
  }
  void TearDown() override { ZEITEIN = false; }
  std::string Text(int x, int y, int n) { return screen_->Text(x, y, n); }

  testsupport::MemoryScreen screen_;
};

// ---- LESE_CODE -----------------------------------------------------------

// A human's trial on row 9 of the left board column (code at 50..53).
class TrialInput : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    X.FEST = true;
    X.PC_STELLT = true;
    LOESUNG = C("1234");
    LOESUNGSFARBEN_ZAEHLEN();
    NUMMER = 1;
    screen_->max_idle_polls = 1000;  // a trial nobody types ends the test quickly
    WX = 50, WY = 9, K = 9;
    term::GotoXY(WX, WY);
    term::Write("....");
    term::GotoXY(WX, WY);
    rec_ = {};
    rec_.KOMBINATION = C("9999");
    rec_.P = rec_.S = 7;
  }
  // A fresh board row for the next call of LESE_CODE.
  void Restart() {
    term::GotoXY(WX, WY);
    term::Write("....");
    term::GotoXY(WX, WY);
  }
  // Runs LESE_CODE on the record; false when it is still waiting for a key.
  bool Read() {
    return RunsToEnd([&] { LESE_CODE(1, rec_.KOMBINATION, rec_.P, rec_.S, taste_, kHaken); });
  }
  bool StillWaiting() {
    return WaitsForKey([&] { LESE_CODE(1, rec_.KOMBINATION, rec_.P, rec_.S, taste_, kHaken); });
  }
  std::string Code() { return Text(50, 9, 4); }
  int CursorPosition() { return term::WhereX() - WX + 1; }

  VERSUCH rec_;
  char taste_ = 0;
};

TEST_F(TrialInput, TrialEndsWithItsLastSignAndIsScored) {
  screen_.Keys("4321");
  ASSERT_TRUE(Read());
  EXPECT_EQ(Code(), "4321");
  EXPECT_EQ(rec_.KOMBINATION, C("4321"));
  EXPECT_EQ(rec_.P, 0);
  EXPECT_EQ(rec_.S, 4);
  EXPECT_EQ(Text(56, 9, 3), "0 4");
  EXPECT_EQ(screen_->PendingKeys(), 0u);
  EXPECT_FALSE(RATENDRAN);

  Restart();
  screen_.Keys("1243");
  ASSERT_TRUE(Read());
  EXPECT_EQ(rec_.P, 2);
  EXPECT_EQ(rec_.S, 2);
  EXPECT_EQ(GEMELDET.enden, 0) << "an unsolved trial leaves the game running";

  Restart();
  screen_.Keys("1234\r");
  ASSERT_TRUE(Read());
  EXPECT_EQ(rec_.P, 4);
  EXPECT_EQ(rec_.S, 0);
  EXPECT_EQ(GEMELDET.enden, 1) << "the solved code ends the game";
  EXPECT_FALSE(GEMELDET.freigeben) << "a fixed code holds no store of the computer";
  EXPECT_EQ(GEMELDET.antworten, 0) << "a fixed code is scored here";
  EXPECT_EQ(screen_->PendingKeys(), 1u) << "no Enter is needed to end the trial";
}

TEST_F(TrialInput, AVariableCodeAnswersAndItsStoresGoBackAtTheEnd) {
  X.FEST = false;
  LOESUNG = C("9999");  // not used: the variable code answers
  screen_.Keys("1243");
  ASSERT_TRUE(Read());
  EXPECT_EQ(GEMELDET.antworten, 1);
  EXPECT_EQ(rec_.P, 2);
  EXPECT_EQ(rec_.S, 2);
  EXPECT_EQ(Text(56, 9, 3), "2 2") << "the variable code's answer is shown";
  EXPECT_EQ(GEMELDET.enden, 0);

  Restart();
  screen_.Keys("1234");
  ASSERT_TRUE(Read());
  EXPECT_EQ(GEMELDET.enden, 1);
  EXPECT_TRUE(GEMELDET.freigeben);
}

TEST_F(TrialInput, EnterAndCursorKeysOnlyMove) {
  screen_.Keys("1\r34");
  ASSERT_TRUE(StillWaiting());
  EXPECT_EQ(Code(), "1.34");
  EXPECT_EQ(CursorPosition(), 1) << "the position wraps after the last one";

  // Left three times from position 1: 4, 3, 2; Ctrl and Alt forms move alike.
  Restart();
  screen_.Keys("1\r34\x1b[D\x1b[1;5D\x1b[1;3D9");
  ASSERT_TRUE(Read());
  EXPECT_EQ(rec_.KOMBINATION, C("1934"));
}

TEST_F(TrialInput, RightKeysMoveForward) {
  screen_.Keys("\x1b[C\x1b[1;5C\x1b[1;3C");
  ASSERT_TRUE(StillWaiting());
  EXPECT_EQ(CursorPosition(), 4);
  EXPECT_EQ(Code(), "....");
}

TEST_F(TrialInput, BackspaceOnTheFirstPositionWrapsToTheLast) {
  screen_.Keys("5\x1b[D\b");
  ASSERT_TRUE(StillWaiting());
  EXPECT_EQ(Code(), "....");
  EXPECT_EQ(CursorPosition(), 4);

  Restart();
  screen_.Keys("5\x1b[D\b8");
  ASSERT_TRUE(StillWaiting());
  EXPECT_EQ(Code(), "...8");
  EXPECT_EQ(CursorPosition(), 1);

  Restart();
  screen_.Keys("5\x1b[D\b8567");
  ASSERT_TRUE(Read());
  EXPECT_EQ(rec_.KOMBINATION, C("5678"));
}

TEST_F(TrialInput, BackspaceClearsAndGoesLeft) {
  // Backspace clears the position under the cursor, then moves left.
  screen_.Keys("123\b\b");
  ASSERT_TRUE(StillWaiting());
  EXPECT_EQ(Code(), "12..");
  EXPECT_EQ(CursorPosition(), 2);
}

TEST_F(TrialInput, CommaDelAndDeleteClearAndGoRight) {
  const std::string keys[] = {"12\x1b[D\x1b[D,", "\x1b[3~", "34\x1b[3;3~", "6\x1b[D\x1b[D5"};
  const char* codes[] = {".2..", "....", "..34", nullptr};
  const int positions[] = {2, 3, 2, 0};
  std::string typed;
  for (int i = 0; i < 4; ++i) {
    typed += keys[i];
    Restart();
    screen_.Keys(typed);
    if (!codes[i]) break;
    ASSERT_TRUE(StillWaiting()) << i;
    EXPECT_EQ(Code(), codes[i]) << i;
    EXPECT_EQ(CursorPosition(), positions[i]) << i;
  }
  ASSERT_TRUE(Read());
  EXPECT_EQ(rec_.KOMBINATION, C("5634"));
}

TEST_F(TrialInput, VacantSignOnlyWhenAllowed) {
  X.LEER = false;
  screen_.Keys(" *+~");
  ASSERT_TRUE(StillWaiting());
  EXPECT_EQ(Code(), "....");
  EXPECT_EQ(CursorPosition(), 1);

  X.LEER = true;
  Restart();
  screen_.Keys(" *+~");
  ASSERT_TRUE(Read());
  EXPECT_EQ(Code(), "****");
  EXPECT_EQ(rec_.P, 0);
  EXPECT_EQ(rec_.S, 0);

  Restart();
  screen_.Keys("*~12");
  ASSERT_TRUE(Read());
  EXPECT_EQ(rec_.KOMBINATION, C("**12"));
  EXPECT_EQ(rec_.P, 0);
  EXPECT_EQ(rec_.S, 2);
}

TEST_F(TrialInput, CapitalsFoldedAndSignsOutsideTheSetIgnored) {
  SetSet('0', 'f');
  LOESUNG = C("abc1");
  LOESUNGSFARBEN_ZAEHLEN();
  screen_.Keys("AgBz:\x1b[AC1");
  ASSERT_TRUE(Read());
  EXPECT_EQ(Code(), "abc1");
  EXPECT_EQ(rec_.KOMBINATION, C("abc1"));
  EXPECT_EQ(rec_.P, 4);
}

TEST_F(TrialInput, EscAndCtrlCLeaveTheRecordUntouched) {
  const VERSUCH before = rec_;
  screen_.Keys("12\x1b");
  ASSERT_TRUE(Read());
  EXPECT_EQ(taste_, 27);
  EXPECT_EQ(rec_.KOMBINATION, before.KOMBINATION);
  EXPECT_EQ(rec_.P, 7);
  EXPECT_EQ(rec_.S, 7);
  EXPECT_EQ(GEMELDET.enden, 1);
  EXPECT_TRUE(GEMELDET.freigeben) << "breaking off gives every store back";
  EXPECT_FALSE(RATENDRAN);

  taste_ = 0;
  Restart();
  screen_.Keys("1\x03");
  ASSERT_TRUE(Read());
  EXPECT_EQ(taste_, 27) << "Ctrl-C is returned as Esc";
  EXPECT_EQ(rec_.KOMBINATION, before.KOMBINATION);
}

TEST_F(TrialInput, LaterTrialsStartWithDots) {
  NUMMER = 2;
  WX = 66, WY = 10, K = 10;
  term::GotoXY(WX, WY);
  screen_.Keys("4321");
  ASSERT_TRUE(RunsToEnd([&] { LESE_CODE(2, rec_.KOMBINATION, rec_.P, rec_.S, taste_, kHaken); }));
  EXPECT_EQ(Text(66, 10, 4), "4321");
  EXPECT_EQ(Text(76, 10, 3), "0 4") << "the answer in the right board column";
}

TEST_F(TrialInput, ClockRunsWhileThePlayerThinks) {
  for (int row = 21; row <= 23; ++row) {
    term::GotoXY(16, row);
    term::Write("00 Std. 00 Min. 00");
  }
  screen_->SetClock(2026, 12, 8, 12, 0, 0);
  SPIELUHR_STARTEN();
  term::GotoXY(WX, WY);
  screen_->SetClockStep(1);  // every poll is a hundredth of a second
  screen_->max_idle_polls = 350;
  ASSERT_TRUE(StillWaiting());
  EXPECT_TRUE(RATENDRAN);
  EXPECT_EQ(Text(16, 20, 13), "12.00 Uhr, 03");
  EXPECT_EQ(Text(16, 21, 18), "00 Std. 00 Min. 03");
  // The guessing began with the first poll, a hundredth after the game.
  EXPECT_EQ(Text(16, 22, 18), "00 Std. 00 Min. 02");
  EXPECT_EQ(Text(16, 23, 18), "00 Std. 00 Min. 01");
  EXPECT_EQ(term::WhereX(), WX) << "the clock leaves the cursor on the trial";
  EXPECT_EQ(term::WhereY(), WY);
}

// A memory terminal that remembers how each read for a key was meant to wait.
class TimeoutRecorder : public term::MemoryTerminal {
 public:
  int ReadByte(int timeout_ms) override {
    if (PendingKeys() == 0) timeouts.push_back(timeout_ms);
    return MemoryTerminal::ReadByte(timeout_ms);
  }
  std::vector<int> timeouts;
};

void ThrowExhausted(const term::MemoryTerminal& screen, const char* why) {
  throw testsupport::ScriptExhausted{why, screen.Dump()};
}

TEST_F(TrialInput, WaitingBlocksBetweenClockCallsInsteadOfSpinning) {
  TimeoutRecorder recorder;
  recorder.SetExhaustedHandler(ThrowExhausted);
  recorder.max_idle_polls = 100;
  term::SetBackend(&recorder);
  term::GotoXY(WX, WY);
  ZEITEIN = true;
  EXPECT_TRUE(StillWaiting());
  term::SetBackend(&screen_.mem());
  ASSERT_GE(recorder.timeouts.size(), 100u);
  for (int t : recorder.timeouts) {
    EXPECT_GE(t, 10) << "a zero-timeout poll keeps a core busy";
    EXPECT_LE(t, 20) << "the clock would turn over late";
  }
}

// ---- LESE_LSG ------------------------------------------------------------

class SolutionInput : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    loesung_ = C("....");
    term::GotoXY(46, 18);
    term::Write("....");
    term::GotoXY(46, 18);
  }
  bool Read() {
    return RunsToEnd([&] { LESE_LSG(loesung_, taste_); });
  }
  CODE loesung_;
  char taste_ = 0;
};

TEST_F(SolutionInput, RepeatsRefusedWithoutRepetition) {
  X.WDHG = false;
  screen_.Keys("11X2\x1b[A3 34");
  ASSERT_TRUE(Read());
  EXPECT_EQ(loesung_, C("1234"));
  EXPECT_EQ(Text(46, 18, 4), "1234");
  EXPECT_EQ(taste_, '4');
}

TEST_F(SolutionInput, RepeatsAllowedWithRepetition) {
  X.WDHG = true;
  screen_.Keys("1111");
  ASSERT_TRUE(Read());
  EXPECT_EQ(loesung_, C("1111"));
}

TEST_F(SolutionInput, LastSignAddedWhenEverySignOccursOnce) {
  SetSet('0', '3');
  X.WDHG = false;
  screen_.Keys("302");
  ASSERT_TRUE(Read());
  EXPECT_EQ(loesung_, C("3021"));
  EXPECT_EQ(Text(46, 18, 4), "3021");
  EXPECT_EQ(taste_, '1');

  screen_.Keys("123");
  term::GotoXY(46, 18);
  ASSERT_TRUE(Read());
  EXPECT_EQ(loesung_, C("1230")) << "the lowest sign left over";
}

TEST_F(SolutionInput, BackspaceGoesBackAndLeavesOnTheFirstPosition) {
  screen_.Keys("12\b345");
  ASSERT_TRUE(Read());
  EXPECT_EQ(loesung_, C("1345"));
  EXPECT_EQ(Text(46, 18, 4), "1345");

  term::GotoXY(46, 18);
  screen_.Keys("\b");
  ASSERT_TRUE(Read());
  EXPECT_EQ(taste_, 8);
}

TEST_F(SolutionInput, AbortKeysKeepWhatWasTyped) {
  screen_.Keys("56\x1b");
  ASSERT_TRUE(Read());
  EXPECT_EQ(taste_, 27);
  EXPECT_EQ(loesung_[1], '5');
  EXPECT_EQ(loesung_[2], '6');
  term::GotoXY(46, 18);
  screen_.Keys("7\x03");
  ASSERT_TRUE(Read());
  EXPECT_EQ(taste_, 3);
}

TEST_F(SolutionInput, EnteredBackwardsResumesAtTheLastTypedPosition) {
  SetSet('0', '3');
  X.WDHG = false;
  screen_.Keys("302");
  ASSERT_TRUE(Read());
  ZURUECK = true;
  term::GotoXY(1, 1);
  screen_.Keys("1");
  ASSERT_TRUE(Read());
  ZURUECK = false;
  EXPECT_EQ(loesung_, C("3012"));
  EXPECT_EQ(Text(46, 18, 4), "3012");
}

// ---- LESE_ZEICHEN --------------------------------------------------------

TEST_F(InputTest, LastSignRefusesTheFirstSign) {
  term::GotoXY(30, 15);
  term::Write("0123456789");
  term::GotoXY(30, 14);
  screen_.Keys("0");
  EXPECT_TRUE(WaitsForKey([] { LESE_ZEICHEN(X.ERSTES); }));
  EXPECT_EQ(X.LETZTES, '9');

  screen_.Keys("05");
  ASSERT_TRUE(RunsToEnd([] { LESE_ZEICHEN(X.ERSTES); }));
  EXPECT_EQ(A, '5');
  EXPECT_EQ(X.LETZTES, '5');
  EXPECT_EQ(MAXFARBE, 6);
  EXPECT_EQ(Text(30, 14, 1), "5");
  EXPECT_EQ(Text(30, 15, 12), "012345      ");

  screen_.Keys("C");
  ASSERT_TRUE(RunsToEnd([] { LESE_ZEICHEN(X.ERSTES); }));
  EXPECT_EQ(X.LETZTES, 'c');
  EXPECT_EQ(MAXFARBE, 13);
  EXPECT_EQ(Text(30, 15, 14), "0123456789abc ");
}

TEST_F(InputTest, FirstSignMovesTheWholeSet) {
  term::GotoXY(30, 13);
  screen_.Keys("\x1b[Aa");
  ASSERT_TRUE(RunsToEnd([] { LESE_ZEICHEN('*'); }));
  EXPECT_EQ(X.ERSTES, 'a');
  EXPECT_EQ(X.LETZTES, 'j');
  EXPECT_EQ(MAXFARBE, 10);
  EXPECT_EQ(std::string(FARBARRAY + 1, 10), "abcdefghij");
  EXPECT_EQ(NR('0'), 27);
  EXPECT_FALSE(IST_ZEICHEN('0'));
  EXPECT_EQ(Text(30, 13, 1), "a");
  EXPECT_EQ(Text(30, 14, 1), "j");
  EXPECT_EQ(Text(30, 15, 10), "abcdefghij");

  screen_.Keys("Y");  // wraps around the ring
  ASSERT_TRUE(RunsToEnd([] { LESE_ZEICHEN('*'); }));
  EXPECT_EQ(X.LETZTES, '7');
  EXPECT_EQ(Text(30, 15, 10), "yz01234567");
}

TEST_F(InputTest, SignInputEndingKeysChangeNothing) {
  for (const char* key : {"\b", "\r", "\x1b", "\x03", "9"}) {
    screen_.Keys(key);
    ASSERT_TRUE(RunsToEnd([] { LESE_ZEICHEN(X.ERSTES); }));
    EXPECT_EQ(A, key[0]);
    EXPECT_EQ(X.LETZTES, '9');
    EXPECT_EQ(MAXFARBE, 10);
  }
}

// ---- JA_NEIN -------------------------------------------------------------

TEST_F(InputTest, YesNoReportsOnlyRealChanges) {
  WXX = 30, WYY = 12;
  bool wert = true, geaendert = true;
  char taste = 0;
  const long before = screen_->CellsWritten();
  screen_.Keys("xj");
  ASSERT_TRUE(RunsToEnd([&] { JA_NEIN(taste, wert, geaendert); }));
  EXPECT_EQ(taste, 'j');
  EXPECT_TRUE(wert);
  EXPECT_FALSE(geaendert);
  EXPECT_EQ(screen_->CellsWritten(), before);

  screen_.Keys("N");
  ASSERT_TRUE(RunsToEnd([&] { JA_NEIN(taste, wert, geaendert); }));
  EXPECT_EQ(taste, 'n');
  EXPECT_FALSE(wert);
  EXPECT_TRUE(geaendert);
  EXPECT_EQ(Text(30, 12, 5), "Nein.");

  screen_.Keys("Z");
  ASSERT_TRUE(RunsToEnd([&] { JA_NEIN(taste, wert, geaendert); }));
  EXPECT_EQ(taste, 'j');
  EXPECT_TRUE(wert);
  EXPECT_TRUE(geaendert);
  EXPECT_EQ(Text(30, 12, 5), "Ja.  ");
}

TEST_F(InputTest, YesNoInEnglishAndEndingKeys) {
  SP_D = false;
  WXX = 30, WYY = 12;
  bool wert = true, geaendert = false;
  char taste = 0;
  screen_.Keys("n");
  ASSERT_TRUE(RunsToEnd([&] { JA_NEIN(taste, wert, geaendert); }));
  EXPECT_EQ(Text(30, 12, 4), "No. ");
  screen_.Keys("Y");
  ASSERT_TRUE(RunsToEnd([&] { JA_NEIN(taste, wert, geaendert); }));
  EXPECT_EQ(Text(30, 12, 4), "Yes.");
  for (const char* key : {"\b", "\r", "\x1b", "\x03"}) {
    screen_.Keys(std::string("\x1b[A") + key);
    ASSERT_TRUE(RunsToEnd([&] { JA_NEIN(taste, wert, geaendert); }));
    EXPECT_EQ(taste, key[0]);
    EXPECT_TRUE(wert);
    EXPECT_FALSE(geaendert);
  }
}

}  // namespace
}  // namespace mtspiel
