#include "clock/game_clock.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/engine_state.h"
#include "game/conditions.h"
#include "game/signs.h"
#include "screen/terminal.h"
#include "tests/support/memory_screen.h"

namespace mtspiel {
namespace {

// A game screen in memory with the clock started at a chosen moment.
class GameClock : public ::testing::Test {
 protected:
  void SetUp() override {
    INITIALISIERE();
    X.PC_RAET = false;
    POSITIONSWERTE(X.ERSTES);
    ZEICHENTABELLEN();
    SP_D = true;
    VIRTUALDATE = false;
    RATEN_ZEITANZEIGE = false;
    NEUER_KANDIDAT = false;
    ZEITLIMIT_GR_0 = false;
    ZAHL_DER_STERNE = 0;
    GERATENE_VERSUCHE = ZAHL_DER_VERSUCHE = NUMMER_PLUS = 0;
    ZEITEIN = false;
  }
  void TearDown() override { ZEITEIN = false; }

  // The labels and zero durations the board draws before the clock starts
  // (column 1 holds the frame).
  void DrawFrame() {
    const char* rows_de[3] = {" Spieldauer : 00 Std. 00 Min. 00 Sek.",
                              " Ratezeit   : 00 Std. 00 Min. 00 Sek.",
                              " Antwortzeit: 00 Std. 00 Min. 00 Sek."};
    const char* rows_en[3] = {" Time total: 00 hours 00 min. 00 sec.",
                              " to guess  : 00 hours 00 min. 00 sec.",
                              " to answer : 00 hours 00 min. 00 sec."};
    for (int i = 0; i < 3; ++i) {
      term::GotoXY(2, 21 + i);
      term::Write(SP_D ? rows_de[i] : rows_en[i]);
    }
  }
  // Starts the clock at the given date and time (hundredths optional) on a
  // freshly drawn board.
  void StartAt(int y, int mo, int d, int h, int mi, int s, int hs = 0) {
    DrawFrame();
    screen_->SetClock(y, mo, d, h, mi, s, hs);
    SPIELUHR_STARTEN();
  }
  void Tick(int64_t hundredths) {
    screen_->Advance(hundredths);
    SCHREIBE_ZEIT_FPC();
  }
  std::string Text(int x, int y, int n) { return screen_->Text(x, y, n); }
  // The three durations as drawn, German layout ("hh Std. mm Min. ss").
  std::string Duration(int row) { return Text(16, row, 18); }

