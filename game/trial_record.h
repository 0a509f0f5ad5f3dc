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

// The trials on the board, used as a ring: trial t lives in slot V30_PLATZ(t), so
// after 30 trials each new one overwrites the oldest.
inline VFELD V30 = {};
inline int32_t NUMMER = 0;  // number of the current trial

// The slot of V30 that holds trial number t (t >= 1).
constexpr int V30_PLATZ(int32_t t) {
  return static_cast<int>((t - 1) % 30) + 1;
}

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
