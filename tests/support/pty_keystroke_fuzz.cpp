#include "tests/support/pty_keystroke_fuzz.h"

#include <iterator>
#include <random>
#include <string_view>
#include <vector>

#include "tests/support/conditions_fuzz_check.h"
#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"
#include "tests/support/timing.h"

namespace testsupport {
namespace {

// Without any new output for this long while keys are typed, the program hangs.
// Generous: a set-up of a large store may print nothing between its stars.
constexpr int kHangMs = 20000 * kSlow;
constexpr int kExitMs = 30000 * kSlow;

// Screen headings in both languages, most specific first.
struct Heading {
  const char* name;
  std::vector<std::string_view> markers;
};
const std::vector<Heading>& Headings() {
  static const std::vector<Heading> h = {
      {"board",
       {"The riddle comes from", "The solution comes from", "Das Rätsel stammt",
        "Die Lösung stammt"}},
      {"conditions", {"(1, 2, 3 or 4)", "(1, 2, 3 oder 4)"}},
      {"main menu", {"5 - The game starts.", "5 - Das Spiel beginnt."}},
      {"language", {"English:"}},
      {"date and time", {"right date and time", "Wenn Datum und Uhrzeit stimmen"}},
      {"calendar", {"virtual date of the game", "Wenn das virtuelle Datum stimmt"}},
      {"colours", {"emphasized text", "hervorgehobenen Text"}},
      {"short instructions", {"Rules of the game !", "Spielregeln !"}},
      {"configuration", {"***  Configuration  ***", "***  Konfiguration  ***"}},
  };
  return h;
}

// Escape sequences of the terminal layer's table, some with modifiers, and
// broken or unknown ones.
const char* const kSequences[] = {
    "\x1b[A",         "\x1b[B",     "\x1b[C",       "\x1b[D",
    "\x1b[H",         "\x1b[F",     "\x1bOA",       "\x1bOB",
    "\x1bOC",         "\x1bOD",     "\x1bOH",       "\x1bOF",
    "\x1bOP",         "\x1bOQ",     "\x1bOR",       "\x1bOS",
    "\x1b[1;5A",      "\x1b[1;3B",  "\x1b[1;2C",    "\x1b[1;5D",
    "\x1b[1~",        "\x1b[2~",    "\x1b[3~",      "\x1b[4~",
    "\x1b[5~",        "\x1b[6~",    "\x1b[7~",      "\x1b[8~",
    "\x1b[11~",       "\x1b[15~",   "\x1b[17~",     "\x1b[18~",
    "\x1b[19~",       "\x1b[20~",   "\x1b[21~",     "\x1b[23~",
    "\x1b[24~",       "\x1b[15;5~", "\x1b[3;3~",    "\x1b[1;2P",
    "\x1b[Z",         "\x1bx",      "\x1b[",        "\x1bO",
    "\x1b[99;99;99~", "\x1b[1;",    "\x1b[200~",    "\x1b[999999999999A",
    "\xc3\xa4",       "\xc3\x9f",   "\xe2\x82\xac", "\xf0\x9f\x98\x80",
    "\xc3",           "\xe2\x82",
};

class Walk {
 public:
  explicit Walk(uint32_t seed) : rng_(seed) {}

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }

