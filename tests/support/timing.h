// Time in the tests that drive the real program: one clock, and one factor for
// the builds whose program runs several times slower.
#pragma once

#include <time.h>

#include <cstdint>

namespace testsupport {

// Every limit of a wait on the real program is multiplied by this: the
// program built with the sanitizers runs several times slower.
#ifdef MT_SANITIZED
inline constexpr int kSlow = 5;
#else
inline constexpr int kSlow = 1;
#endif

// Milliseconds on a clock that only moves forward.
inline int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

}  // namespace testsupport
