// Headless self-play of the computer's guessing, through the in-memory terminal,
// without a time limit. Shows how well the engine plays:
//   selfplay --length L --signs N [--repetitions] [--vacant] --fixed-all [--seed S]
//   selfplay --length L --signs N [--repetitions] [--vacant] --variable --seeds A-B
//   selfplay --bench
#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/guess_test_helpers.h"
#include "screen/memory_terminal.h"
#include "screen/terminal.h"

using namespace mtspiel;

namespace {

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
               "       selfplay --bench\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  term::MemoryTerminal mem;
  mem.SetExhaustedHandler(KeineTaste);
  mem.max_idle_polls = LONG_MAX;
  term::SetBackend(&mem);
  SP_D = false;

  rateprobe::SPIEL s;
  bool alle = false, variabel = false, bench = false;
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
      (!s.wdhg && s.farben < s.laenge) || alle == variabel)
    return Gebrauch();
  const auto start = std::chrono::steady_clock::now();
  const uint8_t soll = WIEVIELE(static_cast<uint8_t>(s.laenge), static_cast<uint8_t>(s.farben),
                                s.wdhg, s.leer && s.farben == 2 && s.laenge >= 4);
  if (alle) {
    s.fest = true;
    const ERGEBNIS e = FestAlle(s, seed);
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
