// Symmetries of the search: renamings of positions and signs under which the
// possible codes stay the same set, so that two candidates one maps onto the
// other split the possible codes into classes of the same sizes.
//
// The possible codes are exactly the codes that answer every guess played so
// far as it was answered. A permutation of the positions together with a
// renaming of the signs that maps every played guess onto itself therefore
// maps the possible codes onto themselves, and a candidate g and its image
// have equal class tables. The search examines the first candidate of each
// orbit in chain order (its leader) and gives every later one the leader's
// result: the choice, the tie draws and every count stay those of the plain
// search, only the counting is saved.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/guess_evaluate.h"

namespace mtspiel {

struct SYMMETRIE {
  int laenge = 0;
  // Element e maps code c to the code whose position i holds
  // zeichen[e][c's sign at von[e][i]].
  std::vector<std::array<uint8_t, 9>> von;
  std::vector<std::array<uint8_t, 37>> zeichen;
  // A few elements that generate all the others: an orbit is walked through
  // them, at a cost of its size times their number, not of the group's size.
  std::vector<int> erzeuger;
};

// Every symmetry of the guesses gespielt[0..zahl-1] (code words), at most
// grenze of them (the identity first). Fewer than the whole group is still
// exact: each element listed keeps the class tables. The vacant sign (0) and
// the signs no guess holds keep their names.
void SYMMETRIEN_SUCHEN(const uint64_t* gespielt, int zahl, int laenge, int grenze, SYMMETRIE& s);

// The image of a code word under element e.
uint64_t SYMMETRIE_ABBILDEN(const SYMMETRIE& s, int e, uint64_t wort);

// Open addressing from code words (never 0) to leader numbers.
struct ANFUEHRERTAFEL {
  std::vector<uint64_t> wort;
  std::vector<int32_t> nummer;
  int64_t belegt = 0;
};
// The table is filled a slice at a time, the interruption asked between
// slices (a big table takes tens of milliseconds); false when it asked to stop.
bool TAFEL_LEEREN(ANFUEHRERTAFEL& t, int64_t erwartet, const UNTERBRECHUNG& u = UNTERBRECHUNG{});
// The leader number stored for wort, or -1.
int32_t TAFEL_SUCHEN(const ANFUEHRERTAFEL& t, uint64_t wort);
// Stores wort -> nummer unless wort is there already.
void TAFEL_EINTRAGEN(ANFUEHRERTAFEL& t, uint64_t wort, int32_t nummer);

}  // namespace mtspiel
