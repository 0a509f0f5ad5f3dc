// The long run of the end-to-end keystroke fuzzer: random keys against the real
// program in a terminal emulator, seed after seed, for a range of seeds or for a
// duration. Prints the keys per second and the distinct screens reached.
//
//   keystroke_fuzz [--seeds FIRST-LAST] [--seconds-per-seed N] [--duration SECONDS]
//
// With --duration, seeds are taken from FIRST on until the time is used up.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "tests/support/pty_keystroke_fuzz.h"

int main(int argc, char** argv) {
  unsigned first = 1, last = 10;
  int per_seed_s = 10;
  int duration_s = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : "";
    if (a == "--seeds") {
      if (std::sscanf(v, "%u-%u", &first, &last) != 2) last = first = std::strtoul(v, nullptr, 10);
      ++i;
    } else if (a == "--seconds-per-seed") {
      per_seed_s = std::atoi(v);
      ++i;
    } else if (a == "--duration") {
      duration_s = std::atoi(v);
      last = ~0u;
      ++i;
    } else {
      std::fprintf(stderr, "usage: %s [--seeds FIRST-LAST] [--seconds-per-seed N] [--duration S]\n",
                   argv[0]);
      return 2;
    }
  }
  std::set<std::string> screens, games;
  long long keys = 0;
  double seconds = 0;
  int failures = 0, runs = 0, starts = 0;
  for (unsigned seed = first; seed <= last; ++seed) {
    if (duration_s > 0 && seconds >= duration_s) break;
    const testsupport::KeystrokeFuzzResult r =
        testsupport::RunKeystrokeFuzz(seed, per_seed_s * 1000);
    ++runs;
    keys += r.keys;
    seconds += r.seconds;
    starts += r.starts;
    screens.insert(r.screens.begin(), r.screens.end());
    games.insert(r.games.begin(), r.games.end());
    if (!r.failure.empty()) {
      ++failures;
      std::printf("seed %u FAILED after %lld keys: %s\n", seed, static_cast<long long>(r.keys),
                  r.failure.c_str());
    } else {
      std::printf("seed %u: %lld keys, %d starts, %zu screens\n", seed,
                  static_cast<long long>(r.keys), r.starts, r.screens.size());
    }
    std::fflush(stdout);
  }
  std::printf("\n%d seeds, %d program starts, %lld keys in %.1f s: %.1f keys per second\n", runs,
              starts, keys, seconds, seconds > 0 ? keys / seconds : 0.0);
  std::printf("%zu distinct screens reached:", screens.size());
  for (const auto& s : screens) std::printf(" [%s]", s.c_str());
  std::printf("\n%zu kinds of games entered:", games.size());
  for (const auto& g : games) std::printf(" [%s]", g.c_str());
  std::printf("\n%d failures\n", failures);
  return failures ? 1 : 0;
}
