// The variable answer code: the set of secret codes still consistent with every
// answer, the computer answering so that as many as possible remain, and the
// referee of a human encoder's answers.
#pragma once

#include <cstdint>

#include "game/answer_order.h"
#include "game/conditions.h"

namespace mtspiel {

// Builds the set of all possible secret codes; ok is false when the user broke
// off or an allocation failed (the set is then released and A = Esc).
void INIT_NICHT_FEST(bool& ok);

// The answering step for a human's guess g (already read and shown): copies g
// into versuch, answers with p and s (computed, or typed by a human encoder and
// refereed) and narrows the set. taste = Esc when the user broke off.
void ANTWORT_NICHT_FEST(const CODE& g, CODE& versuch, uint8_t& p, uint8_t& s, char& taste);

// A human encoder types the answer P, S for a guess at (WX, WY) / (X3I, K) as the
// board says, given the class counts of the possible codes: a P that every
// non-empty class shares is filled in, S likewise when only one class has that P,
// typed digits naming an empty class are refused, Backspace at S re-asks a typed P.
// taste = Esc on Esc or Ctrl-C.
void LESE_ANTWORT(const KLASSENTABELLE& klassen, uint8_t& p, uint8_t& s, char& taste);

}  // namespace mtspiel