  // One key (or short burst) for the screen shown; lone_esc tells the caller to
  // pause after it so that it is not read as the start of a sequence.
  std::string Key(const std::string& screen, bool& lone_esc) {
    lone_esc = false;
    if (Chance(15)) return Noise(lone_esc);
    if (screen == "language") {
      if (Chance(85)) return "e";
      if (Chance(70)) return "d";
      return Esc(lone_esc);
    }
    if (screen == "main menu") {
      if (Chance(45)) return "5";
      if (Chance(3)) return "9";
      if (Chance(2)) return "\x03";
      return std::string(1, static_cast<char>('1' + Pick(8)));
    }
    if (screen == "conditions") {
      const int r = Pick(100);
      if (r < 14) return "1";
      if (r < 24) return "3";
      if (r < 28) return "2";
      if (r < 30) return "4";
      if (r < 45) return "\r";
      if (r < 50) return "\x7f";
      if (r < 65) return std::string(1, static_cast<char>('0' + Pick(10)));
      if (r < 80) return std::string(1, "jnyJNaezAZ"[Pick(10)]);
      if (r < 88) return std::string(1, static_cast<char>('a' + Pick(26)));
      if (r < 92) return Esc(lone_esc);
      return kSequences[Pick(6)];
    }
    if (screen == "board") {
      const int r = Pick(100);
      if (r < 40) return std::string(1, static_cast<char>('0' + Pick(10)));
      if (r < 55) return std::string(1, static_cast<char>('a' + Pick(12)));
      if (r < 62) return "*";
      if (r < 70) return "\r";
      if (r < 78) return "\x7f";
      if (r < 86) return std::string(1, "jnJN"[Pick(4)]);
      if (r < 88) return Esc(lone_esc);
      return kSequences[Pick(16)];
    }
    if (screen == "game over") {
      const int r = Pick(100);
      if (r < 40) return "j";
      if (r < 70) return "n";
      if (r < 85) return "\r";
      return Esc(lone_esc);
    }
    // Instructions, date, calendar, colours, configuration and the unknown.
    const int r = Pick(100);
    if (r < 22) return Esc(lone_esc);
    if (r < 40) return "\r";
    if (r < 60) return kSequences[Pick(std::size(kSequences) - 8)];
    if (r < 80) return std::string(1, static_cast<char>('0' + Pick(10)));
    return std::string(1, static_cast<char>('A' + Pick(58)));
  }

 private:
  std::string Esc(bool& lone_esc) {
    lone_esc = true;
    return "\x1b";
  }

  std::string Noise(bool& lone_esc) {
    const int r = Pick(100);
    if (r < 35) return std::string(1, static_cast<char>(Pick(256)));  // any byte, ESC too
    if (r < 65) return kSequences[Pick(std::size(kSequences))];
    if (r < 72) return "\x03";
    if (r < 80) return Esc(lone_esc);
    if (r < 86) return "\r";
    if (r < 90) return "\n";
    if (r < 95) return Pick(2) ? "\x7f" : "\x08";
    return std::string(1, static_cast<char>(Pick(32)));  // control bytes
  }

  std::mt19937 rng_;
};

// The kind of game about to start, from the conditions screen last shown.
std::vector<std::string> GameKinds(const std::string& s) {
  auto has = [&](std::string_view a, std::string_view b) {
    return s.find(a) != std::string::npos || s.find(b) != std::string::npos;
  };
  std::vector<std::string> k;
  const bool pc_guesses = has("guess? Yes.", "raten? Ja.");
  const bool pc_sets = has("riddle? Yes.", "stellen? Ja.");
  k.push_back(pc_guesses && pc_sets ? "computer against itself"
              : pc_guesses          ? "computer guesses"
              : pc_sets             ? "human guesses"
                                    : "two humans");
  if (pc_sets) k.push_back(has("fixed?       Yes.", "fest?      Ja.") ? "fixed" : "variable");
  if (has("allowed?  Yes.", "erlaubt?  Ja.")) k.push_back("vacant signs");
  for (const char* len : {"code:        7", "code:        8", "code:        9",
                          "Codes   :        7", "Codes   :        8", "Codes   :        9"})
    if (s.find(len) != std::string::npos) k.push_back("long code");
  return k;
}

std::string SanitizerReport(const std::string& out) {
  for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                             "runtime error:", "AddressSanitizer:DEADLYSIGNAL"}) {
    const size_t at = out.find(marker);
    if (at != std::string::npos) return out.substr(at, 1500);
  }
  return "";
}

// Checks an end of the program: status, reports, terminal mode, file.
std::string CheckEnd(PtyDriver& pty, const ExitStatus& st, const GameDir& dir) {
  std::string report = SanitizerReport(pty.Output());
  if (!report.empty()) return "sanitizer report:\n" + report;
  if (st.timed_out) return "the program did not end\n" + pty.ScreenText();
  if (!st.exited) return "the program died by signal " + std::to_string(st.signal);
  if (st.code != 0) return "exit status " + std::to_string(st.code) + "\n" + pty.ScreenText();
  const std::string mode = PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow());
  if (!mode.empty()) return "terminal mode not restored: " + mode;
  if (pty.AltScreen()) return "the alternate screen was not left";
  const auto f = dir.ConditionsFile();
  const std::string bad = CheckWrittenRecord(f.data(), f.size());
  if (!bad.empty()) return bad;
  return "";
}

}  // namespace

