// The referee of a human encoder: only answers that some still-possible code
// could give are accepted, and whatever is already determined is filled in.
#include "clock/game_clock.h"
#include "engine/signal_tone.h"
#include "engine/variable_code.h"
#include "game/input.h"
#include "screen/terminal.h"

namespace mtspiel {
namespace {

constexpr char kEsc = 27;

// Waits for a key with the clock running. Ctrl-C comes back as Esc; an extended
// key is read in full and comes back as 0.
char TASTE() {
  while (!term::KeyWait(20)) SCHREIBE_ZEIT_FPC();
  const char c = term::ReadKeyWhole();
  return c == term::KEY_CTRL_C ? kEsc : c;
}

void ZIFFER(int x, int wert) {
  term::GotoXY(x, K);
  term::Write(static_cast<char>('0' + wert));
}

// Some non-empty class has this P.
bool P_MOEGLICH(const KLASSENTABELLE& k, int laenge, int p) {
  for (int t = p; t <= laenge; ++t)
    if (k[t][p] > 0) return true;
  return false;
}

}  // namespace

void LESE_ANTWORT(const KLASSENTABELLE& k, uint8_t& p, uint8_t& s, char& taste) {
  const int laenge = X.LAENGE;
  SIGNALTON();
  // The P shared by every non-empty class, -1 when they differ, -2 when none.
  int gemeinsam = -2;
  for (int t = 0; t <= laenge; ++t)
    for (int q = 0; q <= t; ++q)
      if (k[t][q] > 0) gemeinsam = (gemeinsam == -2 || gemeinsam == q) ? q : -1;
  if (gemeinsam == -2) {  // nothing could answer: no caller passes such a table
    p = s = 0;
    return;
  }
  for (;;) {
    const bool getippt = gemeinsam < 0;
    if (!getippt) {
      p = static_cast<uint8_t>(gemeinsam);
      ZIFFER(X3I, p);
    } else {
      for (;;) {
        term::GotoXY(X3I, K);
        const char c = TASTE();
        if (c == kEsc) {
          taste = kEsc;
          return;
        }
        if (c < '0' || c > '9') continue;
        const int d = c - '0';
        if (d > laenge || !P_MOEGLICH(k, laenge, d)) continue;
        p = static_cast<uint8_t>(d);
        ZIFFER(X3I, p);
        break;
      }
    }
    // S: filled in when only one class has this P.
    int einzig = -1, zahl = 0;
    for (int t = p; t <= laenge; ++t)
      if (k[t][p] > 0) {
        einzig = t;
        ++zahl;
      }
    if (zahl == 1) {
      s = static_cast<uint8_t>(einzig - p);
      ZIFFER(X4I, s);
      term::GotoXY(X4I, K);
      return;
    }
    bool nochmal_p = false;
    for (;;) {
      term::GotoXY(X4I, K);
      const char c = TASTE();
      if (c == kEsc) {
        taste = kEsc;
        return;
      }
      if (c == term::KEY_BACKSPACE) {
        if (!getippt) continue;
        term::GotoXY(X3I, K);
        term::Write(' ');
        nochmal_p = true;
        break;
      }
      if (c < '0' || c > '9') continue;
      const int d = c - '0';
      if (d > laenge - p || k[p + d][p] <= 0) continue;
      s = static_cast<uint8_t>(d);
      ZIFFER(X4I, s);
      term::GotoXY(X4I, K);
      return;
    }
    if (!nochmal_p) return;
  }
}

}  // namespace mtspiel
