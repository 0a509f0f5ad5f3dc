#include "clock/date_rules.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using zuf::WOCHENTAG;

TEST(DateRules, WeekdayAgreesWithTheLibraryCalendarFrom1583To9999) {
  using namespace std::chrono;
  int abweichungen = 0;
  for (sys_days d = year{1583} / January / 1; d <= sys_days{year{9999} / December / 31};
       d += days{1}) {
    const year_month_day ymd{d};
    const int erwartet = static_cast<int>(weekday{d}.c_encoding());
    const int w = WOCHENTAG(static_cast<int>(ymd.year()), static_cast<int>(unsigned{ymd.month()}),
                            static_cast<int>(unsigned{ymd.day()}));
    if (w != erwartet && ++abweichungen <= 5)
      ADD_FAILURE() << static_cast<int>(ymd.year()) << "-" << unsigned{ymd.month()} << "-"
                    << unsigned{ymd.day()} << ": " << w << " instead of " << erwartet;
  }
  EXPECT_EQ(abweichungen, 0);
}

TEST(DateRules, WeekdaysRunOnWithoutAGapFromYear0000To9999) {
  // The Julian part has no library to compare with: every day must be the
  // weekday after the day before, across the ten days dropped in 1582, and the
  // weekday the next day carries along must agree with the rule.
  zuf::DATUM d{0, 1, 1, 4};
  EXPECT_EQ(WOCHENTAG(0, 1, 1), 4);  // Thursday
  long tage = 0;
  while (!(d.JAHR == 9999 && d.MONAT == 12 && d.TAG == 31)) {
    const int w = d.WOTAG;
    zuf::NAECHSTER_TAG(d);
    ++tage;
    const int neu = WOCHENTAG(d.JAHR, d.MONAT, d.TAG);
    if (neu != (w + 1) % 7 || neu != d.WOTAG) {
      ADD_FAILURE() << d.JAHR << "-" << d.MONAT << "-" << d.TAG << " is " << neu << " after " << w
                    << ", carried " << d.WOTAG;
      return;
    }
  }
  // 578,103 Julian days up to 4 October 1582 and 3,074,324 Gregorian ones from
  // 15 October 1582: no day lost or doubled on the way.
  EXPECT_EQ(tage + 1, 578103L + 3074324L);
}

TEST(DateRules, NamedWeekdays) {
  EXPECT_EQ(WOCHENTAG(2026, 12, 7), 1);   // Monday
  EXPECT_EQ(WOCHENTAG(1582, 10, 4), 4);   // Thursday, last Julian day
  EXPECT_EQ(WOCHENTAG(1582, 10, 15), 5);  // Friday, first Gregorian day
  EXPECT_EQ(WOCHENTAG(1582, 10, 20), 3);  // Wednesday
  EXPECT_EQ(WOCHENTAG(0, 1, 1), 4);       // Thursday
  EXPECT_EQ(WOCHENTAG(0, 12, 31), 5);     // Friday: year 0 is a leap year
  EXPECT_EQ(WOCHENTAG(1, 1, 1), 6);       // Saturday
}

TEST(DateRules, LeapYearsJulianBefore1583GregorianAfter) {
  EXPECT_TRUE(zuf::SCHALTJAHR(0));
  EXPECT_TRUE(zuf::SCHALTJAHR(100));
  EXPECT_TRUE(zuf::SCHALTJAHR(1500));
  EXPECT_FALSE(zuf::SCHALTJAHR(1582));
  EXPECT_TRUE(zuf::SCHALTJAHR(1600));
  EXPECT_FALSE(zuf::SCHALTJAHR(1700));
  EXPECT_FALSE(zuf::SCHALTJAHR(1900));
  EXPECT_TRUE(zuf::SCHALTJAHR(2000));
  EXPECT_TRUE(zuf::SCHALTJAHR(2024));
  EXPECT_FALSE(zuf::SCHALTJAHR(2026));
  EXPECT_FALSE(zuf::SCHALTJAHR_GREGORIANISCH(1500));
}

struct Reparatur {
  uint16_t j, m, t;  // as typed
  uint16_t rm, rt;   // repaired month and day
};

TEST(DateRules, RepairsMakeEveryTypedDateValid) {
  const Reparatur faelle[] = {
      {2026, 13, 5, 3, 5},     // units digit 3 typed behind month 12
      {2026, 0, 5, 10, 5},     // month 0
      {2026, 3, 0, 3, 10},     // day 0
      {2026, 3, 39, 3, 30},    // day tens 3 over day 9
      {2026, 4, 31, 4, 30},    // April has 30 days
      {2024, 2, 30, 2, 29},    // February of a leap year
      {2026, 2, 30, 2, 28},    // of a common year
      {1700, 2, 29, 2, 28},    // no longer a leap year
      {1500, 2, 29, 2, 29},    // still a Julian leap year
      {1582, 10, 10, 10, 20},  // the dropped days move on by ten
      {1582, 10, 5, 10, 15},  {1582, 10, 14, 10, 24}, {1582, 10, 4, 10, 4},
      {1582, 10, 15, 10, 15}, {1583, 10, 10, 10, 10},
  };
  for (const Reparatur& f : faelle) {
    uint16_t j = f.j, m = f.m, t = f.t;
    zuf::DATUM_REPARIEREN(j, m, t);
    EXPECT_EQ(m, f.rm) << f.j << "-" << f.m << "-" << f.t;
    EXPECT_EQ(t, f.rt) << f.j << "-" << f.m << "-" << f.t;
    EXPECT_EQ(j, f.j);
  }
}

}  // namespace
