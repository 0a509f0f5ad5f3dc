// The layout of the candidate store, shared by the set-up and the search.
//
// A code is one 64-bit word with seven bits per position (position i in bits
// 7(i-1)..7(i-1)+6, sign numbers 0..36 in the low six bits of each lane), so
// that the positions in common with another code are counted with one xor, one
// add and one population count. A possible code also carries a sign-count
// word set: bit (s-1)*KMAX + (k-1) is set when sign s occurs at least k times,
// so the signs two codes have in common are the population count of an and.
#pragma once

#include <pthread.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace mtspiel {

// Bit 6 of each of the nine lanes: the lane is nonzero after adding kLaneFill.
inline constexpr uint64_t kLaneFill = 0x3FULL | 0x3FULL << 7 | 0x3FULL << 14 | 0x3FULL << 21 |
                                      0x3FULL << 28 | 0x3FULL << 35 | 0x3FULL << 42 |
                                      0x3FULL << 49 | 0x3FULL << 56;
inline constexpr int kMaxWorte = 6;  // sign-count words: 36 signs x 9 counts at most

struct RATESPEICHER {
  int laenge = 0;            // L
  int farben = 0;            // n
  bool leer = false;         // the vacant sign is among the candidates' signs
  int kmax = 1;              // highest sign count a possible code can have that matters
  int worte = 1;             // sign-count words per possible code
  uint64_t lanes = 0;        // bit 6 of every used lane
  uint64_t* kand = nullptr;  // candidate guesses in chain order
  int64_t kand_n = 0;
  size_t kand_bytes = 0;
  uint8_t* marke = nullptr;  // class mark per chain slot (when GENUGPLATZ)
  size_t marke_bytes = 0;
  uint64_t* erl = nullptr;  // possible codes, 1 + worte words each, in chain order
  int64_t erl_n = 0;
  size_t erl_bytes = 0;
  // The possible codes are written into erl only when the first answer that
  // is not (0, 0) narrows them: until then (offen) they are every code of the
  // set-up's records that may be the secret and holds none of the signs in
  // ohne, made afresh from the record numbers when they are needed, and erl_n
  // counts them. The set-up thus writes a fraction of the memory it would.
  bool offen = false;
  uint64_t ohne = 0;        // bit s: sign s was answered (0, 0) while offen
  uint64_t aufbau = 0;      // which set-up built the store (each has its own number)
  uint64_t reserviert = 0;  // bytes counted against the memory budget
};
inline RATESPEICHER RS;

// Where the making of the open possible codes has got to: the records bis-1
// down to von are still to come, so that the codes come in the order erl holds
// them once written.
struct MOEGLICHE_LAUF {
  uint32_t bis = 0;
  uint32_t von = 0;
};
// All the set-up's records, from the first possible code on.
MOEGLICHE_LAUF MOEGLICHE_ANFANG();
// Writes the next open possible codes (1 + worte words each, in erl's order)
// into puffer, which holds platz of them, and returns how many. 0 may come
// before the end when none of the records looked at is left; the end is
// lauf.bis == lauf.von. Reads only what the set-up left: threads may make
// codes at once, each from its own stretch of records.
int64_t MOEGLICHE_HOLEN(MOEGLICHE_LAUF& lauf, uint64_t* puffer, int64_t platz);

// Code word of sign numbers z[1..laenge].
uint64_t CODEWORT(const uint8_t* z, int laenge);
// Sign numbers z[1..laenge] of a code word.
void WORT_ZEICHEN(uint64_t wort, int laenge, uint8_t* z);
// Sign counts (0..36) of a code word.
void WORT_ANZAHL(uint64_t wort, int laenge, uint8_t anzahl[37]);
// The sign-count words of a code word, as RS lays them out.
void WORT_ZAEHLBITS(uint64_t wort, uint64_t* bits);
// Bit mask over sign numbers 0..36 of the signs in a code word.
uint64_t WORT_ZEICHENMENGE(uint64_t wort, int laenge);

