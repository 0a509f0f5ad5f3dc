// The record of a trial with its answer, the ring of the last 30 trials, and the
// conditions check that decides what the computer can do within its budget.
#pragma once

#include <cstdint>

#include "game/conditions.h"

namespace mtspiel {

#pragma pack(push, 1)
struct VERSUCH {
  int16_t NR;        // number of the trial as shown: the trial number mod 1000
  CODE KOMBINATION;  // the guess, positions 1..LAENGE
  uint8_t P;         // signs on the same position
  uint8_t S;         // further signs in common
};
#pragma pack(pop)
static_assert(sizeof(VERSUCH) == 13);

using VFELD = VERSUCH[31];  // slots 1..30; slot 0 unused

inline VFELD V30 = {};
inline int32_t NUMMER = 0;  // number of the current trial

// What the computer can do under the current conditions.
inline bool KANN_RATEN = true;
inline bool KANN_MOGELN = true;

// Checks the conditions (farben signs, length laenge) against the fixed limits and
// the memory budget; switches off what the computer cannot do (PC_RAET, FEST of X),
// redrawing it when anzeigen; freigeben is passed to LISTEN_FREIGEBEN.
void KORRIGIERE(uint8_t farben, uint8_t laenge, bool wdhg, bool leer, bool anzeigen,
                bool freigeben);

}  // namespace mtspiel
