// The possible codes while the store holds them open (RS.offen): counted
// against a guess and written out by all threads at once, each taking pieces
// of the set-up's records in turn. The counts and the codes written are those
// of one thread going through the records in order.
#pragma once

#include <cstdint>

#include "engine/guess_evaluate.h"
#include "engine/guess_kernel.h"

namespace mtspiel {

// Records from which helper threads join in (tests lower it).
inline int64_t OFFEN_MEHRERE_AB = int64_t{1} << 19;

// Counts the open possible codes into the class table of a.gwort (a.tab,
// entries below a.klassen cleared by the caller; a.erl and a.platz are not
// used). Returns how many were counted, or -1 when the interruption asked to
// stop. The counts of each piece are kept, so that MOEGLICHE_SCHREIBEN can
// narrow by an answer to this guess on all threads.
int64_t MOEGLICHE_ZAEHLEN(const ZAEHLAUFTRAG& a, const UNTERBRECHUNG& u);

// Writes the open possible codes whose answer to g is the class klasse
// (total * 16 + P; all of them when klasse < 0) into RS.erl, in their order,
// and closes them. False when the interruption asked to stop: the store then
// holds a part of them only and must be released.
bool MOEGLICHE_SCHREIBEN(uint64_t g, int klasse, const UNTERBRECHUNG& u);

// Forgets the counts kept by the last MOEGLICHE_ZAEHLEN (with the store).
void OFFENE_ZAEHLUNG_FREIGEBEN();

}  // namespace mtspiel
