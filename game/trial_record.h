// The record of a trial with its answer and the ring of the last 30 trials.
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

}  // namespace mtspiel
