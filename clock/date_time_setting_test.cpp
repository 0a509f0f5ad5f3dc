#include "clock/date_time_setting.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/memory_screen.h"

namespace {

using testsupport::MemoryScreen;

const std::string UP = "\x1b[A", DOWN = "\x1b[B", RIGHT = "\x1b[C";
const std::string ENTER = "\r";

void Uhr(MemoryScreen& s, const std::string& tasten, bool german) {
  s.Keys(tasten);
  EXPECT_TRUE(testsupport::RunsToEnd([&] { zuf::KORRIGIERE_ZEIT(german, 31, 30); })) << s->Dump();
}

TEST(DateTimeSetting, ShowsTheSystemDateAndTime) {
  MemoryScreen s;
  s->SetClock(2024, 2, 29, 13, 5, 9);
  Uhr(s, ENTER, false);
  EXPECT_EQ(s->Text(1, 1, 72),
            "Please set the right date and time (administration rights are required):");
  EXPECT_EQ(s->Text(37, 18, 4), "2024");
  EXPECT_EQ(s->Text(41, 18, 19), " (is a leap-year.) ");
  EXPECT_EQ(s->Text(43, 19, 10), "February) ");
  EXPECT_EQ(s->Text(17, 20, 20), "Day      (01 - 29): ");
  EXPECT_EQ(s->Text(37, 21, 9), "Thursday.");
  EXPECT_EQ(s->Text(37, 23, 2), "13");
  EXPECT_EQ(s->Text(43, 23, 12), " (= 01 p.m.)");
  EXPECT_EQ(s->Text(37, 24, 14), "05 minutes and");
  EXPECT_EQ(s->Text(37, 25, 11), "09 seconds.");
}

TEST(DateTimeSetting, EnglishTwelveHourNote) {
  const struct {
    int stunde;
    const char* text;
  } faelle[] = {{0, " (= 12 a.m.)"},  {7, " (= 07 a.m.)"},  {11, " (= 11 a.m.)"},
                {12, " (= 12 p.m.)"}, {13, " (= 01 p.m.)"}, {23, " (= 11 p.m.)"}};
  for (const auto& f : faelle) {
    MemoryScreen s;
    s->SetClock(2026, 12, 8, f.stunde, 0, 0);
    Uhr(s, ENTER, false);
    EXPECT_EQ(s->Text(43, 23, 12), f.text) << f.stunde;
  }
}

TEST(DateTimeSetting, HourTensTwoOverSevenGivesTwenty) {
  MemoryScreen s;
  s->SetClock(2026, 12, 8, 7, 30, 0);
  Uhr(s, UP + UP + UP + "2" + ENTER, false);
  EXPECT_EQ(s->Text(37, 23, 2), "20");
  EXPECT_EQ(s->Text(43, 23, 12), " (= 08 p.m.)");
}

TEST(DateTimeSetting, MonthRepairWhileTyping) {
  MemoryScreen s;
  s->SetClock(2026, 12, 8, 12, 0, 0);
  Uhr(s, DOWN + RIGHT + "3" + ENTER, true);
  EXPECT_EQ(s->Text(37, 19, 2), "03");
  EXPECT_EQ(s->Text(43, 19, 10), "März)     ");
}

TEST(DateTimeSetting, RefusedChangeShowsTheRealClockAgain) {
  // The system clock is never changed, so the live display brings the real
  // date back at its next refresh, and the clock runs on meanwhile.
  MemoryScreen s;
  s->max_idle_polls = 300;
  s->SetClock(2026, 12, 8, 23, 59, 58);
  s->SetClockStep(1);  // one hundredth per poll
  s.Keys("1");         // 1026
  EXPECT_TRUE(testsupport::WaitsForKey([] { zuf::KORRIGIERE_ZEIT(true, 31, 30); }));
  EXPECT_EQ(s->Text(37, 18, 4), "2026");
  EXPECT_EQ(s->Text(37, 19, 2), "12");
  EXPECT_EQ(s->Text(37, 20, 2), "09");  // midnight passed while the screen was open
  EXPECT_EQ(s->Text(37, 21, 8), "Mittwoch");
  EXPECT_EQ(s->Text(37, 23, 2), "00");
  EXPECT_EQ(s->Text(37, 25, 2), "01");
  EXPECT_EQ(s->CursorX(), 38);  // on the digit after the one typed
  EXPECT_EQ(s->CursorY(), 18);
}

}  // namespace
