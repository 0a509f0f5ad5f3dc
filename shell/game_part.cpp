// Placeholder until the conditions screen and the game are built.
#include "shell/game_part.h"

#include "screen/terminal.h"
#include "shell/shell_state.h"

namespace morvandeltrisk {

void SPIELTEIL() {
  term::TextAttr = FARBE_NORMAL;
  term::ClrScr();
  term::Write("The game - not available yet. Press any key.");
  if (term::ReadKey() == 0) term::ReadKey();
}

}  // namespace morvandeltrisk
