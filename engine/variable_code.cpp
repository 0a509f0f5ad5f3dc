// Placeholder until the variable answer code is built: set-up fails as an
// exhausted budget would.
#include "engine/variable_code.h"

#include "game/input.h"

namespace mtspiel {

void INIT_NICHT_FEST(bool& ok) {
  ok = false;
  A = 27;
}
void ANTWORT_NICHT_FEST(const CODE& g, CODE& versuch, uint8_t& p, uint8_t& s, char& taste) {
  versuch = g;
  p = s = 0;
  taste = 27;
}
void LESE_ANTWORT(const KLASSENTABELLE&, uint8_t& p, uint8_t& s, char& taste) {
  p = s = 0;
  taste = 27;
}

}  // namespace mtspiel
