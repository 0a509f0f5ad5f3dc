// A bound on a candidate's classes that needs no pass over the possible codes.
//
// The total T of an answer (signs in common) depends only on how often each
// sign occurs in candidate and code, not on where. Grouping the possible codes
// by their sign counts gives, for a candidate, the number N_T of codes in each
// row T of its class table from one look at each group. Row T has at most
// k_T classes (P = 0..T; in row L the class P = L - 1 cannot occur, since a
// code with all signs in common and all but one in place has the last one in
// place too), so some class of the row holds at least ceil(N_T / k_T) codes,
// and the sum of squares is at least that of the rows spread evenly.
//
// The positions give a second bound. At most a_i codes hold the candidate's
// sign at position i, so at least N - (a_1 + ... + a_L) codes have P = 0.
// They lie in the classes (T, 0), at most N_T of them in row T; the largest
// of these classes is therefore at least the level at which N_T, each cut
// off there, add up to that many. A candidate whose bound already loses
// against the best so far is lost: its real table is at least as bad.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/guess_evaluate.h"
#include "engine/guess_store.h"

namespace mtspiel {

struct ZEILENSCHRANKE {
  bool aktiv = false;  // grouping pays: far fewer groups than codes
  int laenge = 0;
  int worte = 1;
  int64_t gruppen = 0;
  std::vector<uint64_t> bits;     // the sign-count words of each group
  std::vector<int64_t> anzahl;    // codes in each group
  int64_t codes = 0;              // possible codes in all
  int64_t an_stelle[9][37] = {};  // possible codes with sign s at position i
  // Bounds already computed, by the candidate's sorted signs (0 = free slot).
  std::vector<uint64_t> schluessel;
  std::vector<int32_t> max;
  std::vector<int64_t> sq;
  std::vector<int32_t> zeilen;  // N_0..N_L of each, 10 a slot
  int64_t belegt = 0;
};

// Groups the possible codes of the store by their sign counts. Worth it only
// when the groups are far fewer than the codes; otherwise aktiv stays false.
// The interruption is asked between slices of the codes; false when it asked
// to stop (aktiv is then false).
bool SCHRANKE_VORBEREITEN(ZEILENSCHRANKE& z, const RATESPEICHER& rs,
                          const UNTERBRECHUNG& u = UNTERBRECHUNG{});

// Lower bounds of candidate g's largest class and sum of squares.
void SCHRANKE_BERECHNEN(ZEILENSCHRANKE& z, uint64_t g, int32_t& max, int64_t& sq);

// The bound alone shows that g loses against the best (bestmax, bestsq): a
// class above bestmax, or one at it with a sum of squares above bestsq.
inline bool SCHRANKE_VERLIERT(int32_t max, int64_t sq, int32_t bestmax, int64_t bestsq) {
  return max > bestmax || (max == bestmax && sq > bestsq);
}

}  // namespace mtspiel
