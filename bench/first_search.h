// Shared by the guessing benchmarks: brings the engine to its first searched
// guess. Not part of the game itself.
#pragma once

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/guess_store.h"
#include "engine/guess_test_helpers.h"
#include "engine/guessing.h"
#include "engine/memory_budget.h"
#include "screen/memory_terminal.h"
#include "screen/terminal.h"

namespace benchsupport {

// The computer's phases look at the keyboard, and nobody presses a key in a
// benchmark: a routine that would wait for one ends the run with the reason.
inline void KeineTaste(const term::MemoryTerminal&, const char* why) {
  std::fprintf(stderr, "benchmark: a routine waits for a key: %s\n", why);
  std::abort();
}

// The in-memory screen the benchmarks draw on: English, no key ever pressed.
inline term::MemoryTerminal& BenchSchirm() {
  static term::MemoryTerminal mem;
  mem.SetExhaustedHandler(KeineTaste);
  mem.max_idle_polls = LONG_MAX;
  term::SetBackend(&mem);
  mtspiel::SP_D = false;
  return mem;
}

// The memory budget of choice `wahl` of the configuration page, as the
// conditions check leaves it.
inline void Budget(int wahl) {
  mtspiel::MEMAVAIL_FPC = mtspiel::SPEICHER_BYTES[wahl];
  mtspiel::LISTEN_FREIGEBEN(false);
}

// Set-up, and a secret chosen so that the opening guess is answered P = 1,
// S = 1: the engine stands before its opening turn. wahl >= 0 sets the
// memory budget of that choice first.
inline void BisZumAnfangszug(const mtspiel::rateprobe::SPIEL& s, uint64_t seed, int wahl = -1) {
  using namespace mtspiel;
  rateprobe::SPIEL_VORBEREITEN(s);
  if (wahl >= 0) Budget(wahl);
  term::RandSeed(seed);
  bool ok = false;
  rateprobe::SETUP(ok);
  if (!ok) std::abort();
  CODE anfang{};
  for (int i = 1; i <= s.laenge; ++i) anfang[i] = FARBARRAY[ANFANG[i]];
  // The first possible code in their order that answers so; they are made
  // as the game makes them, and stay open as the set-up left them.
  const int stride = 1 + RS.worte;
  std::vector<uint64_t> puffer(size_t{1024} * stride);
  bool gefunden = false;
  for (MOEGLICHE_LAUF lauf = MOEGLICHE_ANFANG(); lauf.bis > lauf.von && !gefunden;) {
    const int64_t k = MOEGLICHE_HOLEN(lauf, puffer.data(), 1024);
    for (int64_t i = 0; i < k && !gefunden; ++i) {
      uint8_t z[10];
      WORT_ZEICHEN(puffer[size_t(i * stride)], s.laenge, z);
      CODE c{};
      for (int j = 1; j <= s.laenge; ++j) c[j] = FARBARRAY[z[j]];
      uint8_t p, sz;
      BEWERTE(anfang, c, s.laenge, p, sz);
      if (p == 1 && sz == 1) {
        LOESUNG = c;
        gefunden = true;
      }
    }
  }
  LOESUNGSFARBEN_ZAEHLEN();
}

// Set-up and the opening turn, answered P = 1, S = 1: the engine stands
// before its first searched guess.
inline void BisZumErstenSuchen(const mtspiel::rateprobe::SPIEL& s, uint64_t seed) {
  using namespace mtspiel;
  BisZumAnfangszug(s, seed);
  uint8_t p, sz;
  char taste = 0;
  CODE code{};
  rateprobe::ZUG(code, p, sz, taste);
  if (p != 1 || sz != 1) std::abort();
}

// The first searched guess through the engine's own entry point, once per
// iteration, timed by the benchmark's clock (the set-up and the opening turn
// stay outside it). Game i is played with seed + i * schritt. Returns the
// evaluations (possible codes counted) and candidates examined over all iterations.
struct GEZAEHLT {
  int64_t vergleiche = 0;
  int64_t kandidaten = 0;
};
inline GEZAEHLT ErsteSucheMessen(benchmark::State& state, const mtspiel::rateprobe::SPIEL& s,
                                 uint64_t seed, uint64_t schritt) {
  using namespace mtspiel;
  GEZAEHLT n;
  for (auto _ : state) {
    state.PauseTiming();
    BisZumErstenSuchen(s, seed);
    seed += schritt;
    const int64_t v = VERGLEICHE_GESAMT, k = KANDIDATEN_GESAMT;
    state.ResumeTiming();
    uint8_t p, sz;
    char taste = 0;
    CODE code{};
    rateprobe::ZUG(code, p, sz, taste);
    state.PauseTiming();
    n.vergleiche += VERGLEICHE_GESAMT - v;
    n.kandidaten += KANDIDATEN_GESAMT - k;
    ALLES_FREIGEBEN();
    state.ResumeTiming();
  }
  return n;
}

}  // namespace benchsupport
