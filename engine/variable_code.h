// The variable answer code: the set of secret codes still consistent with every
// answer, the computer answering so that as many as possible remain, and the
// referee of a human encoder's answers.
#pragma once

#include <cstdint>

#include "game/answer_order.h"
#include "game/conditions.h"

namespace mtspiel {

// Builds the set of all possible secret codes of X (LAENGE, MAXFARBE, WDHG) at
// game start: the clock is redrawn every 256th code, the keyboard is polled every
// few thousand codes (Esc or Ctrl-C break off, other keys are read and ignored),
// progress stars grow on row 25 from column 44. ok is false when the user broke
// off or memory ran out (budget or machine, see SPEICHER_RESERVIEREN); the set is
// then released, A = Esc and the clock stopped. In both cases row 25 is rewritten
// as the status line of a human guessing and the cursor stays where it was.
void INIT_NICHT_FEST(bool& ok);

// The answering step for a human's guess g (already read and shown on the board,
// cursor anywhere), called by LESE_CODE when the answer code is variable. Copies g
// into versuch and answers with p and s:
//  - a guess without any still-possible sign gets (0, 0) at once;
//  - a guess held in V30 from an earlier trial of this game (slots
//    1..min(NUMMER - 1, 30)) gets the answer stored there;
//  - otherwise the set is partitioned by the answer each code would give and
//    the computer encoder (X.PC_STELLT) takes the largest class in the order of
//    REIHENFOLGE (ties to the earlier class), or a human encoder types the
//    answer through LESE_ANTWORT; the set keeps the codes of the chosen class.
// P and S end up at (X3I, K) and (X4I, K), the cursor at (X4I, K). p = LAENGE
// means solved: LOESUNG holds the code, the set is released, the clock stopped.
// taste = Esc (and versuch untouched, the set released, the clock stopped) when
// the user broke off; otherwise taste is left as it was.
void ANTWORT_NICHT_FEST(const CODE& g, CODE& versuch, uint8_t& p, uint8_t& s, char& taste);

// A human encoder types the answer P, S to a guess, refereed against the codes
// still possible. Shared by the variable code (a human guesses) and by the
// computer's guessing (the computer guesses against a human encoder).
//
// klassen[T][P] (KLASSENTABELLE, T = P + S in 0..LAENGE, P in 0..T) is the number
// of still-possible codes that would give the answer P, S = T - P; only classes
// with a count above 0 can be answered. At least one class must be non-empty.
//
// Where it writes: P at column X3I and S at column X4I of row K (the game loop
// sets K to the row of the current trial; the computer's guessing sets
// X3I := WX and X4I := WX + 2 before calling). With sound on (X.TON) it first
// beeps 440 Hz for 500 ms, so callers must not beep themselves. While waiting
// for a key it keeps the clock running (SCHREIBE_ZEIT_FPC).
//
// How: a P shared by every non-empty class is filled in, else a digit is read at
// X3I until one names a P of some non-empty class (digits above LAENGE refused).
// S is filled in when exactly one non-empty class has that P (so S = 0 for
// P >= LAENGE - 1), else a digit is read at X4I until S <= LAENGE - P and class
// (P + S, P) is non-empty. Backspace while S is read clears a typed P (a blank at
// X3I) and asks P again; after a filled-in P it is refused. Extended keys and
// other keys are ignored. On return the cursor is at (X4I, K).
//
// taste = Esc when Esc or Ctrl-C was pressed (p and s are then meaningless);
// otherwise taste is left as it was. LESE_ANTWORT releases nothing itself.
void LESE_ANTWORT(const KLASSENTABELLE& klassen, uint8_t& p, uint8_t& s, char& taste);

}  // namespace mtspiel
