// The computer as codebreaker: the shuffle table, the guessing set-up with its
// opening guesses, the opening-pattern text and the choice of each guess.
//
// The candidate store is not a web of heap records: every code is one 64-bit
// word (seven bits per position), the candidates lie in one array in their
// random order and the possible codes in another, so that the search streams
// through contiguous memory. The budget still counts one record of SIZERATEN
// bytes per candidate, as the memory configuration promises the user.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/conditions.h"

namespace mtspiel {

// ---- Opening guess --------------------------------------------------------
// Random order of the positions (1..L) and of the signs (1..n) in which the
// opening pattern is laid out; PERMF[0] is the filler sign (0 = vacant).
inline uint8_t PERMZ[10] = {};
inline uint8_t PERMF[37] = {};
// Work lists from which the permutations are drawn, and the index drawn last.
inline uint8_t ZAHLENREIHENFOLGE[10] = {};
inline uint8_t FARBENREIHENFOLGE[37] = {};
inline uint8_t HILFZAHLREIHENFOLGE = 0;
inline uint8_t HILFFARBREIHENFOLGE = 0;
// A second, independent pair that scrambles the enumeration of all codes, so
// that neither the store's order nor its first candidates betray a sign order.
inline uint8_t PERMZTM[10] = {};
inline uint8_t PERMFTM[37] = {};
inline uint8_t ZAHLENREIHENFOLGETM[10] = {};
inline uint8_t FARBENREIHENFOLGETM[37] = {};
inline uint8_t HILFZAHLREIHENFOLGETM = 0;
inline uint8_t HILFFARBREIHENFOLGETM = 0;
// The opening guess: sign numbers at positions 1..L (0 = vacant) and the count
// of each sign 0..36 in it.
inline uint8_t ANFANG[10] = {};
inline uint8_t ANFANG_ANZAHL[37] = {};
// ANFANG_BILDEN was given arguments it can build a pattern for.
inline bool OK = false;
// The candidate record has a spare byte for the class mark of the search.
inline bool GENUGPLATZ = false;

// ---- Progress and bookkeeping of the search ---------------------------------
// Candidates examined by every search since program start; the self-play
// signature counts them, so a change in the search's pruning shows.
inline int64_t KANDIDATEN_GESAMT = 0;
// Candidate-against-possible-code comparisons made by every search, for the
// benchmarks' rate per comparison.
inline int64_t VERGLEICHE_GESAMT = 0;

// How often the search looks at the keyboard and the clock: the cheap monotonic
// clock is read after about this many code comparisons, and the keyboard and
// the clock display are serviced when this many nanoseconds have passed. Tests
// set both to 0 to service after every candidate.
inline int64_t ABFRAGE_VERGLEICHE = 1 << 15;
inline int64_t ABFRAGE_INTERVALL_NS = 1'000'000;
// Test hook: called after every service of the clock during set-up and search,
// so a test can play the part of the clock (SPIELZEIT, RESTZEIT).
inline void (*UHR_TESTHAKEN)() = nullptr;
// Test hook: when >= 0, the memory reservation of the store with this number
// (counted from 0 at the start of each set-up) fails as an exhausted machine would.
inline int64_t FEHLSCHLAG_BEI_STOREBLOCK = -1;
// Test hook: the number of shuffle buckets is 2^MISCHFELD_BITS (25 in the game);
// fewer buckets make the insertion into a bucket's ring decide the order.
inline int MISCHFELD_BITS = 25;
// Stores of up to this many records are shuffled through a small hash table of
// bucket rings; bigger ones by drawing every record's bucket and place first and
// sorting afterwards, on several threads. Both give the same order; tests move
// the line to compare.
inline int64_t MISCH_KLEIN_BIS = int64_t{1} << 18;
// Test hook: every place drawn in a big set-up takes the path of the raw
// numbers so close to 2^64 that their rejection depends on the bucket's
// counter (which the big shuffle does not keep: it takes the bucket's records
// from the main thread's count of its first ones, from the filing's count of
// those beyond, or counts them when that has reached its top). Since a real
// raw number is never that close, each count taken is also checked against
// the bucket's items counted; MISCH_SELTEN_FALSCH counts those that differ.
inline bool MISCH_SELTENER_WEG = false;
inline int64_t MISCH_SELTEN_FALSCH = 0;
// A part of a big set-up with up to this many records is replayed by linking
// each bucket's records, a bigger one (whose scratch would not fit the cache)
// after a counting sort by bucket. Both give the same order; tests move the line.
inline int64_t MISCH_VERKETTET_BIS = 32768;
// Test hook for the home regions of a big set-up's parts: 1 leaves them no
// room to spare, so that parts spill and their stretches of the chain run
// into their neighbours' regions (the replay waits for those, or writes the
// chain apart when it would have to wait for a later part); 2 always writes
// the chain apart.
inline int MISCH_HEIM_PROBE = 0;
// Test hook for the pages of a store: -1 lets the set-up choose (see
// SEITEN_WAEHLEN), 0 gives ordinary pages, 1 huge pages, 2 huge pages and a
// big set-up's chain faulted in before its draws, whatever its size, as the
// biggest stores have it.
inline int SEITEN_PROBE = -1;
// Threads of a big set-up, the main thread included: 0 = one per processor
// the program may run on, at most 8. Tests set it to compare thread counts.
inline int AUFBAU_FAEDEN = 0;
// Worker threads of the big set-up that are running, as the main thread saw
// them at its latest look at the clock, and whether all draws were made by
// then (for tests).
inline int AUFBAU_ARBEITER = 0;
inline bool AUFBAU_GEZOGEN = false;
// Records of the latest big set-up that the main thread filed itself while a
// worker was to (for tests and the benchmark), and a test hook: a worker
// takes up the filing only once this many records are drawn.
inline int64_t AUFBAU_SELBST_ABGELEGT = 0;
inline int64_t AUFBAU_ABLAGE_AB = 0;

// ---- How the search uses the machine ---------------------------------------
// Worker threads that count candidates while the main thread keeps the clock
// and the keyboard; 1 = the main thread counts alone. As many as the machine
// has cores, at most 8.
int SUCHFAEDEN_MASCHINE();
inline int SUCHFAEDEN_ZAHL = SUCHFAEDEN_MASCHINE();
// The workers start only when there are at least this many possible codes:
// below it a candidate is counted faster than a worker can be handed it.
// Tests set 0 to send every search through the workers.
inline int64_t SUCHFAEDEN_AB = 4096;
// Candidates one of whose symmetries maps onto an earlier candidate take that
// one's result; the bound of the rows drops candidates without counting them.
// Both leave every choice as it is; tests switch them off to compare.
inline bool SUCHE_SYMMETRIE = true;
inline bool SUCHE_SCHRANKE = true;
// Symmetries used at most: each costs a moment for every new orbit.
inline int SYMMETRIE_GRENZE = 40320;
// Groups up to this size map a new orbit's leader by every element; larger
// ones walk the orbit through their generators. Tests move the line.
inline int64_t SYMMETRIE_LISTE_BIS = 5040;
// The guesses that narrowed the possible codes in this game (emptied with the
// store): the symmetries of the possible codes are theirs.
inline std::vector<uint64_t> GESPIELTE_CODES;

// ---- Entry points -----------------------------------------------------------
// Called between games to leave the shuffle empty: nothing stays behind to
// clear, since each set-up maps its own tables and gives them back.
void INITFELD();
// Builds the candidate store; ok is false when the user broke off or an
// allocation failed (the store is then released and A = Esc).
void INIT_RATEN(bool& ok);
// One turn of the computer as codebreaker: the guess into code, its answer into
// p and s; taste = Esc when the user broke off.
void RATE_CODE(CODE& code, uint8_t& p, uint8_t& s, char& taste);
// Frees every record of the candidate-guess store (called by LISTEN_FREIGEBEN).
void RATEN_SPEICHER_FREIGEBEN();
// The 12-character opening-pattern text for the board.
std::string INIT_MUSTER(uint8_t laenge, uint8_t farben, bool wdhg, bool leer);
// Writes the opening guess for laenge positions and zeichen signs into ANFANG,
// laid out through PERMZ and PERMF; fuell allows the patterns with the filler
// PERMF[0]; zeigen writes it at the cursor.
void ANFANG_BILDEN(uint8_t laenge, uint8_t zeichen, bool wdhg, bool fuell, bool zeigen);
// The next opening guess over the signs still allowed while every answer was (0, 0).
void ANFANG_NEU();

// ---- Read-only views of the store, for tests and tools ---------------------
// Number of codes that may still be the secret.
int64_t MOEGLICHE_CODES();
// Sign numbers (positions 1..L) of possible code i (0 = first in chain order).
// Writes the possible codes out first while they are open.
void MOEGLICHER_CODE(int64_t i, uint8_t zeichen[10]);
// Sign numbers of the candidate at chain position i.
void KANDIDAT(int64_t i, uint8_t zeichen[10]);
// Resident bytes of this process (from the kernel's accounting), for benchmarks.
int64_t RESIDENTER_SPEICHER();

}  // namespace mtspiel
