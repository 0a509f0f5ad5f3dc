// Placeholder spine: to be built.
#include "shell/program.h"

#include "screen/terminal.h"

namespace morvandeltrisk {

void ANFANGEN() {}
void WAEHLE_SPRACHE() {}
void TITELD() {}
void TITELE() {}
void NOTEXIT() {}
void MORVANDELTRISK() {
  term::ClrScr();
  term::Write("Morvandeltrisk");
  term::ReadKey();
}

}  // namespace morvandeltrisk
