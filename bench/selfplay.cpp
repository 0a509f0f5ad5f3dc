// Headless self-play of the computer's guessing, through the in-memory terminal,
// without a time limit. Shows how well the engine plays:
//   selfplay --length L --signs N [--repetitions] [--vacant] --fixed-all [--seed S]
//   selfplay --length L --signs N [--repetitions] [--vacant] --variable --seeds A-B
//   selfplay --length L --signs N [--repetitions] [--vacant] --sample K [--seed S]
//   selfplay --bench
// Options for every run: --threads T (worker threads of the search) and
// --time-limit S (10..90 seconds: the game's time limit, on the real clock).
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench/real_clock_terminal.h"
#include "clock/game_clock.h"
#include "engine/guess_test_helpers.h"
#include "screen/memory_terminal.h"
#include "screen/terminal.h"

using namespace mtspiel;

namespace {

bool g_echte_uhr = false;

void KeineTaste(const term::MemoryTerminal& screen, const char* why) {
  std::fprintf(stderr, "selfplay: the engine waits for a key: %s\n%s", why, screen.Dump().c_str());
  std::abort();
}

// Plays one game; returns the number of trials.
int Spielen(const rateprobe::SPIEL& s, const uint8_t* geheim, uint64_t seed) {
  rateprobe::SPIEL_VORBEREITEN(s);
  term::RandSeed(seed);
  if (s.fest) {
    for (int i = 1; i <= 9; ++i) LOESUNG[i] = i <= s.laenge ? FARBARRAY[geheim[i]] : ' ';
    LOESUNGSFARBEN_ZAEHLEN();
  } else {
    for (int i = 1; i <= 9; ++i) LOESUNG[i] = ' ';
  }
  if (g_echte_uhr) SPIELUHR_STARTEN();
  bool ok = false;
  rateprobe::SETUP(ok);
  if (!ok) {
    std::fprintf(stderr, "selfplay: the set-up failed\n");
    std::exit(2);
  }
  uint8_t p = 0, sz = 0;
  char taste = 0;
  CODE code{};
  while (p != s.laenge) {
    rateprobe::ZUG(code, p, sz, taste);
    if (taste == 27) {
      std::fprintf(stderr, "selfplay: the engine broke off\n");
      std::exit(2);
    }
    if (NUMMER > 100) {
      std::fprintf(stderr, "selfplay: no solution after 100 trials\n");
      std::exit(2);
    }
  }
  return NUMMER;
}

// Every code the conditions allow as a secret, in odometer order.
std::vector<std::vector<uint8_t>> AlleCodes(int l, int n, bool wdhg) {
  std::vector<std::vector<uint8_t>> alle;
  std::vector<uint8_t> d(10, 1);
  for (;;) {
    bool gut = true;
    if (!wdhg)
      for (int i = 1; i <= l && gut; ++i)
        for (int j = i + 1; j <= l; ++j) gut &= d[i] != d[j];
    if (gut) alle.push_back(d);
    int i = 1;
    while (i <= l && d[i] == n) d[i++] = 1;
    if (i > l) break;
    ++d[i];
  }
  return alle;
}

struct ERGEBNIS {
  int64_t spiele = 0, summe = 0, max = 0;
  std::map<int, int64_t> verteilung;
};

ERGEBNIS FestAlle(const rateprobe::SPIEL& s, uint64_t seed) {
  ERGEBNIS e;
  const auto codes = AlleCodes(s.laenge, s.farben, s.wdhg);
  for (size_t i = 0; i < codes.size(); ++i) {
    const int t = Spielen(s, codes[i].data(), seed * 1000003 + i);
    ++e.spiele;
    e.summe += t;
    if (t > e.max) e.max = t;
    ++e.verteilung[t];
  }
  return e;
}

// k secrets drawn from the seed, each played once.
ERGEBNIS Stichprobe(const rateprobe::SPIEL& s, uint64_t seed, int k) {
  ERGEBNIS e;
  uint64_t r = seed * 0x9E3779B97F4A7C15ULL + 1;
  for (int i = 0; i < k; ++i) {
    uint8_t geheim[10] = {};
    for (int j = 1; j <= s.laenge;) {
      r = r * 6364136223846793005ULL + 1442695040888963407ULL;
      const uint8_t z = static_cast<uint8_t>(1 + (r >> 33) % s.farben);
      bool doppelt = false;
      for (int m = 1; m < j; ++m) doppelt |= geheim[m] == z;
      if (doppelt && !s.wdhg) continue;
      geheim[j++] = z;
    }
    const int t = Spielen(s, geheim, seed * 1000003 + i);
    ++e.spiele;
    e.summe += t;
    if (t > e.max) e.max = t;
    ++e.verteilung[t];
  }
  return e;
}

std::vector<int> Variabel(const rateprobe::SPIEL& s, int von, int bis) {
  std::vector<int> v;
  for (int seed = von; seed <= bis; ++seed) v.push_back(Spielen(s, nullptr, seed));
  return v;
}

int Bench() {
  struct LAUF {
    rateprobe::SPIEL s;
    bool alle;
    int seeds;
  };
  // Small enough for a test run, broad enough that any change of the engine's
  // choices shows: every feature of the search and the narrowing is used.
  const LAUF laeufe[] = {
      {{3, 6, true, false, true}, true, 0},     {{3, 5, false, false, true}, true, 0},
      {{4, 6, true, false, true}, true, 0},     {{4, 2, true, true, true}, true, 0},
      {{4, 7, false, false, true}, true, 0},    {{2, 9, true, false, true}, true, 0},
      {{5, 3, true, false, true}, true, 0},     {{4, 6, true, false, false}, false, 12},
      {{4, 10, false, false, false}, false, 6}, {{5, 8, true, false, false}, false, 2},
      {{6, 6, false, false, false}, false, 3},  {{4, 2, true, true, false}, false, 5},
  };
  int64_t versuche = 0;
  const int64_t kandidaten_vorher = KANDIDATEN_GESAMT;
  for (const LAUF& l : laeufe) {
    if (l.alle) {
      const ERGEBNIS e = FestAlle(l.s, 7);
      versuche += e.summe;
    } else {
      for (int t : Variabel(l.s, 1, l.seeds)) versuche += t;
    }
  }
  std::printf("signature=trials:%lld,candidates:%lld\n", static_cast<long long>(versuche),
              static_cast<long long>(KANDIDATEN_GESAMT - kandidaten_vorher));
  return 0;
}

int Gebrauch() {
  std::fprintf(stderr,
               "usage: selfplay --length L --signs N [--repetitions] [--vacant] --fixed-all "
               "[--seed S]\n"
               "       selfplay --length L --signs N [--repetitions] [--vacant] --variable "
               "--seeds A-B\n"
               "       selfplay --length L --signs N [--repetitions] [--vacant] --sample K "
               "[--seed S]\n"
               "       selfplay --bench\n"
               "options: --threads T, --time-limit S (10..90 seconds)\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  benchsupport::RealClockTerminal mem;
  mem.echt = false;
  mem.SetExhaustedHandler(KeineTaste);
  mem.max_idle_polls = LONG_MAX;
  term::SetBackend(&mem);
  SP_D = false;

  rateprobe::SPIEL s;
  bool alle = false, variabel = false, bench = false;
  int stichprobe = 0;
  uint64_t seed = 1;
  int von = 1, bis = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto wert = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--length") {
      s.laenge = std::atoi(wert());
    } else if (a == "--signs") {
      s.farben = std::atoi(wert());
    } else if (a == "--repetitions") {
      s.wdhg = true;
    } else if (a == "--vacant") {
      s.leer = true;
    } else if (a == "--fixed-all") {
      alle = true;
    } else if (a == "--variable") {
      variabel = true;
    } else if (a == "--seed") {
      seed = std::strtoull(wert(), nullptr, 10);
    } else if (a == "--seeds") {
      if (std::sscanf(wert(), "%d-%d", &von, &bis) != 2) return Gebrauch();
    } else if (a == "--threads") {
      // Every search through the workers, however small, so that the
      // signature shows any difference they make.
      SUCHFAEDEN_ZAHL = std::max(1, std::atoi(wert()));
      SUCHFAEDEN_AB = 0;
    } else if (a == "--sample") {
      stichprobe = std::atoi(wert());
    } else if (a == "--time-limit") {
      const int sek = std::atoi(wert());
      if (sek < 10 || sek > 90 || sek % 10) return Gebrauch();
      s.zeitgrenze = sek / 10;
      g_echte_uhr = true;
      mem.echt = true;
    } else if (a == "--bench") {
      bench = true;
    } else {
      return Gebrauch();
    }
  }
  if (bench) return Bench();
  bool wdhg_gesetzt = false;
  for (int i = 1; i < argc; ++i) wdhg_gesetzt |= std::strcmp(argv[i], "--repetitions") == 0;
  s.wdhg = wdhg_gesetzt;
  if (s.laenge < 2 || s.laenge > 9 || s.farben < 2 || s.farben > 36 ||
      (!s.wdhg && s.farben < s.laenge) || int{alle} + int{variabel} + int{stichprobe > 0} != 1)
    return Gebrauch();
  const auto start = std::chrono::steady_clock::now();
  const uint8_t soll = WIEVIELE(static_cast<uint8_t>(s.laenge), static_cast<uint8_t>(s.farben),
                                s.wdhg, s.leer && s.farben == 2 && s.laenge >= 4);
  if (alle || stichprobe > 0) {
    s.fest = true;
    const ERGEBNIS e = alle ? FestAlle(s, seed) : Stichprobe(s, seed, stichprobe);
    for (const auto& [t, z] : e.verteilung) std::printf("%3d trials: %lld\n", t, (long long)z);
    const double sek =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("bound=%d seconds=%.1f\n", soll, sek);
    std::printf("games=%lld average=%.4f maximum=%lld\n", (long long)e.spiele,
                e.spiele ? double(e.summe) / double(e.spiele) : 0.0, (long long)e.max);
  } else {
    s.fest = false;
    const auto v = Variabel(s, von, bis);
    std::printf("bound=%d\n", soll);
    std::printf("trials=");
    for (size_t i = 0; i < v.size(); ++i) std::printf(i ? ",%d" : "%d", v[i]);
    std::printf("\n");
  }
  return 0;
}
