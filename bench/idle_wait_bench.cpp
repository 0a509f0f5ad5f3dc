// What a player thinking on the board costs the machine: the real trial input
// waits for keys through the real terminal backend on a pseudo-terminal while
// the game clock runs, and the CPU seconds it used per wall second are reported
// (the goal is below 0.02). For comparison, the same wait done by polling with a
// zero timeout between clock calls.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "clock/game_clock.h"
#include "game/conditions.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/posix_terminal.h"
#include "screen/terminal.h"

namespace {

struct Measure {
  double cpu_s = 0;   // user + system time of the waiting process
  double wall_s = 0;  // how long it waited
  int ok = 0;         // the trial was read and scored as expected
};

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Milliseconds since the last full second of the system clock, which the game
// clock shows: how late a redraw arrived.
double MsIntoSecond() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<double>(ts.tv_nsec) / 1e6;
}

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The child: a game board on the pseudo-terminal, the clock started, and one
// trial read. With spin set, the wait is the old zero-timeout polling instead.
[[noreturn]] void WaitingChild(int slave, int report, bool spin) {
  dup2(slave, STDIN_FILENO);
  dup2(slave, STDOUT_FILENO);
  close(slave);
  using namespace mtspiel;
  term::SetBackend(term::OpenPosixTerminal());
  INITIALISIERE();
  POSITIONSWERTE(X.ERSTES);
  ZEICHENTABELLEN();
  X.LAENGE = 4;
  X.FEST = true;
  X.PC_RAET = false;
  LOESUNG = {{'1', '2', '3', '4', ' ', ' ', ' ', ' ', ' '}};
  LOESUNGSFARBEN_ZAEHLEN();
  NUMMER = 1;
  WX = 50, WY = 9, K = 9;
  term::ClrScr();
  SPIELUHR_STARTEN();
  term::GotoXY(WX, WY);

  Measure m;
  const double cpu0 = CpuSeconds(), wall0 = Now();
  CODE versuch{};
  uint8_t p = 0, s = 0;
  char taste = 0;
  if (spin) {
    while (!term::KeyPressed()) SCHREIBE_ZEIT_FPC();
    for (int i = 0; i < 4; ++i) taste = term::ReadKey();
    p = 4;
  } else {
    LESE_CODE(1, versuch, p, s, taste, EINGABE_HAKEN{SCHREIBE_ZEIT_FPC, nullptr, nullptr});
  }
  m.cpu_s = CpuSeconds() - cpu0;
  m.wall_s = Now() - wall0;
  m.ok = p == 4 && taste == '4';
  term::ClosePosixTerminal();
  (void)!write(report, &m, sizeof m);
  _exit(0);
}

// Runs the waiting loop for about `seconds`, then types the trial. Counts the
// screen updates seen meanwhile (the clock should change once a second) and
// the latest of them within its second.
Measure RunWaitingLoop(double seconds, bool spin, int& updates, double& worst_lag_ms) {
  Measure m;
  int master = -1, slave = -1;
  winsize size{25, 80, 0, 0};
  if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return m;
  int report[2];
  if (pipe(report) != 0) return m;
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    close(master);
    close(report[0]);
    WaitingChild(slave, report[1], spin);
  }
  close(slave);
  close(report[1]);

  char buf[4096];
  updates = 0;
  worst_lag_ms = 0;
  bool typed = false;
  const double start = Now();
  for (;;) {
    pollfd fds[2] = {{master, POLLIN, 0}, {report[0], POLLIN, 0}};
    poll(fds, 2, 5);
    if (fds[0].revents & POLLIN) {
      if (read(master, buf, sizeof buf) > 0 && Now() - start > 0.5 && !typed) {
        ++updates;
        worst_lag_ms = std::max(worst_lag_ms, MsIntoSecond());
      }
    }
    if (fds[1].revents & (POLLIN | POLLHUP)) {
      if (read(report[0], &m, sizeof m) != static_cast<ssize_t>(sizeof m)) m = {};
      break;
    }
    if (!typed && Now() - start >= seconds) {
      (void)!write(master, "1234", 4);
      typed = true;
    }
  }
  waitpid(child, nullptr, 0);
  close(master);
  close(report[0]);
  return m;
}

void Report(benchmark::State& state, const Measure& m, int updates, double lag_ms,
            const char* what) {
  const double ratio = m.wall_s > 0 ? m.cpu_s / m.wall_s : -1;
  state.counters["cpu_s_per_wall_s"] = ratio;
  state.counters["wall_s"] = m.wall_s;
  state.counters["screen_updates"] = updates;
  state.counters["latest_redraw_ms"] = lag_ms;
  if (!m.ok) state.SkipWithError("the trial was not read back");
  std::printf(
      "%s: %.4f CPU seconds per wall second over %.2f s; %d clock redraws, the latest %.1f ms "
      "into its second\n",
      what, ratio, m.wall_s, updates, lag_ms);
}

void BM_TrialInputIdle(benchmark::State& state) {
  Measure m;
  int updates = 0;
  double lag = 0;
  for (auto _ : state) m = RunWaitingLoop(5.0, false, updates, lag);
  Report(state, m, updates, lag, "trial input waiting (blocking readiness test)");
}
BENCHMARK(BM_TrialInputIdle)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ZeroTimeoutPollingForComparison(benchmark::State& state) {
  Measure m;
  int updates = 0;
  double lag = 0;
  for (auto _ : state) m = RunWaitingLoop(1.0, true, updates, lag);
  Report(state, m, updates, lag, "zero-timeout polling (for comparison)");
}
BENCHMARK(BM_ZeroTimeoutPollingForComparison)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
