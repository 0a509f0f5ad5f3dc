// Random keys against the real program in a terminal emulator, from fixed seeds.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "tests/support/pty_keystroke_fuzz.h"

namespace {

class ReliabilityKeys : public testing::TestWithParam<uint32_t> {};

TEST_P(ReliabilityKeys, RandomKeysNeverBreakTheProgram) {
  const testsupport::KeystrokeFuzzResult r = testsupport::RunKeystrokeFuzz(GetParam(), 6000);
  ASSERT_EQ(r.failure, "") << "seed " << GetParam() << " after " << r.keys << " keys";
  std::string screens, games;
  for (const auto& s : r.screens) screens += s + "; ";
  for (const auto& g : r.games) games += g + "; ";
  std::printf("seed %u: %lld keys in %.1f s, %d starts; screens: %s games: %s\n", GetParam(),
              static_cast<long long>(r.keys), r.seconds, r.starts, screens.c_str(), games.c_str());
  // The walk must get past the menus, or it tests little.
  EXPECT_TRUE(r.screens.count("main menu")) << screens;
  EXPECT_TRUE(r.screens.count("conditions")) << screens;
}

INSTANTIATE_TEST_SUITE_P(Seeds, ReliabilityKeys, testing::Values(1u, 2u, 3u, 4u));

}  // namespace
