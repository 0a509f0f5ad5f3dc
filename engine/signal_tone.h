// The game's one signal: the computer has found the code, waits for an answer,
// or a human starts guessing.
#pragma once

#include "game/conditions.h"
#include "screen/terminal.h"

namespace mtspiel {

// With sound on in the conditions, 440 Hz for 500 ms; a terminal without a tone
// generator keeps only the wait.
inline void SIGNALTON() {
  if (!X.TON) return;
  term::Sound(440);
  term::Delay(500);
  term::NoSound();
}

}  // namespace mtspiel