// Memory for the big arrays comes straight from the kernel, so that it goes back
// to it when the store is released (resident memory between games stays small).
void* SEITEN_HOLEN(size_t bytes);
// Whether SEITEN_HOLEN maps with huge pages; each set-up chooses (see
// SEITEN_WAEHLEN), unless a test sets SEITEN_PROBE.
inline bool SEITEN_GROSS = true;
// Chooses the pages of a store that writes `bytes` whole: ordinary pages when
// the kernel holds that much free memory and a third more in blocks smaller
// than a huge page (`klein_frei`; the rest is for the set-up's tables and for
// others), huge pages otherwise. A huge page takes a whole free block, which a
// virtual machine's host may have taken back after a few seconds free and must
// then provide afresh, a sixth of a gigabyte a second on the machine this was
// measured on (the first set-up of a game: 8 positions with 9 signs took
// 1.8-2.1 s, against 1.0-1.1 s with ordinary pages). Small free blocks stay
// with the machine: ordinary pages from them came at 2-3 GB/s. A big store
// would use them up, and then pays the same with many more faults; 6 positions
// with 26 signs took half as long again with ordinary pages.
void SEITEN_WAEHLEN(size_t bytes, size_t klein_frei);
// The free memory in blocks smaller than a huge page, from the kernel's table
// of free blocks by order (/proc/buddyinfo, as `text`); 0 when it cannot be read.
size_t KLEIN_FREI(const char* text, size_t seite, size_t grosse_seite);
// The same, read from the running kernel.
size_t KLEIN_FREI_JETZT();
// Big mappings are given back by a background thread, so that the game never
// waits for the kernel to take back gigabytes; small ones at once.
void SEITEN_ABGEBEN(void* p, size_t bytes);
// Waits until every mapping handed to SEITEN_ABGEBEN is back with the kernel
// (before the memory the machine can give is measured for a new set-up).
void FREIGABE_ABWARTEN();

// A helper thread (the set-up's workers, the search's, the one that gives
// memory back), started with every signal blocked, so that signals (Ctrl-Z, the
// end of the terminal, a kill) are handled on the main thread as before there
// were helpers. Starting fails without harm when the system has no thread to
// give: the work then goes on with fewer helpers, or on the caller's thread.
struct FADEN {
  pthread_t id{};
  bool laeuft = false;  // started and not yet waited for
};
bool FADEN_STARTEN(FADEN& f, void (*arbeit)(void*), void* kontext);
// Waits for a started thread to end; nothing when none was started.
void FADEN_WARTEN(FADEN& f);
// Test hook: how many more helper threads may start (below 0: no limit), so
// that tests can play a system that runs out of threads.
inline int FADEN_ERLAUBT = -1;
// The processors this program may run on: those of the machine, or fewer
// when it is confined to some of them (a container, a pinned process). More
// threads than these only take turns on them, and a thread that hands work
// to another then waits for its turn.
int KERNE();

// Frees the store and gives back its budget (RATEN_SPEICHER_FREIGEBEN) and then
// lets the budget owner release the rest (LISTEN_FREIGEBEN with true).
void ALLES_FREIGEBEN();

// Rate limiter for looking at the keyboard and the clock inside long loops:
// arbeit is the work done since the last call (in code comparisons).
struct ABFRAGE {
  int64_t bis = 0;
  std::chrono::steady_clock::time_point zuletzt{};
};
bool ABFRAGE_FAELLIG(ABFRAGE& a, int64_t arbeit);
// Redraws the clock (and runs the test hook). Requests a progress reading first.
void UHR_BEDIENEN();
// Reads the waiting keys: true on Esc or Ctrl-C; F4/F6 in any shift form set
// F6_GEDR when f6 is allowed; every other key is read and dropped.
bool TASTEN_LESEN(bool f6);

}  // namespace mtspiel
