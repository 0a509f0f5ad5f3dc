// Placeholder until the game clock is built: draws nothing.
#include "clock/game_clock.h"

namespace mtspiel {

void SCHREIBE_ZEIT_FPC() {}
void ZWEITESDATUM() {}
void SPIELUHR_STARTEN() {
  ZEITEIN = true;
}

}  // namespace mtspiel
