#include "game/conditions_screen.h"

#include "screen/terminal.h"

namespace mtspiel {

void ZUM_FELD(BFELD f, bool deutsch, int versatz) {
  const FELDPLATZ p = PLATZ(f, deutsch);
  term::GotoXY(p.x + versatz, p.y);
}

void IN_FELD(BFELD f, bool deutsch, std::string_view text) {
  ZUM_FELD(f, deutsch);
  term::Write(text);
}

}  // namespace mtspiel
