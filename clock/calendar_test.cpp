#include "clock/calendar.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/memory_screen.h"

namespace {

using testsupport::MemoryScreen;

const std::string UP = "\x1b[A", DOWN = "\x1b[B", RIGHT = "\x1b[C", LEFT = "\x1b[D";
const std::string F1 = "\x1bOP", ENTER = "\r";

struct Ergebnis {
  bool virtuell = true;  // deliberately not today's values: the calendar must set them
  zuf::DATUM datum{1999, 9, 9, 9};
};

Ergebnis Kalender(MemoryScreen& s, const std::string& tasten, bool german = true) {
  Ergebnis e;
  s.Keys(tasten);
  EXPECT_TRUE(testsupport::RunsToEnd([&] { zuf::KALENDER(german, 31, 30, e.virtuell, e.datum); }))
      << s->Dump();
  return e;
}

// Where the cursor waits when the keys are used up.
void CursorNach(MemoryScreen& s, const std::string& tasten, int x, int y) {
  s.Keys(tasten);
  Ergebnis e;
  EXPECT_TRUE(testsupport::WaitsForKey([&] { zuf::KALENDER(false, 31, 30, e.virtuell, e.datum); }));
  EXPECT_EQ(s->CursorX(), x) << tasten;
  EXPECT_EQ(s->CursorY(), y) << tasten;
}

TEST(Calendar, LeavingAtOnceGivesTodayAndNoVirtualDate) {
  MemoryScreen s;
  s->SetClock(2026, 12, 8, 12, 0, 0);  // a Tuesday
  Ergebnis e = Kalender(s, "\x1b");
  EXPECT_FALSE(e.virtuell);
  EXPECT_EQ(e.datum.JAHR, 2026);
  EXPECT_EQ(e.datum.MONAT, 12);
  EXPECT_EQ(e.datum.TAG, 8);
  EXPECT_EQ(e.datum.WOTAG, 2);
  EXPECT_EQ(s->Text(37, 18, 4), "2026");
  EXPECT_EQ(s->Text(41, 18, 23), " (ist kein Schaltjahr.)");
  EXPECT_EQ(s->Text(37, 19, 2), "12");
  EXPECT_EQ(s->Text(43, 19, 10), "Dezember) ");
  EXPECT_EQ(s->Text(37, 21, 9), "Dienstag.");
  EXPECT_EQ(s->Text(17, 18, 20), "Jahr (0000 - 9999): ");
  EXPECT_EQ(s->RowUtf8(23).substr(0, 4), "Auf ");
}

TEST(Calendar, ThreeTypedBehindMonth12GivesMarch) {
  MemoryScreen s;
  s->SetClock(2026, 12, 8, 12, 0, 0);
  Ergebnis e = Kalender(s, DOWN + RIGHT + "3" + ENTER, false);
  EXPECT_EQ(e.datum.MONAT, 3);
  EXPECT_EQ(e.datum.TAG, 8);
  EXPECT_TRUE(e.virtuell);
  EXPECT_EQ(s->Text(37, 19, 2), "03");
  EXPECT_EQ(s->Text(43, 19, 10), "March)    ");
  EXPECT_EQ(s->Text(37, 21, 7), "Sunday.");  // 8 March 2026
}

TEST(Calendar, DayTensOn31March) {
  MemoryScreen s;
  s->SetClock(2026, 3, 31, 12, 0, 0);
  // Month tens is not offered over a 3, so the cursor keeps to the units column.
  Ergebnis e = Kalender(s, DOWN + DOWN + LEFT + "2" + ENTER);
  EXPECT_EQ(e.datum.TAG, 21);
  EXPECT_EQ(e.datum.MONAT, 3);
  EXPECT_EQ(e.datum.WOTAG, 6);  // Saturday
}

TEST(Calendar, FebruaryChosenOn30January) {
  MemoryScreen s;
  s->SetClock(2026, 1, 30, 12, 0, 0);
  Ergebnis e = Kalender(s, DOWN + RIGHT + "2" + ENTER);
  EXPECT_EQ(e.datum.MONAT, 2);
  EXPECT_EQ(e.datum.TAG, 28);
  EXPECT_EQ(s->Text(32, 20, 2), "28");  // the bound in the day label follows

  MemoryScreen s2;
  s2->SetClock(2024, 1, 30, 12, 0, 0);
  e = Kalender(s2, DOWN + RIGHT + "2" + ENTER);
  EXPECT_EQ(e.datum.TAG, 29);
  EXPECT_EQ(s2->Text(32, 20, 2), "29");
}

TEST(Calendar, TenOctober1582BecomesTwentiethAWednesday) {
  MemoryScreen s;
  s->SetClock(2026, 10, 10, 12, 0, 0);
  Ergebnis e = Kalender(s, "1582" + ENTER);
  EXPECT_TRUE(e.virtuell);
  EXPECT_EQ(e.datum.JAHR, 1582);
  EXPECT_EQ(e.datum.MONAT, 10);
  EXPECT_EQ(e.datum.TAG, 20);
  EXPECT_EQ(e.datum.WOTAG, 3);
  EXPECT_EQ(s->Text(37, 20, 2), "20");
  EXPECT_EQ(s->Text(37, 21, 11), "Mittwoch.  ");
}

TEST(Calendar, TwentyNinthFebruaryIn1500And1700And2000) {
  MemoryScreen s;
  s->SetClock(2000, 2, 29, 12, 0, 0);
  Ergebnis e = Kalender(s, ENTER);
  EXPECT_EQ(e.datum.TAG, 29);
  EXPECT_EQ(s->Text(41, 18, 23), " (ist ein Schaltjahr.) ");

  MemoryScreen s2;
  s2->SetClock(2000, 2, 29, 12, 0, 0);
  e = Kalender(s2, "15" + ENTER, false);  // 1000, then 1500: Julian leap years
  EXPECT_EQ(e.datum.JAHR, 1500);
  EXPECT_EQ(e.datum.TAG, 29);
  EXPECT_EQ(s2->Text(41, 18, 19), " (is a leap-year.) ");

  MemoryScreen s3;
  s3->SetClock(2000, 2, 29, 12, 0, 0);
  e = Kalender(s3, "17" + ENTER, false);
  EXPECT_EQ(e.datum.JAHR, 1700);
  EXPECT_EQ(e.datum.TAG, 28);
  EXPECT_EQ(s3->Text(41, 18, 19), " (is no leap-year.)");
}

TEST(Calendar, YearsZeroAndOneAndTheLast) {
  MemoryScreen s;
  s->SetClock(2026, 1, 1, 12, 0, 0);
  Ergebnis e = Kalender(s, "0000" + ENTER, false);
  EXPECT_EQ(e.datum.JAHR, 0);
  EXPECT_EQ(e.datum.WOTAG, 4);  // Thursday
  EXPECT_EQ(s->Text(37, 18, 4), "0000");
  EXPECT_EQ(s->Text(37, 21, 9), "Thursday.");

  MemoryScreen s2;
  s2->SetClock(2026, 1, 1, 12, 0, 0);
  e = Kalender(s2,
               "0000"
               "0001" +
                   ENTER,
               false);
  EXPECT_EQ(e.datum.JAHR, 1);
  EXPECT_EQ(e.datum.WOTAG, 6);  // Saturday
  EXPECT_EQ(s2->Text(37, 18, 4), "0001");

  MemoryScreen s3;
  s3->SetClock(2026, 12, 31, 12, 0, 0);
  e = Kalender(s3, "9999" + ENTER, false);
  EXPECT_EQ(e.datum.JAHR, 9999);
  EXPECT_EQ(e.datum.WOTAG, 5);  // Friday
  EXPECT_EQ(s3->Text(37, 18, 4), "9999");
}

TEST(Calendar, BackToTodayClearsTheVirtualDate) {
  MemoryScreen s;
  s->SetClock(2026, 12, 8, 12, 0, 0);
  Ergebnis e = Kalender(s, "1" + LEFT + "2" + ENTER);  // 1026, then 2026 again
  EXPECT_FALSE(e.virtuell);
  EXPECT_EQ(e.datum.JAHR, 2026);
  EXPECT_EQ(e.datum.WOTAG, 2);
}

TEST(Calendar, F1RestoresTodayAndTheGameGetsIt) {
  MemoryScreen s;
  s->SetClock(2026, 12, 8, 12, 0, 0);
  Ergebnis e = Kalender(s, "19" + DOWN + "0" + F1 + ENTER);
  EXPECT_EQ(s->Text(37, 18, 4), "2026");
  EXPECT_EQ(s->Text(37, 19, 2), "12");
  EXPECT_FALSE(e.virtuell);
  EXPECT_EQ(e.datum.JAHR, 2026);
  EXPECT_EQ(e.datum.MONAT, 12);
  EXPECT_EQ(e.datum.TAG, 8);
}

TEST(Calendar, DigitsOutsideTheirBoundsAreIgnored) {
  MemoryScreen s;
  s->SetClock(2026, 3, 30, 12, 0, 0);
  // Day units on the 30th take 0 or 1 only; day tens in March 0..3.
  Ergebnis e = Kalender(s, DOWN + DOWN +
                               "5"
                               "1"
                               "9" +
                               ENTER);
  EXPECT_EQ(e.datum.TAG, 31);
}

TEST(Calendar, CursorMovesWithItsWrapArounds) {
  {
    MemoryScreen s;
    CursorNach(s, UP, 37, 20);  // above the year comes the day
  }
  {
    MemoryScreen s;
    CursorNach(s, LEFT, 40, 18);  // the year's digits form a ring
  }
  {
    MemoryScreen s;
    CursorNach(s, RIGHT + RIGHT + RIGHT + RIGHT, 37, 18);
  }
  {
    MemoryScreen s;
    s->SetClock(2026, 5, 8, 12, 0, 0);
    CursorNach(s, DOWN, 38, 19);  // month tens is not offered over a units digit 5
  }
  {
    MemoryScreen s;
    s->SetClock(2026, 4, 30, 12, 0, 0);
    CursorNach(s, RIGHT + DOWN + DOWN, 37, 20);  // no day units on 30 April
  }
  {
    MemoryScreen s;
    CursorNach(s, RIGHT + RIGHT + RIGHT + DOWN, 38, 19);  // year column 40 counts as 38
  }
  {
    MemoryScreen s;
    CursorNach(s, DOWN + DOWN + DOWN, 37, 18);  // below the day comes the year
  }
}

}  // namespace
