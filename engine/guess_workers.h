// The worker threads of a search. The main thread cuts the candidates into
// blocks in chain order and takes the results back in that order, so the
// choice and every random draw are those of one thread; the workers only
// count. A worker measures each candidate against the best the main thread
// has published and the best of its own block before it: both come from
// candidates earlier in the chain, so a candidate it calls lost is lost in
// the one-thread search too, and one it does not call lost has its whole
// table. Workers read the store and write only into their block and their
// own tables; the main thread alone draws, reads keys and services the clock.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "engine/guess_evaluate.h"
#include "engine/guess_kernel.h"
#include "engine/guess_store.h"

namespace mtspiel {

// Candidates that one worker evaluates in a row.
struct SUCHBLOCK {
  std::vector<uint64_t> wort;         // the candidates, in chain order
  std::vector<int32_t> schranke_max;  // bound of the largest class (0 = none)
  std::vector<int64_t> schranke_sq;   // bound of the sum of squares
  std::vector<BEWERTUNG> erg;         // one per candidate
  std::vector<int32_t> tabelle_nr;    // its class table in tabellen, or -1 when lost
  std::vector<int32_t> tabellen;      // kKlassen counts per table
  std::atomic<bool> fertig{false};
};

// Evaluates candidate i of the block against the best (bestmax, bestsq):
// lost by its bound alone, or counted. A complete table is kept in the block.
void BLOCKEINTRAG_BEWERTEN(const RATESPEICHER& rs, SUCHBLOCK& b, size_t i, int32_t bestmax,
                           int64_t bestsq, int32_t* tab, ZAEHLPLATZ& platz, const UNTERBRECHUNG& u);

struct SUCHFAEDEN {
  const RATESPEICHER* rs = nullptr;  // read only while the workers run
  std::vector<FADEN> faeden;
  std::mutex mx;                     // guards everything below but halt
  std::condition_variable arbeit;    // a block was queued, or the end
  std::condition_variable erledigt;  // a block is done
  std::deque<SUCHBLOCK*> offen;      // blocks no worker took yet, in chain order
  int32_t best_max = INT32_MAX;      // the best the main thread has taken
  int64_t best_sq = INT64_MAX;
  bool ende = false;              // no more blocks come
  std::atomic<bool> halt{false};  // stop at once (Esc, a cut, the turn's end)
};

// Starts up to zahl workers on the store rs; returns how many started (fewer
// when the system has no more threads). With none, the caller counts the
// candidates itself and queues no blocks.
int FAEDEN_STARTEN(SUCHFAEDEN& f, int zahl, const RATESPEICHER* rs);
// Queues a block; it must live until the workers are stopped or it is done.
void BLOCK_GEBEN(SUCHFAEDEN& f, SUCHBLOCK* b);
// Publishes the best the main thread has taken so far.
void BESTEN_MELDEN(SUCHFAEDEN& f, int32_t max, int64_t sq);
// Waits at most ms milliseconds for the block; true when it is done.
bool BLOCK_ABWARTEN(SUCHFAEDEN& f, SUCHBLOCK& b, int ms);
// Stops the workers (a counting worker gives up within one slice of codes) and
// joins them. Queued blocks are left as they are.
void FAEDEN_BEENDEN(SUCHFAEDEN& f);

}  // namespace mtspiel
