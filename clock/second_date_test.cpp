#include <gtest/gtest.h>

#include "clock/game_clock.h"

namespace mtspiel {
namespace {

struct Day {
  int j, m, t, wt;
};

Day Following(Day d) {
  VIRDATUM1 = {static_cast<uint16_t>(d.j), static_cast<uint16_t>(d.m), static_cast<uint16_t>(d.t),
               static_cast<uint16_t>(d.wt)};
  ZWEITESDATUM();
  return {VIRDATUM2.JAHR, VIRDATUM2.MONAT, VIRDATUM2.TAG, VIRDATUM2.WOTAG};
}

void ExpectFollowing(Day from, Day want) {
  const Day got = Following(from);
  EXPECT_EQ(got.j, want.j) << from.t << "." << from.m << "." << from.j;
  EXPECT_EQ(got.m, want.m) << from.t << "." << from.m << "." << from.j;
  EXPECT_EQ(got.t, want.t) << from.t << "." << from.m << "." << from.j;
  EXPECT_EQ(got.wt, want.wt) << from.t << "." << from.m << "." << from.j;
}

TEST(SecondDate, MonthAndYearEnds) {
  ExpectFollowing({2025, 12, 31, 3}, {2026, 1, 1, 4});
  ExpectFollowing({2026, 1, 31, 6}, {2026, 2, 1, 0});
  ExpectFollowing({2026, 1, 30, 5}, {2026, 1, 31, 6});
  ExpectFollowing({2026, 4, 30, 4}, {2026, 5, 1, 5});
  ExpectFollowing({2026, 6, 30, 2}, {2026, 7, 1, 3});
  ExpectFollowing({2026, 9, 30, 3}, {2026, 10, 1, 4});
  ExpectFollowing({2026, 11, 30, 1}, {2026, 12, 1, 2});
  ExpectFollowing({2026, 7, 30, 4}, {2026, 7, 31, 5});
  ExpectFollowing({2026, 8, 31, 1}, {2026, 9, 1, 2});
  ExpectFollowing({9998, 12, 31, 0}, {9999, 1, 1, 1});
}

TEST(SecondDate, LeapYearsOfBothCalendars) {
  ExpectFollowing({2024, 2, 28, 3}, {2024, 2, 29, 4});
  ExpectFollowing({2024, 2, 29, 4}, {2024, 3, 1, 5});
  ExpectFollowing({2023, 2, 28, 2}, {2023, 3, 1, 3});
  ExpectFollowing({1900, 2, 28, 3}, {1900, 3, 1, 4});   // century, not a leap year
  ExpectFollowing({2000, 2, 28, 1}, {2000, 2, 29, 2});  // divisible by 400
  ExpectFollowing({1600, 2, 28, 1}, {1600, 2, 29, 2});
  ExpectFollowing({1500, 2, 28, 1}, {1500, 2, 29, 2});  // before 1583 every fourth year
  ExpectFollowing({1582, 2, 28, 0}, {1582, 3, 1, 1});
  ExpectFollowing({0, 2, 28, 2}, {0, 2, 29, 3});
  ExpectFollowing({0, 12, 31, 5}, {1, 1, 1, 6});
}

TEST(SecondDate, CalendarChangeSkipsTenDays) {
  ExpectFollowing({1582, 10, 4, 4}, {1582, 10, 15, 5});
  ExpectFollowing({1582, 10, 3, 3}, {1582, 10, 4, 4});
  ExpectFollowing({1582, 10, 15, 5}, {1582, 10, 16, 6});
  ExpectFollowing({1583, 10, 4, 2}, {1583, 10, 5, 3});
}

TEST(SecondDate, WeekdayWrapsFromSaturdayToSunday) {
  ExpectFollowing({2026, 12, 12, 6}, {2026, 12, 13, 0});
  ExpectFollowing({2026, 12, 13, 0}, {2026, 12, 14, 1});
}

}  // namespace
}  // namespace mtspiel