  testsupport::MemoryScreen screen_;
};

TEST_F(GameClock, TimeOfDayInBothLanguages) {
  struct Case {
    int h, m, s;
    const char* de;
    const char* en;
  };
  const Case cases[] = {{0, 15, 9, "00.15 Uhr, 09", "12:15 a.m., 09"},
                        {12, 0, 0, "12.00 Uhr, 00", "12:00 p.m., 00"},
                        {13, 5, 0, "13.05 Uhr, 00", "01:05 p.m., 00"},
                        {9, 5, 7, "09.05 Uhr, 07", "09:05 a.m., 07"},
                        {23, 59, 59, "23.59 Uhr, 59", "11:59 p.m., 59"}};
  for (const Case& c : cases) {
    SP_D = true;
    StartAt(2026, 12, 8, c.h, c.m, c.s);
    EXPECT_EQ(Text(16, 20, 13), c.de);
    EXPECT_EQ(Text(16, 18, 13), c.de) << "the start of the game shows the same time";
    SP_D = false;
    StartAt(2026, 12, 8, c.h, c.m, c.s);
    EXPECT_EQ(Text(15, 20, 14), c.en);
    EXPECT_EQ(Text(15, 18, 14), c.en);
  }
}

TEST_F(GameClock, DateLineFieldsAndWidths) {
  struct Case {
    int y, m, d;
    const char* text;  // the whole field: 23 cells German from 16, 24 English from 15
  };
  const Case german[] = {{2026, 12, 7, "Montag, 7.12.2026,     "},
                         {2026, 12, 31, "Donnerstag, 31.12.2026,"},
                         {2026, 1, 1, "Donnerstag, 1.1.2026,  "}};
  SP_D = true;
  for (const Case& c : german) {
    StartAt(c.y, c.m, c.d, 10, 0, 0);
    EXPECT_EQ(Text(16, 19, 23), c.text);
    EXPECT_EQ(Text(16, 17, 23), c.text);
  }
  const Case english[] = {
      {2026, 12, 7, "Monday, 7th Dec. 2026,  "}, {2026, 5, 21, "Thursday, 21st May 2026,"},
      {2026, 6, 3, "Weds., 3rd June 2026,   "},  {2026, 5, 6, "Wednesday, 6th May 2026,"},
      {2026, 3, 10, "Tues., 10th March 2026, "}, {2026, 12, 15, "Tuesday, 15th Dec. 2026,"},
      {2026, 3, 12, "Thurs., 12th March 2026,"}, {2026, 8, 22, "Sat., 22nd Aug. 2026,   "},
      {2026, 3, 4, "Weds., 4th March 2026,  "},  {2026, 12, 31, "Thurs., 31st Dec. 2026, "},
      {2026, 12, 2, "Weds., 2nd Dec. 2026,   "}, {2026, 12, 11, "Friday, 11th Dec. 2026, "},
      {2026, 12, 23, "Weds., 23rd Dec. 2026,  "}};
  SP_D = false;
  for (const Case& c : english) {
    const std::string want = c.text;
    StartAt(c.y, c.m, c.d, 10, 0, 0);
    EXPECT_EQ(Text(15, 19, static_cast<int>(want.size())), want);
    EXPECT_EQ(DATUMSTEXT({static_cast<uint16_t>(c.y), static_cast<uint16_t>(c.m),
                          static_cast<uint16_t>(c.d), DATUM_ANZEIGE.WOTAG},
                         false),
              want);
  }
}

TEST_F(GameClock, ShorterDateBlanksWhatALongerOneLeft) {
  SP_D = false;
  screen_->SetClock(2026, 5, 21, 23, 59, 59);
  SPIELUHR_STARTEN();
  term::GotoXY(39, 19);
  term::Write('|');  // the frame beside the field
  EXPECT_EQ(Text(15, 19, 25), "Thursday, 21st May 2026,|");
  Tick(100);
  EXPECT_EQ(Text(15, 19, 25), "Friday, 22nd May 2026,  |");
}

TEST_F(GameClock, SecondCallInTheSameSecondWritesNothing) {
  StartAt(2026, 12, 8, 12, 0, 0, 10);
  term::GotoXY(50, 12);
  long before = screen_->CellsWritten();
  Tick(80);  // 12:00:00.90
  EXPECT_EQ(screen_->CellsWritten(), before);

  // The next second changes one digit of the time of day and of the two
  // running durations (game and answering time), and nothing else.
  Tick(10);
  EXPECT_EQ(screen_->CellsWritten(), before + 3);
  EXPECT_EQ(Text(16, 20, 13), "12.00 Uhr, 01");
  EXPECT_EQ(screen_->CursorX(), 50);
  EXPECT_EQ(term::WhereX(), 50);
  EXPECT_EQ(term::WhereY(), 12);

  // Tens of seconds: two digits each.
  Tick(800);  // 12:00:09
  before = screen_->CellsWritten();
  Tick(100);
  EXPECT_EQ(screen_->CellsWritten(), before + 6);
  EXPECT_EQ(Duration(21), "00 Std. 00 Min. 10");

  // A new minute: minutes and seconds of each field.
  Tick(4900);  // 12:00:59
  before = screen_->CellsWritten();
  Tick(100);
  EXPECT_EQ(screen_->CellsWritten(), before + 3 * 10);
  EXPECT_EQ(Text(16, 20, 13), "12.01 Uhr, 00");
  EXPECT_EQ(Duration(23), "00 Std. 01 Min. 00");
  EXPECT_EQ(term::WhereX(), 50);
}

TEST_F(GameClock, CallExactlyAMinuteLaterStillRedraws) {
  StartAt(2026, 12, 8, 12, 0, 0);
  Tick(6000);
  EXPECT_EQ(Text(16, 20, 13), "12.01 Uhr, 00");
  EXPECT_EQ(Duration(21), "00 Std. 01 Min. 00");
}

TEST_F(GameClock, StoppedClockDrawsNothing) {
  StartAt(2026, 12, 8, 12, 0, 0);
  ZEITEIN = false;
  const long before = screen_->CellsWritten();
  Tick(500);
  EXPECT_EQ(screen_->CellsWritten(), before);
  EXPECT_EQ(Text(16, 20, 13), "12.00 Uhr, 00");
}

TEST_F(GameClock, GuessingPhaseAcrossMidnight) {
  StartAt(2026, 12, 8, 23, 59, 0);
  Tick(3000);  // 23:59:30, the codebreaker starts
  RATENDRAN = true;
  Tick(0);
  Tick(5000);  // 00:00:20 the next day, the codebreaker is done
  RATENDRAN = false;
  Tick(0);
  EXPECT_EQ(HILFSZEIT, 5000);
  Tick(100);  // a new second draws the durations
  EXPECT_EQ(Duration(21), "00 Std. 01 Min. 21");
  EXPECT_EQ(Duration(22), "00 Std. 00 Min. 50");
  EXPECT_EQ(Duration(23), "00 Std. 00 Min. 31");
  EXPECT_EQ(Text(16, 19, 23), "Mittwoch, 9.12.2026,   ") << "the date follows the system";
}

TEST_F(GameClock, GuessingTimeCountsWholeSecondsOnly) {
  X.PC_RAET = true;  // the computer guesses from the start
  StartAt(2026, 12, 8, 12, 0, 0, 50);
  Tick(490);  // 12:00:05.40: guessed 4.90 s, game 5 s
  EXPECT_EQ(RATE_ZEIT, 490);
  EXPECT_EQ(Duration(21), "00 Std. 00 Min. 05");
  EXPECT_EQ(Duration(22), "00 Std. 00 Min. 04");
  EXPECT_EQ(Duration(23), "00 Std. 00 Min. 01");
}

TEST_F(GameClock, AnsweringTimeNeverNegative) {
  StartAt(2026, 12, 8, 12, 0, 0);
  HILFSZEIT = 99'999;  // more guessing than the game has lasted
  Tick(500);
  EXPECT_EQ(Duration(22), "00 Std. 16 Min. 39");
  EXPECT_EQ(Duration(23), "00 Std. 00 Min. 00");
}

TEST_F(GameClock, HundredHoursFreezeTheField) {
  StartAt(2026, 12, 8, 12, 0, 0);
  HILFSZEIT = 36'000'000;
  Tick(100);
  EXPECT_EQ(Duration(22), "99 Std. 59 Min. 59");
  EXPECT_FALSE(ZEIT_RATEN.KL100);
  EXPECT_TRUE(ZEIT_SPIEL.KL100);
  HILFSZEIT = 100;
  Tick(100);
  EXPECT_EQ(Duration(22), "99 Std. 59 Min. 59");
  EXPECT_EQ(Duration(21), "00 Std. 00 Min. 02");
}

TEST_F(GameClock, EnglishDurations) {
  SP_D = false;
  StartAt(2026, 12, 8, 12, 0, 0);
  Tick(6100 + 360000);
  EXPECT_EQ(Text(15, 21, 19), "01 hours 01 min. 01");
  Tick(100);
  EXPECT_EQ(Text(15, 21, 19), "01 hours 01 min. 02");
}

TEST_F(GameClock, VirtualDateTurnsToItsFollowingDayAfterMidnight) {
  VIRTUALDATE = true;
  VIRDATUM1 = {1999, 12, 31, 5};
  ZWEITESDATUM();
  StartAt(2026, 12, 8, 23, 59, 58);
  EXPECT_EQ(Text(16, 17, 23), "Freitag, 31.12.1999,   ");
  EXPECT_EQ(Text(16, 19, 23), "Freitag, 31.12.1999,   ");
  EXPECT_TRUE(VIRTUALOLDDATE);
  Tick(100);
  EXPECT_EQ(Text(16, 19, 23), "Freitag, 31.12.1999,   ");
  Tick(100);  // 00:00:00
  EXPECT_EQ(Text(16, 19, 23), "Samstag, 1.1.2000,     ");
  EXPECT_EQ(Text(16, 17, 23), "Freitag, 31.12.1999,   ") << "the start stays";
  EXPECT_FALSE(VIRTUALOLDDATE);
  EXPECT_EQ(DATUM_ANZEIGE.JAHR, 2000);
  Tick(100);
  EXPECT_EQ(Text(16, 19, 23), "Samstag, 1.1.2000,     ");
  VIRTUALDATE = false;
}

// The computer's progress row: time spent at 35, stars at 44, estimate at 72.
class ProgressRow : public GameClock {
 protected:
  void SetUp() override {
    GameClock::SetUp();
    term::GotoXY(35, 25);
    term::Write("00.00.00 .......... time yet needed: 00.00.00");
    StartAt(2026, 12, 8, 12, 0, 0);
    RATEN_ZEITANZEIGE = true;
    SETZE_RATE_ZEIT_AKT = SETZEZEITLETZTERVERSUCH = true;
    Tick(0);
  }
  std::string Stars() { return Text(44, 25, 10); }
};

TEST_F(ProgressRow, StarsNeverShrinkAndShowTenWhenComplete) {
  ZEITLIMIT_GR_0 = true;
  ZEITLIMIT99 = 1099;  // a limit of ten seconds
  ZEITLIMIT_DIV_10 = 100;
  ZAHL_DER_VERSUCHE = 1000;
  NUMMER_PLUS = 500;
  GERATENE_VERSUCHE = 100;
  screen_->Advance(300);
  SETZEZEITLETZTERVERSUCH = true;
  Tick(0);
  // Three tenths of the limit, but only two tenths of the candidates within it.
  EXPECT_EQ(Stars(), "**........");
  EXPECT_EQ(ZAHL_DER_STERNE, 2);
  EXPECT_EQ(RESTZEIT, 1200);  // the 400 candidates left within the limit
  EXPECT_EQ(Text(72, 25, 8), "00.00.12");
  EXPECT_EQ(Text(35, 25, 8), "00.00.03");

  // More candidates within the limit would mean fewer stars: they stay.
  NUMMER_PLUS = 5000;
  GERATENE_VERSUCHE = 150;
  Tick(100);
  EXPECT_EQ(Stars(), "**........");
  EXPECT_EQ(ZAHL_DER_STERNE, 2);
  EXPECT_EQ(Text(35, 25, 8), "00.00.04");

  GERATENE_VERSUCHE = 1000;  // the search is complete
  Tick(100);
  EXPECT_EQ(Stars(), "**********");
  EXPECT_EQ(ZAHL_DER_STERNE, 10);
  EXPECT_EQ(RESTZEIT, 0);
  EXPECT_EQ(Text(72, 25, 8), "00.00.00");
}

TEST_F(ProgressRow, EstimateCappedAtTheLargestLongint) {
  ZAHL_DER_VERSUCHE = 2'000'000'000;
  GERATENE_VERSUCHE = 1;
  screen_->Advance(100'000);
  SETZEZEITLETZTERVERSUCH = true;
  Tick(0);
  EXPECT_EQ(RESTZEIT, 2'147'483'647);
  EXPECT_EQ(Text(72, 25, 8), "99.59.59");
  EXPECT_EQ(Stars(), "..........") << "without a time limit the search draws its own stars";
}

TEST_F(ProgressRow, CandidateShownAtTheCallersCursor) {
  X.LAENGE = 4;
  AKTUELL_ZEICHEN[1] = 1, AKTUELL_ZEICHEN[2] = 10, AKTUELL_ZEICHEN[3] = 3, AKTUELL_ZEICHEN[4] = 4;
  NEUER_KANDIDAT = true;
  term::GotoXY(50, 9);
  Tick(100);
  EXPECT_EQ(Text(50, 9, 4), "0923");
  EXPECT_FALSE(NEUER_KANDIDAT);
  EXPECT_EQ(term::WhereX(), 50);
  EXPECT_EQ(term::WhereY(), 9);
}

TEST_F(ProgressRow, TimeSpentStartsAtZeroForEveryTrial) {
  screen_->Advance(1500);
  Tick(0);
  EXPECT_EQ(SPIELZEIT, 1500);
  SETZE_RATE_ZEIT_AKT = true;  // the next search begins within the same second
  Tick(20);
  EXPECT_EQ(SPIELZEIT, 0);
}

}  // namespace
}  // namespace mtspiel
