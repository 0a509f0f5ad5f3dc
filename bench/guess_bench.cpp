// Speed of the computer's guessing: the first searched guess after a fixed
// opening answer, the set-up of a big store, how fast Esc ends both, and the
// resident memory when no guessing runs.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>

#include "bench/real_clock_terminal.h"
#include "clock/game_clock.h"
#include "engine/guess_kernel.h"
#include "engine/guess_store.h"
#include "engine/guess_test_helpers.h"
#include "engine/guessing.h"
#include "screen/memory_terminal.h"

using namespace mtspiel;

namespace {

void KeineTaste(const term::MemoryTerminal&, const char* why) {
  std::fprintf(stderr, "guess_bench: %s\n", why);
  std::abort();
}

struct Bildschirm {
  term::MemoryTerminal mem;
  Bildschirm() {
    mem.SetExhaustedHandler(KeineTaste);
    mem.max_idle_polls = LONG_MAX;
    term::SetBackend(&mem);
    SP_D = false;
  }
};

Bildschirm& Schirm() {
  static Bildschirm b;
  return b;
}

// Set-up and the opening turn, with a secret chosen so that the opening guess
// is answered P = 1, S = 1.
void BisZumErstenSuchen(const rateprobe::SPIEL& s, uint64_t seed) {
  rateprobe::SPIEL_VORBEREITEN(s);
  term::RandSeed(seed);
  bool ok = false;
  rateprobe::SETUP(ok);
  if (!ok) std::abort();
  CODE anfang{};
  for (int i = 1; i <= s.laenge; ++i) anfang[i] = FARBARRAY[ANFANG[i]];
  for (int64_t i = 0; i < MOEGLICHE_CODES(); ++i) {
    uint8_t z[10];
    MOEGLICHER_CODE(i, z);
    CODE c{};
    for (int k = 1; k <= s.laenge; ++k) c[k] = FARBARRAY[z[k]];
    uint8_t p, sz;
    BEWERTE(anfang, c, s.laenge, p, sz);
    if (p == 1 && sz == 1) {
      LOESUNG = c;
      break;
    }
  }
  LOESUNGSFARBEN_ZAEHLEN();
  uint8_t p, sz;
  char taste = 0;
  CODE code{};
  rateprobe::ZUG(code, p, sz, taste);
  if (p != 1 || sz != 1) std::abort();
}

// stufe < 0: the instruction set the machine offers; else at most that one,
// to show what machines without the wider vectors get.
void ErsteSuche(benchmark::State& state, rateprobe::SPIEL s, int stufe) {
  Schirm();
  if (stufe > ZAEHLSTUFE_MASCHINE()) {
    state.SkipWithError("instruction set not offered by this machine");
    return;
  }
  ZAEHLSTUFE = stufe < 0 ? ZAEHLSTUFE_MASCHINE() : stufe;
  int64_t vergleiche = 0;
  uint64_t seed = 1;
  for (auto _ : state) {
    state.PauseTiming();
    BisZumErstenSuchen(s, seed++);
    const int64_t vorher = VERGLEICHE_GESAMT;
    state.ResumeTiming();
    uint8_t p, sz;
    char taste = 0;
    CODE code{};
    rateprobe::ZUG(code, p, sz, taste);
    state.PauseTiming();
    vergleiche += VERGLEICHE_GESAMT - vorher;
    RATEN_SPEICHER_FREIGEBEN();
    state.ResumeTiming();
  }
  state.counters["evals_per_s"] =
      benchmark::Counter(double(vergleiche), benchmark::Counter::kIsRate);
  state.counters["ns_per_eval"] = benchmark::Counter(
      double(vergleiche), benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
      benchmark::Counter::kIs1000);
  state.counters["evals_per_search"] = double(vergleiche) / double(state.iterations());
  ZAEHLSTUFE = ZAEHLSTUFE_MASCHINE();
}
BENCHMARK_CAPTURE(ErsteSuche, l4_n10_norep, rateprobe::SPIEL{4, 10, false, false, true}, -1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ErsteSuche, l4_n10_norep_avx2, rateprobe::SPIEL{4, 10, false, false, true},
                  kStufeAvx2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ErsteSuche, l5_n8_rep, rateprobe::SPIEL{5, 8, true, false, true}, -1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ErsteSuche, l5_n8_rep_avx2, rateprobe::SPIEL{5, 8, true, false, true}, kStufeAvx2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ErsteSuche, l6_n9_rep, rateprobe::SPIEL{6, 9, true, false, true}, -1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The first searched guess of the big conditions, on all the machine's cores:
// time, evaluations (possible codes counted) and the cost of each.
void GrosseSuche(benchmark::State& state, rateprobe::SPIEL s) {
  Schirm();
  int64_t vergleiche = 0, kandidaten = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BisZumErstenSuchen(s, 1);
    const int64_t v = VERGLEICHE_GESAMT, k = KANDIDATEN_GESAMT;
    state.ResumeTiming();
    uint8_t p, sz;
    char taste = 0;
    CODE code{};
    rateprobe::ZUG(code, p, sz, taste);
    state.PauseTiming();
    vergleiche += VERGLEICHE_GESAMT - v;
    kandidaten += KANDIDATEN_GESAMT - k;
    RATEN_SPEICHER_FREIGEBEN();
    state.ResumeTiming();
  }
  const double it = double(state.iterations());
  state.counters["threads"] = SUCHFAEDEN_ZAHL;
  state.counters["evals_per_search"] = double(vergleiche) / it;
  state.counters["candidates_per_search"] = double(kandidaten) / it;
  state.counters["ns_per_eval"] = benchmark::Counter(
      double(vergleiche), benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
      benchmark::Counter::kIs1000);
}
BENCHMARK_CAPTURE(GrosseSuche, l7_n9_rep, rateprobe::SPIEL{7, 9, true, false, true})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(GrosseSuche, l9_n5_rep, rateprobe::SPIEL{9, 5, true, false, true})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(GrosseSuche, l7_n10_norep, rateprobe::SPIEL{7, 10, false, false, true})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(GrosseSuche, l6_n12_rep, rateprobe::SPIEL{6, 12, true, false, true})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(GrosseSuche, l8_n6_rep, rateprobe::SPIEL{8, 6, true, false, true})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(GrosseSuche, l5_n16_rep, rateprobe::SPIEL{5, 16, true, false, true})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(GrosseSuche, l6_n9_rep, rateprobe::SPIEL{6, 9, true, false, true})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// For the largest store the default budget (8 GiB) allows at each length: the
// share of the first searched guess's candidates examined within the game's
// default time limit of 10 seconds, on the real clock.
void AnteilIn10s(benchmark::State& state, rateprobe::SPIEL s) {
  benchsupport::RealClockTerminal uhr;
  uhr.SetExhaustedHandler(KeineTaste);
  uhr.max_idle_polls = LONG_MAX;
  term::SetBackend(&uhr);
  double anteil = 0, codes = 0;
  for (auto _ : state) {
    s.zeitgrenze = 1;
    BisZumErstenSuchen(s, 1);
    codes = double(MOEGLICHE_CODES());
    SPIELUHR_STARTEN();
    uint8_t p, sz;
    char taste = 0;
    CODE code{};
    rateprobe::ZUG(code, p, sz, taste);
    anteil = double(GERATENE_VERSUCHE) / double(std::max<int32_t>(1, ZAHL_DER_VERSUCHE));
    ZEITEIN = false;
    RATEN_SPEICHER_FREIGEBEN();
  }
  state.counters["share_examined"] = anteil;
  state.counters["possible_codes"] = codes;
  term::SetBackend(&Schirm().mem);
}
BENCHMARK_CAPTURE(AnteilIn10s, l5_n35_rep, rateprobe::SPIEL{5, 35, true, false, true})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(AnteilIn10s, l6_n21_rep, rateprobe::SPIEL{6, 21, true, false, true})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(AnteilIn10s, l7_n13_rep, rateprobe::SPIEL{7, 13, true, false, true})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(AnteilIn10s, l8_n9_rep, rateprobe::SPIEL{8, 9, true, false, true})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(AnteilIn10s, l9_n7_rep, rateprobe::SPIEL{9, 7, true, false, true})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// The set-up of a store of several million codes: 7 positions, 9 signs.
void Aufbau(benchmark::State& state) {
  Schirm();
  const rateprobe::SPIEL s{7, 9, true, false, true};
  int64_t datensaetze = 0;
  double bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    rateprobe::SPIEL_VORBEREITEN(s);
    state.ResumeTiming();
    bool ok = false;
    rateprobe::SETUP(ok);
    if (!ok) std::abort();
    state.PauseTiming();
    datensaetze += ZAHLGESAMTVERSUCHE;
    bytes = double(RS.kand_bytes + RS.marke_bytes + RS.erl_bytes) / double(ZAHLGESAMTVERSUCHE);
    RATEN_SPEICHER_FREIGEBEN();
    state.ResumeTiming();
  }
  state.counters["records_per_s"] =
      benchmark::Counter(double(datensaetze), benchmark::Counter::kIsRate);
  state.counters["bytes_per_record"] = bytes;
  state.counters["budget_bytes_per_record"] = SIZERATEN;
}
BENCHMARK(Aufbau)->Unit(benchmark::kMillisecond)->Iterations(3);

