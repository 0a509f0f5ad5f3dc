// Arbitrary bytes of every length as the conditions file: a seeded generator
// (the coverage-guided fuzz target bench/conditions_fuzz.cpp runs the same check
// where clang's libFuzzer is available).
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>
#include <vector>

#include "tests/support/conditions_fuzz_check.h"

namespace {

// A byte a record field is likely to be tested against: boundaries of the
// ranges, signs in both cases, and noise.
uint8_t InterestingByte(std::mt19937& rng) {
  static const uint8_t kEdges[] = {0, 1, 2, 3, 7, 8, 9, 10, 15, 16, 17, 112, 127, 128, 255};
  switch (rng() % 6) {
    case 0:
      return kEdges[rng() % std::size(kEdges)];
    case 1:
      return static_cast<uint8_t>('0' + rng() % 10);
    case 2:
      return static_cast<uint8_t>('a' + rng() % 26);
    case 3:
      return static_cast<uint8_t>('A' + rng() % 26);
    default:
      return static_cast<uint8_t>(rng());
  }
}

TEST(ConditionsFuzz, AnyBytesOfAnyLengthReadSafely) {
  std::mt19937 rng(20250621);
  std::set<uint32_t> paths;
  constexpr int kInputs = 100000;
  std::vector<uint8_t> buf;
  for (int run = 0; run < kInputs; ++run) {
    // Mostly whole records (the reader only looks at the first 80 bytes), some
    // short, empty or oversized ones.
    size_t len;
    switch (rng() % 8) {
      case 0:
        len = rng() % 80;
        break;
      case 1:
        len = 80 + rng() % 200;
        break;
      default:
        len = 80;
    }
    buf.resize(len);
    for (auto& b : buf) b = InterestingByte(rng);
    uint32_t path = 0;
    const std::string failure = testsupport::CheckConditionsInput(buf.data(), len, path);
    if (!failure.empty()) {
      std::string hex;
      char h[4];
      for (uint8_t b : buf) {
        std::snprintf(h, sizeof h, "%02x ", b);
        hex += h;
      }
      FAIL() << failure << " for input " << run << " of " << len << " bytes: " << hex;
    }
    paths.insert(path);
  }
  std::printf("conditions reader: %d inputs, %zu distinct repair paths\n", kInputs, paths.size());
  // Every field the reader may repair (the eight bytes before the Booleans, the
  // repetition forced on) and the short read must have been reached, or the
  // generator no longer exercises the reader.
  uint32_t seen = 0;
  for (uint32_t p : paths) seen |= p;
  EXPECT_EQ(seen, 0xFFu | 1u << 9 | 1u << 14) << std::hex << seen;
}

}  // namespace