std::string ScreenName(const std::string& text) {
  // The board's last row: the count of trials shows once the game is over.
  for (std::string_view made : {"Trials made:", "Versuche:"}) {
    size_t at = text.find(made);
    if (at == std::string::npos) continue;
    at += made.size();
    while (at < text.size() && text[at] == ' ') ++at;
    if (at < text.size() && text[at] >= '0' && text[at] <= '9') return "game over";
  }
  for (const Heading& h : Headings())
    for (std::string_view m : h.markers)
      if (text.find(m) != std::string::npos) return h.name;
  if (text.find("Course of the game") != std::string::npos) return "instructions";
  return "other";
}

KeystrokeFuzzResult RunKeystrokeFuzz(uint32_t seed, int duration_ms) {
  KeystrokeFuzzResult res;
  const int64_t start = NowMs();
  GameDir dir;
  Walk walk(seed);
  std::string last_conditions;
  std::string previous_screen;

  while (res.failure.empty()) {
    PtyDriver pty;
    if (!pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"})) {
      res.failure = "the program did not start";
      break;
    }
    ++res.starts;
    if (!pty.WaitForText("English:", 10000 * kSlow)) {
      res.failure = "no language screen\n" + pty.ScreenText() + SanitizerReport(pty.Output());
      break;
    }
    size_t seen_output = pty.Output().size();
    int64_t last_change = NowMs();
    bool ended_by_itself = false;
    while (NowMs() - start < duration_ms) {
      const std::string text = pty.ScreenText();
      const std::string screen = ScreenName(text);
      res.screens.insert(screen);
      if (screen == "conditions") last_conditions = text;
      if (screen == "board" && previous_screen == "conditions")
        for (const std::string& k : GameKinds(last_conditions)) res.games.insert(k);
      previous_screen = screen;
      if (pty.AltScreenUsed() && !pty.AltScreen()) {
        // The program has given the terminal back and is on its way out: a key
        // typed now meets the terminal's own mode, where Ctrl-C is a signal.
        ended_by_itself = true;
        break;
      }

      bool lone_esc = false;
      pty.SendKeys(walk.Key(screen, lone_esc));
      ++res.keys;
      pty.Pump(lone_esc ? 40 : walk.Pick(12));
      if (pty.Output().size() != seen_output) {
        seen_output = pty.Output().size();
        last_change = NowMs();
      }
      if (pty.Exited()) {
        ended_by_itself = true;
        break;
      }
      if (NowMs() - last_change > kHangMs) {
        res.failure = "no answer to keys for " + std::to_string(kHangMs / 1000) + " s on\n" +
                      pty.ScreenText();
        break;
      }
    }
    if (!res.failure.empty()) break;
    if (!ended_by_itself) {
      // The end: Esc leaves every screen and breaks a game off, n declines a
      // new game, 9 ends the main menu; Esc ends the language screen.
      const int64_t deadline = NowMs() + kExitMs;
      // Ctrl-C now and then: Esc cannot leave an empty name field, Ctrl-C can.
      for (int round = 0; !pty.Exited() && NowMs() < deadline; ++round) {
        const std::string screen = ScreenName(pty.ScreenText());
        if (pty.AltScreenUsed() && !pty.AltScreen()) {
          // Given back: no more keys, the end is near.
        } else if (screen == "main menu") {
          pty.SendKeys("9");
        } else if (screen == "game over" && round % 4 != 3) {
          pty.SendKeys("n");
        } else {
          pty.SendKeys(round % 3 == 2 ? "\x03" : "\x1b");
        }
        pty.Pump(150);
      }
    }
    const ExitStatus st = pty.WaitForExit(ended_by_itself ? kExitMs : 100);
    res.failure = CheckEnd(pty, st, dir);
    if (!ended_by_itself) break;
  }
  res.seconds = static_cast<double>(NowMs() - start) / 1000.0;
  return res;
}

}  // namespace testsupport
