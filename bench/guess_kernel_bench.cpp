// Speed of the counting kernel alone: candidates of a real first search counted
// against the possible codes that a real opening turn leaves, without the rest
// of the search around it. Reports time per code counted, for the instruction
// set the machine offers and for the lower ones the kernel falls back to.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "bench/first_search.h"
#include "engine/guess_kernel.h"
#include "engine/guess_store.h"
#include "engine/guess_test_helpers.h"
#include "screen/memory_terminal.h"

using namespace mtspiel;

namespace {

// The state of a first search: the possible codes after the opening guess was
// answered P = 1, S = 1, a sample of candidates spread over the chain, and the
// smallest worst class among them (the threshold the search counts against
// once it has seen a few candidates).
struct LAGE {
  int laenge = 0, worte = 1;
  uint64_t lanes = 0;
  std::vector<uint64_t> erl;
  int64_t n = 0;
  std::vector<ZAEHLAUFTRAG> kand;   // counted by the benchmarks
  std::vector<ZAEHLAUFTRAG> probe;  // walked in chain order by the search benchmark
  int32_t schwelle = INT32_MAX;
};

// Candidates counted per benchmark iteration, and candidates whose worst class
// sets the low threshold.
constexpr int kStichprobe = 64;
constexpr int kSchwellenProbe = 512;

// The engine before its first searched guess, on an in-memory screen.
void BisZurSuche(const rateprobe::SPIEL& s, uint64_t seed) {
  benchsupport::BenchSchirm();
  benchsupport::BisZumErstenSuchen(s, seed);
}

LAGE Erzeugen(const rateprobe::SPIEL& s) {
  BisZurSuche(s, 1);
  LAGE l;
  l.laenge = RS.laenge;
  l.worte = RS.worte;
  l.lanes = RS.lanes;
  l.n = RS.erl_n;
  l.erl.assign(RS.erl, RS.erl + RS.erl_n * (1 + RS.worte));
  std::vector<ZAEHLAUFTRAG> probe;
  for (int j = 0; j < kSchwellenProbe; ++j) {
    ZAEHLAUFTRAG a{};
    a.gwort = RS.kand[RS.kand_n * j / kSchwellenProbe];
    WORT_ZAEHLBITS(a.gwort, a.gbits);
    a.lanes = RS.lanes;
    a.klassen = (RS.laenge + 1) * 16;
    probe.push_back(a);
  }
  ALLES_FREIGEBEN();
  for (ZAEHLAUFTRAG& a : probe) a.erl = l.erl.data();
  for (int j = 0; j < kStichprobe; ++j) l.kand.push_back(probe[j * kSchwellenProbe / kStichprobe]);
  ZAEHLPLATZ platz;
  l.probe = probe;
  for (ZAEHLAUFTRAG a : probe) {
    alignas(64) int32_t tab[kKlassen] = {};
    a.tab = tab;
    a.platz = &platz;
    ZAEHLEN_BIS(a, l.worte, 0, l.n, INT32_MAX);
    l.schwelle = std::min(l.schwelle, *std::max_element(tab, tab + kKlassen));
  }
  return l;
}

const LAGE& Lage(const rateprobe::SPIEL& s) {
  static std::map<std::vector<int>, LAGE> lagen;
  const std::vector<int> key{s.laenge, s.farben, s.wdhg};
  auto it = lagen.find(key);
  if (it == lagen.end()) it = lagen.emplace(key, Erzeugen(s)).first;
  return it->second;
}

enum Art { kHoch, kNiedrig, kFein, kKlassenArt, kSuche };

// One candidate as the search counts it: against the best worst class so far,
// then, once a class reaches it, by the fine test. Returns the codes counted
// and adds those of the fine test to fein; updates the best on a win.
int64_t Bewerten(const LAGE& l, ZAEHLAUFTRAG a, int32_t* tab, int32_t& bestmax, int64_t& bestsq,
                 int64_t& fein) {
  const int L = l.laenge;
  std::memset(tab, 0, sizeof(int32_t) * kKlassen);
  a.tab = tab;
  int64_t i = ZAEHLEN_BIS(a, l.worte, 0, l.n, bestmax);
  int64_t quadrat = 0;
  if (i < l.n) {
    for (int k = 0; k < kKlassen; ++k) quadrat += int64_t{tab[k]} * tab[k];
    if (quadrat > bestsq || (quadrat == bestsq && i != l.n - 1)) return i + 1;
    const int64_t von = ++i;
    i = ZAEHLEN_FEIN(a, l.worte, i, l.n, bestmax, bestsq, l.n - 1, quadrat);
    fein += std::min(i + 1, l.n) - von;
    if (i < l.n) return i + 1;
  }
  int32_t mx = 0;
  int64_t sq = 0;
  for (int t = 0; t <= L; ++t) {
    for (int p = 0; p <= t; ++p) {
      mx = std::max(mx, tab[t << 4 | p]);
      sq += int64_t{tab[t << 4 | p]} * tab[t << 4 | p];
    }
  }
  if (mx < bestmax || (mx == bestmax && sq < bestsq)) bestmax = mx, bestsq = sq;
  return l.n;
}

// stufe < 0: what the machine offers.
void Kern(benchmark::State& state, rateprobe::SPIEL s, Art art, int stufe) {
  if (stufe > ZAEHLSTUFE_MASCHINE()) {
    state.SkipWithError("instruction set not offered by this machine");
    return;
  }
  const LAGE& l = Lage(s);
  ZAEHLSTUFE = stufe < 0 ? ZAEHLSTUFE_MASCHINE() : stufe;
  ZAEHLPLATZ platz;
  alignas(64) int32_t tab[kKlassen];
  std::vector<uint8_t> klasse(art == kKlassenArt ? l.n : 0);
  int64_t codes = 0, fein = 0;
  for (auto _ : state) {
    if (art == kSuche) {
      int32_t bestmax = INT32_MAX;
      int64_t bestsq = INT64_MAX;
      for (ZAEHLAUFTRAG a : l.probe) {
        a.platz = &platz;
        codes += Bewerten(l, a, tab, bestmax, bestsq, fein);
      }
      continue;
    }
    for (ZAEHLAUFTRAG a : l.kand) {
      std::memset(tab, 0, sizeof tab);
      a.tab = tab;
      a.platz = &platz;
      int64_t bis = l.n;
      if (art == kHoch) {
        bis = ZAEHLEN_BIS(a, l.worte, 0, l.n, INT32_MAX);
      } else if (art == kNiedrig) {
        bis = std::min(l.n, ZAEHLEN_BIS(a, l.worte, 0, l.n, l.schwelle) + 1);
      } else if (art == kFein) {
        int64_t q = 0;
        bis = ZAEHLEN_FEIN(a, l.worte, 0, l.n, INT32_MAX, INT64_MAX, l.n - 1, q);
        benchmark::DoNotOptimize(q);
      } else {
        KLASSEN(a, l.worte, 0, l.n, klasse.data());
        benchmark::DoNotOptimize(klasse.data());
      }
      benchmark::DoNotOptimize(tab);
      codes += bis;
    }
  }
  state.counters["ns_per_code"] =
      benchmark::Counter(double(codes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["codes_per_candidate"] = double(codes) / double(state.iterations()) /
                                          double(art == kSuche ? l.probe.size() : l.kand.size());
  if (art == kSuche) state.counters["fine_share"] = double(fein) / double(codes);
  state.counters["possible_codes"] = double(l.n);
  state.counters["count_words"] = l.worte;
  state.counters["threshold"] = art == kNiedrig ? l.schwelle : 0;
  ZAEHLSTUFE = ZAEHLSTUFE_MASCHINE();
}

struct BEDINGUNG {
  const char* name;
  rateprobe::SPIEL s;
};

const BEDINGUNG kBedingungen[] = {
    {"l7_n9_rep", {7, 9, true, false, true}},      {"l9_n5_rep", {9, 5, true, false, true}},
    {"l8_n6_rep", {8, 6, true, false, true}},      {"l6_n12_rep", {6, 12, true, false, true}},
    {"l5_n16_rep", {5, 16, true, false, true}},    {"l7_n10_norep", {7, 10, false, false, true}},
    {"l6_n9_rep", {6, 9, true, false, true}},      {"l4_n36_rep", {4, 36, true, false, true}},
    {"l5_n36_norep", {5, 36, false, false, true}}, {"l4_n10_rep", {4, 10, true, false, true}},
    {"l5_n8_rep", {5, 8, true, false, true}},
};

struct STUFE {
  const char* name;
  int stufe;
};
const STUFE kStufen[] = {{"", -1}, {"_avx2", kStufeAvx2}, {"_popcnt", kStufePopcnt}};

struct ART {
  const char* name;
  Art art;
};
const ART kArten[] = {{"high", kHoch},
                      {"low", kNiedrig},
                      {"search", kSuche},
                      {"fine", kFein},
                      {"classes", kKlassenArt}};

// The first searched guess through the engine's own entry point, whole: the
// kernel with everything around it (no time limit, one thread).
void ErsteSuche(benchmark::State& state, rateprobe::SPIEL s, int stufe) {
  benchsupport::BenchSchirm();
  if (stufe > ZAEHLSTUFE_MASCHINE()) {
    state.SkipWithError("instruction set not offered by this machine");
    return;
  }
  ZAEHLSTUFE = stufe < 0 ? ZAEHLSTUFE_MASCHINE() : stufe;
  const int64_t vergleiche = benchsupport::ErsteSucheMessen(state, s, 1, 0).vergleiche;
  state.counters["evals_per_search"] = double(vergleiche) / double(state.iterations());
  state.counters["ns_per_eval"] = benchmark::Counter(
      double(vergleiche), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  ZAEHLSTUFE = ZAEHLSTUFE_MASCHINE();
}

int Anmelden() {
  for (const ART& a : kArten)
    for (const BEDINGUNG& b : kBedingungen)
      for (const STUFE& st : kStufen) {
        const std::string name = std::string("Kern/") + a.name + "/" + b.name + st.name;
        benchmark::RegisterBenchmark(name.c_str(), Kern, b.s, a.art, st.stufe)
            ->Unit(benchmark::kMillisecond);
      }
  // Minutes before this kernel for the largest conditions: run on request
  // (--benchmark_filter=ErsteSuche).
  for (const BEDINGUNG& b : kBedingungen) {
    const std::string name = std::string("ErsteSuche/") + b.name;
    benchmark::RegisterBenchmark(name.c_str(), ErsteSuche, b.s, -1)
        ->Unit(benchmark::kSecond)
        ->Iterations(1);
  }
  return 0;
}
const int kAngemeldet = Anmelden();

}  // namespace

BENCHMARK_MAIN();
