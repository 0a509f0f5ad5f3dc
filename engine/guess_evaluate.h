// One candidate guess against all possible codes: its class table and its
// score, giving up as soon as it cannot beat the best so far. Called by the
// main thread and by the search's worker threads alike; it reads the store
// and writes only into the table and the scratch it is given.
#pragma once

#include <cstdint>

#include "engine/guess_kernel.h"
#include "engine/guess_store.h"

namespace mtspiel {

struct BEWERTUNG {
  bool verloren = false;   // cannot beat the best it was measured against
  bool abbruch = false;    // the interruption asked to stop
  int32_t max = 0;         // largest class (when not lost)
  int64_t sq = 0;          // sum of squared class sizes
  int cls = 0;             // classes that are not empty
  bool ex = false;         // class (L, L) holds exactly one code: g may be the code
  int64_t vergleiche = 0;  // possible codes counted
};

// Asked between slices of the possible codes (arbeit: codes counted since the
// last call); true stops the evaluation with abbruch set.
struct UNTERBRECHUNG {
  bool (*frage)(void* kontext, int64_t arbeit) = nullptr;
  void* kontext = nullptr;
};

// Counts the possible codes of rs into the class table of g (tab, kKlassen
// entries, rows above L zero) and scores it. g is lost when its table ends
// with a largest class above bestmax, or equal to it with a sum of squares
// above bestsq; it is then abandoned as soon as that is certain, and the table
// holds a part of the counts only. Otherwise the table is complete.
// While the possible codes are open (rs is RS), they are made as they are
// counted and the table is always complete.
BEWERTUNG KANDIDAT_BEWERTEN(const RATESPEICHER& rs, uint64_t g, int32_t* tab, ZAEHLPLATZ& platz,
                            int32_t bestmax, int64_t bestsq, const UNTERBRECHUNG& u);

}  // namespace mtspiel
