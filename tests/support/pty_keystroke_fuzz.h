// Random keys for the real program on a pseudo-terminal: the driver of the
// end-to-end keystroke fuzz test and of its longer run in bench/.
//
// Keys are drawn from a seeded generator, weighted by the screen the terminal
// shows (recognised by its heading), so that the walk gets into every screen and
// into games of every kind and back out; a share of every draw is noise: any
// byte, the escape sequences of the terminal layer's table and broken ones,
// UTF-8, Ctrl-C, a lone Esc. When the program ends on its own (9 in the main
// menu, Esc on the language screen) the end is checked and it is started again
// in the same directory, so it also reads back what it wrote.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace testsupport {

struct KeystrokeFuzzResult {
  std::string failure;            // empty when every check held
  int64_t keys = 0;               // keys sent
  int starts = 0;                 // program starts (1 + restarts after an end of its own)
  double seconds = 0;             // wall time of the run
  std::set<std::string> screens;  // screens seen, by name
  std::set<std::string> games;    // kinds of games entered
};

// Runs the program binary (copied into a scratch directory) under random keys
// from seed for about duration_ms, then ends it with Esc/9 and checks the end:
// no sanitizer report, no crash, an answer to keys all along, the terminal mode
// given back, and a conditions file of one record that reads without repair.
KeystrokeFuzzResult RunKeystrokeFuzz(uint32_t seed, int duration_ms);

// The name of the screen the terminal shows ("language", "main menu", ...),
// "other" when no heading is known.
std::string ScreenName(const std::string& screen_text);

}  // namespace testsupport
