// Speed of the computer's guessing: the first searched guess after a fixed
// opening answer, the set-up of the big stores (with how its progress row
// followed it), how fast Esc ends both, and the resident memory when no
// guessing runs.
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

#include "bench/first_search.h"
#include "bench/real_clock_terminal.h"
#include "clock/game_clock.h"
#include "engine/guess_kernel.h"
#include "engine/guess_store.h"
#include "engine/guess_test_helpers.h"
#include "engine/guessing.h"
#include "screen/memory_terminal.h"

using namespace mtspiel;

namespace {

using benchsupport::KeineTaste;

// The benchmarks' screen, set up on first use.
term::MemoryTerminal& Schirm() {
  static term::MemoryTerminal& mem = benchsupport::BenchSchirm();
  return mem;
}

using benchsupport::BisZumErstenSuchen;

// stufe < 0: the instruction set the machine offers; else at most that one,
// to show what machines without the wider vectors get.
void ErsteSuche(benchmark::State& state, rateprobe::SPIEL s, int stufe) {
  Schirm();
  if (stufe > ZAEHLSTUFE_MASCHINE()) {
    state.SkipWithError("instruction set not offered by this machine");
    return;
  }
  ZAEHLSTUFE = stufe < 0 ? ZAEHLSTUFE_MASCHINE() : stufe;
  const int64_t vergleiche = benchsupport::ErsteSucheMessen(state, s, 1, 1).vergleiche;
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
  const auto [vergleiche, kandidaten] = benchsupport::ErsteSucheMessen(state, s, 1, 0);
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

using benchsupport::Budget;

// For the largest store the default budget (8 GiB) allows at each length: the
// share of the first searched guess's candidates examined within the game's
// default time limit of 10 seconds, on the real clock.
void AnteilIn10s(benchmark::State& state, rateprobe::SPIEL s) {
  // The conditions must be the largest the default budget allows at their length.
  rateprobe::SPIEL_VORBEREITEN(s);
  Budget(10);
  const bool groesste = ZAEHLEFARBEN[s.laenge] == s.farben;
  benchsupport::RealClockTerminal uhr;
  uhr.SetExhaustedHandler(KeineTaste);
  uhr.max_idle_polls = LONG_MAX;
  term::SetBackend(&uhr);
  double anteil = 0, codes = 0, kandidaten = 0, geprueft = 0, sek = 0;
  for (auto _ : state) {
    s.zeitgrenze = 1;
    BisZumErstenSuchen(s, 1);
    codes = double(MOEGLICHE_CODES());
    SPIELUHR_STARTEN();
    uint8_t p, sz;
    char taste = 0;
    CODE code{};
    const auto start = std::chrono::steady_clock::now();
    rateprobe::ZUG(code, p, sz, taste);
    sek = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kandidaten = std::max<int32_t>(1, ZAHL_DER_VERSUCHE);
    geprueft = GERATENE_VERSUCHE;
    anteil = geprueft / kandidaten;
    ZEITEIN = false;
    RATEN_SPEICHER_FREIGEBEN();
  }
  state.counters["share_examined"] = anteil;
  state.counters["candidates"] = kandidaten;
  state.counters["examined"] = geprueft;
  state.counters["turn_s"] = sek;
  state.counters["possible_codes"] = codes;
  state.counters["largest_for_default_budget"] = groesste;
  state.counters["threads"] = SUCHFAEDEN_ZAHL;
  term::SetBackend(&Schirm());
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

// A memory terminal whose clock is the real one, so that the game clock, the
// progress stars and the estimate of the time still needed run as in play.
class EchteUhr : public term::MemoryTerminal {
 public:
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  term::LocalTime Now() override {
    term::LocalTime t = MemoryTerminal::Now();
    const int64_t h = 10 * 360000 + std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                            .count() /
                                        10;
    t.hour = static_cast<int>(h / 360000);
    t.minute = static_cast<int>(h / 6000 % 60);
    t.second = static_cast<int>(h / 100 % 60);
    t.hundredths = static_cast<int>(h % 100);
    return t;
  }
};

// What the progress row showed at each look at the clock during a set-up.
struct STAND {
  double s;       // seconds since the set-up began
  double anteil;  // GERATENE_VERSUCHE / ZAHL_DER_VERSUCHE
  int sterne;     // stars shown
  double rest_s;  // the estimate of the time still needed, in seconds
  int sekunde;    // the clock's second: the estimate is made anew when it turns
};
std::vector<STAND> STAENDE;
std::chrono::steady_clock::time_point AUFBAU_START;

void StandMerken() {
  STAENDE.push_back(
      {std::chrono::duration<double>(std::chrono::steady_clock::now() - AUFBAU_START).count(),
       double(GERATENE_VERSUCHE) / double(ZAHL_DER_VERSUCHE), ZAHL_DER_STERNE, RESTZEIT / 100.0,
       UHRZEIT.SEK});
}

double ProzessCpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Time the host gave the machine's processors to others, in seconds summed
// over all processors (the steal column of /proc/stat); 0 where unknown.
double GestohleneZeit() {
  std::FILE* f = std::fopen("/proc/stat", "r");
  if (!f) return 0;
  unsigned long long w[8] = {};
  const int n = std::fscanf(f, "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &w[0], &w[1], &w[2],
                            &w[3], &w[4], &w[5], &w[6], &w[7]);
  std::fclose(f);
  const long tick = sysconf(_SC_CLK_TCK);
  return n == 8 && tick > 0 ? double(w[7]) / double(tick) : 0;
}

// The opening turn of a big store: the opening guess counted against every
// possible code, its answer (P = 1, S = 1) and the narrowing by it, timed on
// the wall clock; and the resident memory the store holds after it.
void Anfangszug(benchmark::State& state, rateprobe::SPIEL s, int wahl) {
  Schirm();
  double bester = 1e30, summe = 0, nach_aufbau = 0, danach = 0, codes = 0, links = 0;
  for (auto _ : state) {
    state.PauseTiming();
    benchsupport::BisZumAnfangszug(s, 1, wahl);
    nach_aufbau = double(RESIDENTER_SPEICHER()) / (1 << 20);
    codes = double(MOEGLICHE_CODES());
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    uint8_t p, sz;
    char taste = 0;
    CODE code{};
    rateprobe::ZUG(code, p, sz, taste);
    const double sek =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.PauseTiming();
    if (p != 1 || sz != 1) std::abort();
    danach = double(RESIDENTER_SPEICHER()) / (1 << 20);
    links = double(MOEGLICHE_CODES());
    bester = std::min(bester, sek);
    summe += sek;
    ALLES_FREIGEBEN();
    FREIGABE_ABWARTEN();
    state.ResumeTiming();
  }
  state.counters["codes"] = codes;
  state.counters["left_after_answer"] = links;
  state.counters["s_best"] = bester;
  state.counters["s_mean"] = summe / double(std::max<int64_t>(1, state.iterations()));
  state.counters["resident_MiB_after_setup"] = nach_aufbau;
  state.counters["resident_MiB_after_turn"] = danach;
}
BENCHMARK_CAPTURE(Anfangszug, l7_n9_rep, rateprobe::SPIEL{7, 9, true, false, true}, 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(Anfangszug, l8_n9_rep, rateprobe::SPIEL{8, 9, true, false, true}, 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
BENCHMARK_CAPTURE(Anfangszug, l6_n26_rep, rateprobe::SPIEL{6, 26, true, false, true}, 15)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The set-up of a big store, timed on the wall clock (all threads work), best
// of the iterations; and how the stars and the estimate followed it.
void Aufbau(benchmark::State& state, rateprobe::SPIEL s, int wahl) {
  Schirm();
  EchteUhr uhr;
  uhr.SetExhaustedHandler(KeineTaste);
  uhr.max_idle_polls = LONG_MAX;
  term::SetBackend(&uhr);
  double bester = 0, erster = 0, summe_s = 0, bytes = 0, cpu_s = 0;
  double zehnter_vor_ende_ms = 0, abweichung = 0, schaetzfehler = 0;
  double selbst_abgelegt = 0, gestohlen_s = 0;
  int64_t schaetzungen = 0;  // estimates made after the first fifth of a set-up
  int64_t datensaetze = 0;
  bool groesste = false, grosse_seiten = false;
  for (auto _ : state) {
    state.PauseTiming();
    rateprobe::SPIEL_VORBEREITEN(s);
    Budget(wahl);
    groesste = ZAEHLEFARBEN[s.laenge] == s.farben;
    FREIGABE_ABWARTEN();
    const int64_t resident_vorher = RESIDENTER_SPEICHER();
    SPIELUHR_STARTEN();
    ZEITEIN = true;
    STAENDE.clear();
    UHR_TESTHAKEN = StandMerken;
    state.ResumeTiming();
    AUFBAU_START = std::chrono::steady_clock::now();
    const double cpu0 = ProzessCpu(), gestohlen0 = GestohleneZeit();
    bool ok = false;
    rateprobe::SETUP(ok);
    const double sek =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - AUFBAU_START).count();
    cpu_s += ProzessCpu() - cpu0;
    gestohlen_s += GestohleneZeit() - gestohlen0;
    state.PauseTiming();
    UHR_TESTHAKEN = nullptr;
    if (!ok) {
      state.SkipWithError("set-up refused (budget or the machine's free memory)");
      break;
    }
    datensaetze += ZAHLGESAMTVERSUCHE;
    selbst_abgelegt =
        std::max(selbst_abgelegt, double(AUFBAU_SELBST_ABGELEGT) / ZAHLGESAMTVERSUCHE);
    summe_s += sek;
    bester = std::max(bester, double(ZAHLGESAMTVERSUCHE) / sek);
    if (erster == 0) erster = double(ZAHLGESAMTVERSUCHE) / sek;
    grosse_seiten = SEITEN_GROSS;
    // What the store holds in memory when the set-up is over (the draws' pool
    // too when it lies in the possible codes' array), once the set-up's own
    // tables are back with the kernel (in ordinary pages that takes a while).
    FREIGABE_ABWARTEN();
    bytes = double(RESIDENTER_SPEICHER() - resident_vorher) / double(ZAHLGESAMTVERSUCHE);
    // The tenth star: how long before the end it appeared. The bar's share
    // against the share of the time gone, and the estimate of the time still
    // needed against the time that was still needed, after the first fifth.
    double zehnter = sek;
    for (const STAND& st : STAENDE)
      if (st.sterne >= 10) {
        zehnter = st.s;
        break;
      }
    zehnter_vor_ende_ms = std::max(zehnter_vor_ende_ms, (sek - zehnter) * 1000);
    // The estimate only where the clock makes it, once a second: in between
    // it stands as made, as it does on the screen.
    for (size_t i = 0; i < STAENDE.size(); ++i) {
      const STAND& st = STAENDE[i];
      if (st.s < sek / 5 || st.sterne >= 10) continue;
      abweichung = std::max(abweichung, std::abs(st.anteil - st.s / sek));
      if (i > 0 && st.sekunde != STAENDE[i - 1].sekunde) {
        schaetzfehler = std::max(schaetzfehler, std::abs(st.rest_s - (sek - st.s)));
        ++schaetzungen;
      }
    }
    RATEN_SPEICHER_FREIGEBEN();
    FREIGABE_ABWARTEN();
    state.ResumeTiming();
  }
  term::SetBackend(&Schirm());
  ZEITEIN = false;
  state.counters["records_per_s_best"] = bester;
  state.counters["records_per_s_mean"] = datensaetze / std::max(summe_s, 1e-9);
  // The first set-up is the one a player waits for: its memory has been free
  // for a while, which on a virtual machine may mean the host took it back.
  // The next ones follow a release at once.
  state.counters["records_per_s_first"] = erster;
  state.counters["huge_pages"] = grosse_seiten;
  // CPU time of all threads: on a machine shared with others the wall time
  // depends on their load, this does not.
  state.counters["cpu_ns_per_record"] = cpu_s * 1e9 / std::max<double>(1, datensaetze);
  // The share of the processors' time during the set-ups that the host gave
  // to others: where it is high, the wall-clock rates above say more about
  // the host than about the program.
  state.counters["stolen_share"] = gestohlen_s / std::max(summe_s * KERNE(), 1e-9);
  // The largest share of a set-up's draws the main thread filed itself,
  // waiting for a worker to come for the filing.
  state.counters["filed_on_main_share_worst"] = selbst_abgelegt;
  state.counters["records"] =
      double(datensaetze) / double(std::max<int64_t>(1, state.iterations()));
  state.counters["threads"] = AUFBAU_FAEDEN > 0 ? AUFBAU_FAEDEN : std::min(8, KERNE());
  state.counters["largest_for_budget"] = groesste;
  state.counters["resident_bytes_per_record"] = bytes;
  state.counters["tenth_star_before_end_ms"] = zehnter_vor_ende_ms;
  state.counters["bar_vs_time_worst"] = abweichung;
  state.counters["estimate_error_worst_s"] = schaetzfehler;
  // A set-up shorter than a second may see no estimate made after its first
  // fifth: the error above then says nothing.
  state.counters["estimates_checked"] = static_cast<double>(schaetzungen);
}
// 7 positions, 9 signs: 4.78 million codes.
BENCHMARK_CAPTURE(Aufbau, l7_n9_rep, rateprobe::SPIEL{7, 9, true, false, true}, 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
// The largest store the default budget (8 GiB) allows for 8 positions: 9 signs,
// 43 million codes.
BENCHMARK_CAPTURE(Aufbau, l8_n9_rep, rateprobe::SPIEL{8, 9, true, false, true}, 10)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
// The largest store that fits this machine with the largest budget (256 GiB):
// 6 positions, 26 signs, 309 million codes, about 2.6 GB resident after the
// set-up.
BENCHMARK_CAPTURE(Aufbau, l6_n26_rep, rateprobe::SPIEL{6, 26, true, false, true}, 15)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

// A terminal on which Esc arrives a fixed time after the clock starts; reports
// how long the engine takes to notice it and to have released everything, and
// the longest time it went without looking at the keyboard before the key.
class EscNach : public term::MemoryTerminal {
 public:
  std::chrono::steady_clock::time_point ab{};
  bool gedrueckt = false;
  // When set, the delay counts from the first look at the keyboard at which
  // this holds (the end of the draws of a big set-up, the narrowing, ...).
  bool (*beginn)() = nullptr;
  std::chrono::milliseconds verzoegerung{0};
  std::chrono::steady_clock::time_point zuletzt{};
  double luecke_ms = 0;
  int ReadByte(int timeout_ms) override {
    const auto jetzt = std::chrono::steady_clock::now();
    if (!gedrueckt && zuletzt != std::chrono::steady_clock::time_point{})
      luecke_ms =
          std::max(luecke_ms, std::chrono::duration<double, std::milli>(jetzt - zuletzt).count());
    zuletzt = jetzt;
    if (beginn) {
      if (!beginn()) return MemoryTerminal::ReadByte(timeout_ms);
      beginn = nullptr;
      ab = jetzt + verzoegerung;
    }
    if (!gedrueckt && jetzt >= ab) {
      gedrueckt = true;
      return 27;
    }
    return MemoryTerminal::ReadByte(timeout_ms);
  }
};

bool Gezogen() {
  return AUFBAU_GEZOGEN;
}

// The opening guess is played (and the store about to be narrowed) once it is
// among the played codes.
bool Gespielt() {
  return !GESPIELTE_CODES.empty();
}

enum class PHASE { AUFBAU, ANFANG, SUCHE, EINGRENZUNG };

// Esc after each of the given delays (one per iteration): from the start of
// the set-up (negative: from the end of its draws), of the opening turn (the
// opening guess counted against every possible code), of the first searched
// guess, or of the narrowing of the store by the opening answer. The worst
// time from the key to the game being back, the memory going back behind it.
void EscLatenz(benchmark::State& state, rateprobe::SPIEL s, PHASE phase, int wahl,
               std::vector<int> verzoegerungen_ms) {
  Schirm();
  double schlimmste = 0, freigabe = 0, luecke = 0;
  size_t lauf = 0;
  int getroffen = 0;
  for (auto _ : state) {
    const int verzoegerung = verzoegerungen_ms[lauf++ % verzoegerungen_ms.size()];
    if (phase == PHASE::SUCHE) benchsupport::BisZumErstenSuchen(s, 5);
    if (phase == PHASE::EINGRENZUNG || phase == PHASE::ANFANG) benchsupport::BisZumAnfangszug(s, 5);
    EscNach esc;
    esc.SetExhaustedHandler(KeineTaste);
    esc.max_idle_polls = LONG_MAX;
    term::SetBackend(&esc);
    if (phase == PHASE::AUFBAU) {
      rateprobe::SPIEL_VORBEREITEN(s);
      Budget(wahl);
      FREIGABE_ABWARTEN();
    }
    esc.verzoegerung = std::chrono::milliseconds(std::abs(verzoegerung));
    if (phase == PHASE::EINGRENZUNG)
      esc.beginn = Gespielt;
    else if (verzoegerung < 0)
      esc.beginn = Gezogen;
    esc.ab = std::chrono::steady_clock::now() + esc.verzoegerung;
    bool ok = true;
    char taste = 0;
    if (phase == PHASE::AUFBAU) {
      rateprobe::SETUP(ok);
    } else {
      uint8_t p, sz;
      CODE code{};
      rateprobe::ZUG(code, p, sz, taste);
    }
    const auto fertig = std::chrono::steady_clock::now();
    luecke = std::max(luecke, esc.luecke_ms);
    if (esc.gedrueckt && (phase == PHASE::AUFBAU ? !ok : taste == 27)) {
      ++getroffen;
      const double ms = std::chrono::duration<double, std::milli>(fertig - esc.ab).count();
      if (std::getenv("GUESS_BENCH_VERBOSE"))
        std::fprintf(stderr, "Esc %d ms after %s: game back after %.1f ms\n",
                     std::abs(verzoegerung),
                     phase == PHASE::EINGRENZUNG ? "the narrowing began"
                     : verzoegerung < 0          ? "the draws"
                                                 : "the start",
                     ms);
      schlimmste = std::max(schlimmste, ms);
    } else {
      RATEN_SPEICHER_FREIGEBEN();  // done before the key came
    }
    FREIGABE_ABWARTEN();
    freigabe = std::max(freigabe, std::chrono::duration<double, std::milli>(
                                      std::chrono::steady_clock::now() - fertig)
                                      .count());
    term::SetBackend(&Schirm());
  }
  state.counters["esc_to_end_ms_worst"] = schlimmste;
  state.counters["memory_back_ms_worst"] = freigabe;
  state.counters["longest_gap_between_key_looks_ms"] = luecke;
  state.counters["broken_off"] = getroffen;
}
BENCHMARK_CAPTURE(EscLatenz, setup_l7_n9_rep, rateprobe::SPIEL{7, 9, true, false, true},
                  PHASE::AUFBAU, 10, std::vector<int>{5, 20, 40, 60})
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
// 8 positions, 9 signs: 43 million records; Esc during the draws, and at
// once and later after them, while the parts are replayed.
BENCHMARK_CAPTURE(EscLatenz, setup_l8_n9_rep, rateprobe::SPIEL{8, 9, true, false, true},
                  PHASE::AUFBAU, 10, std::vector<int>{50, 300, 600, 900, -1, -100, -300})
    ->Iterations(7)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EscLatenz, setup_l6_n26_rep, rateprobe::SPIEL{6, 26, true, false, true},
                  PHASE::AUFBAU, 15, std::vector<int>{300, 3000, 8000, -1, -500, -2000})
    ->Iterations(6)
    ->Unit(benchmark::kMillisecond);
// 7 positions, 9 signs: the first searched guess runs long enough, on every
// core, to be pressed into.
BENCHMARK_CAPTURE(EscLatenz, search_l7_n9_rep, rateprobe::SPIEL{7, 9, true, false, true},
                  PHASE::SUCHE, 15, std::vector<int>{300})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
// 8 positions, 9 signs: the 43 million possible codes narrowed by the opening
// answer; Esc at once and later while that runs.
BENCHMARK_CAPTURE(EscLatenz, narrowing_l8_n9_rep, rateprobe::SPIEL{8, 9, true, false, true},
                  PHASE::EINGRENZUNG, 15, std::vector<int>{0, 10, 40, 100})
    ->Iterations(4)
    ->Unit(benchmark::kMillisecond);
// 6 positions, 26 signs: the largest store that fits this machine (309 million
// records, a budget of 256 GiB); Esc while its possible codes are narrowed by
// the opening answer, and in its first searched guess.
BENCHMARK_CAPTURE(EscLatenz, narrowing_l6_n26_rep, rateprobe::SPIEL{6, 26, true, false, true},
                  PHASE::EINGRENZUNG, 15, std::vector<int>{10, 300})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EscLatenz, search_l6_n26_rep, rateprobe::SPIEL{6, 26, true, false, true},
                  PHASE::SUCHE, 15, std::vector<int>{300, 2000})
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
// The opening turns of the two big stores: their opening guess counted
// against the possible codes made as it goes, on every core.
BENCHMARK_CAPTURE(EscLatenz, opening_l8_n9_rep, rateprobe::SPIEL{8, 9, true, false, true},
                  PHASE::ANFANG, 15, std::vector<int>{5, 50, 150})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EscLatenz, opening_l6_n26_rep, rateprobe::SPIEL{6, 26, true, false, true},
                  PHASE::ANFANG, 15, std::vector<int>{5, 400, 1000})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// The longest time the engine goes without looking at the keyboard (and so
// the longest Esc can wait) in each phase of a game's start on a big store,
// with the default time limit of 10 seconds on the real clock: the set-up, the
// opening turn (its count and the narrowing), and the first searched turn
// (equivalence classes, bound, search, the turn of the cut chain, narrowing).
struct LUECKEN : benchsupport::RealClockTerminal {
  std::chrono::steady_clock::time_point zuletzt{};
  double luecke_ms[3] = {};
  // Where the longest gap of each phase ended: the share of the set-up or of
  // the search done (progress row), and whether the draws were over.
  double bei_anteil[3] = {};
  bool bei_gezogen[3] = {};
  // The same in the main thread's processor time: a long gap in wall time
  // with a short one here is the machine's other load, not the engine.
  double cpu_zuletzt = -1;
  double cpu_luecke_ms[3] = {};
  int phase = 0;
  int ReadByte(int timeout_ms) override {
    timespec c{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &c);
    const double cpu = double(c.tv_sec) * 1e3 + double(c.tv_nsec) * 1e-6;
    if (cpu_zuletzt >= 0) cpu_luecke_ms[phase] = std::max(cpu_luecke_ms[phase], cpu - cpu_zuletzt);
    cpu_zuletzt = cpu;
    const auto jetzt = std::chrono::steady_clock::now();
    if (zuletzt != std::chrono::steady_clock::time_point{}) {
      const double ms = std::chrono::duration<double, std::milli>(jetzt - zuletzt).count();
      if (ms > luecke_ms[phase]) {
        luecke_ms[phase] = ms;
        bei_anteil[phase] = double(GERATENE_VERSUCHE) / std::max<int32_t>(1, ZAHL_DER_VERSUCHE);
        bei_gezogen[phase] = AUFBAU_GEZOGEN;
      }
    }
    zuletzt = jetzt;
    return RealClockTerminal::ReadByte(timeout_ms);
  }
};

void TastenLuecke(benchmark::State& state, rateprobe::SPIEL s) {
  Schirm();
  double codes = 0, luecke[3] = {}, anteil[3] = {}, cpu[3] = {};
  bool gezogen[3] = {};
  s.zeitgrenze = 1;
  for (auto _ : state) {
    LUECKEN t;
    t.SetExhaustedHandler(KeineTaste);
    t.max_idle_polls = LONG_MAX;
    term::SetBackend(&t);
    FREIGABE_ABWARTEN();
    t.zuletzt = std::chrono::steady_clock::now();
    t.cpu_zuletzt = -1;
    benchsupport::BisZumAnfangszug(s, 1);
    codes = double(MOEGLICHE_CODES());
    SPIELUHR_STARTEN();
    for (int zug = 1; zug <= 2; ++zug) {
      t.phase = zug;
      t.zuletzt = std::chrono::steady_clock::now();
      t.cpu_zuletzt = -1;
      uint8_t p, sz;
      char taste = 0;
      CODE code{};
      rateprobe::ZUG(code, p, sz, taste);
      if (taste == 27) std::abort();
    }
    ZEITEIN = false;
    RATEN_SPEICHER_FREIGEBEN();
    FREIGABE_ABWARTEN();
    for (int i = 0; i < 3; ++i) {
      cpu[i] = std::max(cpu[i], t.cpu_luecke_ms[i]);
      if (t.luecke_ms[i] < luecke[i]) continue;
      luecke[i] = t.luecke_ms[i];
      anteil[i] = t.bei_anteil[i];
      gezogen[i] = t.bei_gezogen[i];
    }
    term::SetBackend(&Schirm());
  }
  state.counters["possible_codes"] = codes;
  state.counters["gap_setup_ms"] = luecke[0];
  state.counters["gap_opening_turn_ms"] = luecke[1];
  state.counters["gap_first_searched_turn_ms"] = luecke[2];
  state.counters["cpu_gap_setup_ms"] = cpu[0];
  state.counters["cpu_gap_opening_turn_ms"] = cpu[1];
  state.counters["cpu_gap_first_searched_turn_ms"] = cpu[2];
  state.counters["gap_setup_at_share"] = anteil[0];
  state.counters["gap_setup_after_draws"] = gezogen[0];
  state.counters["gap_search_at_share"] = anteil[2];
}
BENCHMARK_CAPTURE(TastenLuecke, l8_n9_rep, rateprobe::SPIEL{8, 9, true, false, true})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(TastenLuecke, l6_n21_rep, rateprobe::SPIEL{6, 21, true, false, true})
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

// Resident memory with no guessing running: at start, and after a big set-up
// and a game have come and gone (once the memory is back with the kernel).
void RuhenderSpeicher(benchmark::State& state) {
  Schirm();
  FREIGABE_ABWARTEN();
  const double start = double(RESIDENTER_SPEICHER()) / (1 << 20);
  double danach = 0;
  for (auto _ : state) {
    rateprobe::SPIEL_VORBEREITEN({7, 9, true, false, true});
    bool ok = false;
    rateprobe::SETUP(ok);
    ALLES_FREIGEBEN();
    FREIGABE_ABWARTEN();
    danach = double(RESIDENTER_SPEICHER()) / (1 << 20);
  }
  state.counters["resident_MiB_at_start"] = start;
  state.counters["resident_MiB_after_store_released"] = danach;
}
BENCHMARK(RuhenderSpeicher)->Iterations(1)->Unit(benchmark::kMillisecond);

// What the machine itself allows a set-up: fresh memory mapped, written once
// per page (as a store's first touch does) and given back, in GB/s, with
// ordinary and with huge pages, on one thread and on two. A store of b bytes
// per record cannot be set up faster than this rate divided by b.
void ErsteBeruehrung(benchmark::State& state, bool gross, int faeden) {
  constexpr size_t kBytes = size_t{1} << 30;
  double bester = 0, schlechtester = 1e30;
  for (auto _ : state) {
    void* p = mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) {
      state.SkipWithError("no gigabyte to map");
      break;
    }
    if (gross) madvise(p, kBytes, MADV_HUGEPAGE);
    auto* bytes = static_cast<volatile char*>(p);
    const auto start = std::chrono::steady_clock::now();
    auto beruehren = [&](size_t von, size_t bis) {
      for (size_t i = von; i < bis; i += 4096) bytes[i] = 1;
    };
    std::vector<std::thread> helfer;
    for (int f = 1; f < faeden; ++f)
      helfer.emplace_back(beruehren, kBytes / faeden * f, kBytes / faeden * (f + 1));
    beruehren(0, kBytes / faeden);
    for (std::thread& t : helfer) t.join();
    const double s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    bester = std::max(bester, double(kBytes) / s / 1e9);
    schlechtester = std::min(schlechtester, double(kBytes) / s / 1e9);
    munmap(p, kBytes);
  }
  // The worst is memory the machine had to fetch afresh (on a virtual machine,
  // from its host); the best is memory given back a moment before.
  state.counters["GB_per_s_best"] = bester;
  state.counters["GB_per_s_worst"] = schlechtester;
}
BENCHMARK_CAPTURE(ErsteBeruehrung, pages_1thread, false, 1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ErsteBeruehrung, pages_2threads, false, 2)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ErsteBeruehrung, huge_1thread, true, 1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ErsteBeruehrung, huge_2threads, true, 2)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
