#include "tests/support/startup_conditions.h"

#include "engine/memory_budget.h"
#include "game/conditions.h"
#include "game/signs.h"
#include "shell/shell_state.h"

namespace testsupport {

void StartupConditions() {
  using namespace morvandeltrisk;
  mtspiel::INITIALISIERE();
  mtspiel::POSITIONSWERTE(mtspiel::X.ERSTES);
  mtspiel::ZEICHENTABELLEN();
  mtspiel::ZEITLIMIT_SETZEN();
  ALT.clear();
  SPRACHE_DEUTSCH = false;
  mtspiel::SP_D = false;
  SPEICHERWAHL = 10;
  mtspiel::MEMAVAIL_FPC = mtspiel::SPEICHER_BYTES[10];
  FARBE_NORMAL = 31;
  FARBE_HERVOR = 30;
  LEER_WAHL = false;
  NAMEN_BEKANNT = true;
}

}  // namespace testsupport
