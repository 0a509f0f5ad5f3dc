#include "game/trial_record.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace mtspiel {
namespace {

TEST(TrialRecord, RecordLayoutAndRing) {
  EXPECT_EQ(sizeof(VERSUCH), 13u);
  EXPECT_EQ(offsetof(VERSUCH, KOMBINATION), 2u);
  EXPECT_EQ(offsetof(VERSUCH, P), 11u);
  EXPECT_EQ(sizeof(VFELD), 31 * 13u);
  EXPECT_EQ(V30_PLATZ(1), 1);
  EXPECT_EQ(V30_PLATZ(30), 30);
  EXPECT_EQ(V30_PLATZ(31), 1);
  EXPECT_EQ(V30_PLATZ(61), 1);
  EXPECT_EQ(V30_PLATZ(2147483647), (2147483647 - 1) % 30 + 1);
}

}  // namespace
}  // namespace mtspiel
