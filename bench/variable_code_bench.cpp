// Speed of the variable answer code: building the set of possible codes, and
// answering a guess (one partition of the whole set plus the narrowing).
#include <benchmark/benchmark.h>

#include <climits>

#include "engine/engine_state.h"
#include "engine/memory_budget.h"
#include "engine/variable_code.h"
#include "engine/variable_code_store.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/memory_terminal.h"

namespace {

using namespace mtspiel;

struct Bench {
  term::MemoryTerminal screen;
  Bench() {
    screen.max_idle_polls = LONG_MAX;  // the set-up polls for keys nobody presses
    term::SetBackend(&screen);
    MEMAVAIL_FPC = SPEICHER_BYTES[12];  // 32 GiB: the machine limit decides
    LISTEN_FREIGEBEN(false);
  }
  ~Bench() { term::SetBackend(nullptr); }
};

// Conditions of a game: signs '0' up to letztes, length, repetitions.
void Game(char letztes, int laenge, bool wdhg) {
  X.ERSTES = '0';
  X.LETZTES = letztes;
  POSITIONSWERTE('0');
  ZEICHENTABELLEN();
  X.LAENGE = static_cast<uint8_t>(laenge);
  X.WDHG = wdhg;
  X.PC_STELLT = true;
  X.TON = false;
  KENNEALLEFARBEN = false;
  LETZTEZAHL = 0;
  REIHENFOLGE();
  NUMMER = 0;
  K = 9;
}

CODE Guess(const char* s) {
  CODE c;
  for (int i = 1; i <= 9; ++i) c[i] = ' ';
  for (int i = 0; s[i]; ++i) c[i + 1] = s[i];
  return c;
}

// args: number of signs, length, repetitions
void BM_SetUp(benchmark::State& state) {
  Bench b;
  Game(static_cast<char>(state.range(0) <= 10 ? '0' + state.range(0) - 1
                                              : 'a' + state.range(0) - 11),
       static_cast<int>(state.range(1)), state.range(2) != 0);
  int64_t codes = 0;
  for (auto _ : state) {
    bool ok = false;
    INIT_NICHT_FEST(ok);
    if (!ok) state.SkipWithError("set-up failed");
    codes += ZAHL_MOEGLICHE;
    state.PauseTiming();
    LISTEN_FREIGEBEN(true);
    state.ResumeTiming();
  }
  state.counters["codes/s"] =
      benchmark::Counter(static_cast<double>(codes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SetUp)
    ->Args({10, 6, 1})
    ->Args({10, 6, 0})
    ->Args({6, 4, 0})
    ->Unit(benchmark::kMillisecond);

// The first answer on a full set: every code is scored once.
void BM_Answer(benchmark::State& state) {
  Bench b;
  const bool wdhg = state.range(0) != 0;
  Game('9', 6, wdhg);
  int64_t codes = 0, answers = 0;
  for (auto _ : state) {
    state.PauseTiming();
    bool ok = false;
    INIT_NICHT_FEST(ok);
    if (!ok) state.SkipWithError("set-up failed");
    const int64_t vorher = ZAHL_MOEGLICHE;
    NUMMER = 1;
    VERSUCH v{};
    char taste = 0;
    state.ResumeTiming();
    ANTWORT_NICHT_FEST(Guess("012345"), v.KOMBINATION, v.P, v.S, taste);
    state.PauseTiming();
    codes += vorher;
    ++answers;
    LISTEN_FREIGEBEN(true);
    state.ResumeTiming();
  }
  state.counters["answers/s"] =
      benchmark::Counter(static_cast<double>(answers), benchmark::Counter::kIsRate);
  state.counters["codes/s"] =
      benchmark::Counter(static_cast<double>(codes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Answer)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