// A terminal on which Esc arrives a fixed time after the clock starts; reports
// how long the engine takes to notice it and to have released everything.
class EscNach : public term::MemoryTerminal {
 public:
  std::chrono::steady_clock::time_point ab{};
  bool gedrueckt = false;
  int ReadByte(int timeout_ms) override {
    if (!gedrueckt && std::chrono::steady_clock::now() >= ab) {
      gedrueckt = true;
      return 27;
    }
    return MemoryTerminal::ReadByte(timeout_ms);
  }
};

void EscLatenz(benchmark::State& state, rateprobe::SPIEL s, bool suche) {
  Schirm();
  double schlimmste = 0;
  for (auto _ : state) {
    if (suche) BisZumErstenSuchen(s, 5);
    EscNach esc;
    esc.SetExhaustedHandler(KeineTaste);
    esc.max_idle_polls = LONG_MAX;
    term::SetBackend(&esc);
    if (!suche) rateprobe::SPIEL_VORBEREITEN(s);
    esc.ab = std::chrono::steady_clock::now() + std::chrono::milliseconds(suche ? 100 : 300);
    bool ok = true;
    char taste = 0;
    if (suche) {
      uint8_t p, sz;
      CODE code{};
      rateprobe::ZUG(code, p, sz, taste);
    } else {
      rateprobe::SETUP(ok);
    }
    const auto fertig = std::chrono::steady_clock::now();
    if (!esc.gedrueckt || (suche ? taste != 27 : ok)) std::abort();
    const double ms = std::chrono::duration<double, std::milli>(fertig - esc.ab).count();
    if (ms > schlimmste) schlimmste = ms;
    term::SetBackend(&Schirm().mem);
  }
  state.counters["esc_to_end_ms_worst"] = schlimmste;
}
// 8 positions, 9 signs: 43 million records, the set-up runs for seconds.
BENCHMARK_CAPTURE(EscLatenz, setup_l8_n9_rep, rateprobe::SPIEL{8, 9, true, false, true}, false)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
// 7 positions, 9 signs: the first searched guess runs for a second or more,
// on every core.
BENCHMARK_CAPTURE(EscLatenz, search_l7_n9_rep, rateprobe::SPIEL{7, 9, true, false, true}, true)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Resident memory with no guessing running: at start, and after a big set-up
// and a game have come and gone.
void RuhenderSpeicher(benchmark::State& state) {
  Schirm();
  const double start = double(RESIDENTER_SPEICHER()) / (1 << 20);
  double danach = 0;
  for (auto _ : state) {
    rateprobe::SPIEL_VORBEREITEN({7, 9, true, false, true});
    bool ok = false;
    rateprobe::SETUP(ok);
    ALLES_FREIGEBEN();
    danach = double(RESIDENTER_SPEICHER()) / (1 << 20);
  }
  state.counters["resident_MiB_at_start"] = start;
  state.counters["resident_MiB_after_store_released"] = danach;
}
BENCHMARK(RuhenderSpeicher)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
