// The conditions check: what the computer can do under the conditions on the
// conditions screen, within its memory budget and the machine's free memory.
#pragma once

#include <cstdint>

namespace mtspiel {

// What the computer can do under the current conditions.
inline bool KANN_RATEN = true;
inline bool KANN_MOGELN = true;

// Checks the conditions (farben signs, code length laenge, repetitions wdhg,
// vacant sign leer) against the fixed limits by length, the memory budget and the
// memory the machine has free now (SPEICHER_MASCHINE: the real bytes of the store
// and of its set-up's working memory must fit) and switches off what the
// computer cannot do: PC_RAET of X when it cannot guess,
// FEST of X is forced on when it cannot vary its code. Sets KANN_RATEN,
// KANN_MOGELN, SIZERATEN, SIZERATENPTR, MEMLOES, MEMRATE and (through
// LISTEN_FREIGEBEN(freigeben)) the capacity table. With anzeigen (the conditions
// screen) every change is redrawn there: the capacity line on row 8, the yes/no
// texts of the two fields and the codebreaker's name line; without it nothing is
// written. The cursor is left where it was.
void KORRIGIERE(uint8_t farben, uint8_t laenge, bool wdhg, bool leer, bool anzeigen,
                bool freigeben);

}  // namespace mtspiel
