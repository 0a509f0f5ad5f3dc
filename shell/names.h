// Player names: shaping a stored name, showing the two name lines, and the
// name editor that shapes a name while it is typed.
#pragma once

#include <cstdint>

#include "game/conditions.h"

namespace morvandeltrisk {

// Brings one name into its normal form in place.
void CLEAR_NAME(mtspiel::NAMENSFELD& name);
// Shapes both names of X; exchanges them when swap.
void NAMEOK(bool swap);
// NAMEOK(swap), then writes NAME1 into its field (row 23) if line1 and NAME2 into
// its field (row 24) if line2.
void SCHREIBE_NAME(bool line1, bool line2, bool swap);
// Writes "*** The computer ***" on row 23 if line1 and on row 24 if line2.
void SCHREIBE_PC(bool line1, bool line2);
// Edits NAME1 (line 1) or NAME2 (line 2); taste is 'j' (accepted), Backspace,
// or Esc or 2 (both from Ctrl-C).
void LESE_NAMEN(uint8_t line, mtspiel::NAMENSFELD& name, char& taste);

}  // namespace morvandeltrisk
