// The memory budget of the computer player: the 15 budgets of the configuration
// page, the capacity table of guessable sign counts, the record sizes and counts,
// and the release of the whole candidate store.
#pragma once

#include <cstdint>

namespace mtspiel {

// Budget in bytes of each memory choice 1..15 (entry 0 unused).
inline constexpr int64_t SPEICHER_BYTES[16] = {0,           673280,      5386240,     43089920,
                                               86179840,    172359680,   344719360,   689438720,
                                               1378877440,  2757754880,  5515509760,  11031019520,
                                               22062039040, 44124078080, 88248156160, 176473500000};
// The label of each choice, seven characters ("  1 MiB" .. "256 GiB").
inline constexpr const char* SPEICHER_TEXT[16] = {
    "",        "  1 MiB", "  8 MiB", " 64 MiB", "128 MiB", "256 MiB", "512 MiB", "  1 GiB",
    "  2 GiB", "  4 GiB", "  8 GiB", " 16 GiB", " 32 GiB", " 64 GiB", "128 GiB", "256 GiB"};

inline int64_t MEMAVAIL_FPC = 5515509760;   // the budget in bytes
inline int64_t MERKEMEMAVAIL = -5;          // the budget at the last recomputation
inline bool GEAENDERT = false;              // the budget changed at the last recomputation
inline int64_t MEMGES = 0;                  // usable budget, a multiple of 32
inline uint8_t ZAEHLEFARBEN[11] = {};       // entries 2..9: largest sign count per length
inline uint8_t MERKEZAEHLEFARBEN[11] = {};  // the same, as last shown
inline uint16_t SIZERATEN = 32;             // bytes per candidate-guess record
inline uint64_t SIZERATENPTR = 32;
inline int32_t MEMRATE = 0;  // candidate guesses the set-up allocates
inline int32_t MEMLOES = 0;  // possible secret codes of the variable code

// Every block or chunk of either store (the guesses and the variable code) is
// reserved through these two before it is allocated and returned after it is
// freed, so that the store never exceeds the budget MEMGES nor the memory the
// machine can actually give: on this platform an allocation rarely fails, pages
// are simply taken until the kernel kills the process, so a set-up that would
// need more must stop cleanly as an exhausted budget does.
//
// SPEICHER_RESERVIEREN(bytes) returns true and adds bytes to SPEICHER_RESERVIERT
// (and to SPEICHER_BELEGT) when SPEICHER_RESERVIERT + bytes stays within MEMGES
// and SPEICHER_BELEGT + bytes within the machine limit; otherwise it returns
// false and changes nothing. The machine limit is read
// when the running total is 0 (the first reservation of a set-up): MemAvailable of
// /proc/meminfo less a safety margin of the larger of 256 MiB and a tenth. A
// caller whose reservation is refused, or whose allocation then returns null
// (after giving the reservation back), ends its set-up as after Esc.
// SPEICHER_ZURUECKGEBEN(bytes) takes back exactly what was reserved for a block.
// Neither function allocates anything.
bool SPEICHER_RESERVIEREN(uint64_t bytes);
void SPEICHER_ZURUECKGEBEN(uint64_t bytes);
// The same for a block that occupies resident bytes of the machine's memory
// while it counts bytes against the budget: the guessing store keeps its codes
// in fewer bytes than the budget's record size, and the machine limit is about
// what is really there. The one-argument forms count the same bytes for both.
bool SPEICHER_RESERVIEREN(uint64_t bytes, uint64_t resident);
void SPEICHER_ZURUECKGEBEN(uint64_t bytes, uint64_t resident);
// Test hook: when >= 0, the reservation with this number (counted from 0 since
// the hook was set) fails, as an exhausted machine would. The hook counts down
// with each reservation and is -1 again once it has fired.
inline int64_t FEHLSCHLAG_BEI_RESERVIERUNG = -1;
// Bytes reserved now, and the most reserved at any time since the total was last 0.
inline uint64_t SPEICHER_RESERVIERT = 0;
// Resident bytes reserved now (what the machine limit is compared with).
inline uint64_t SPEICHER_BELEGT = 0;
inline uint64_t SPEICHER_SPITZE = 0;
// The machine limit read at the start of the running set-up, in bytes.
inline uint64_t SPEICHER_MASCHINENGRENZE = 0;
// Test hook: when >= 0, taken as MemAvailable instead of reading /proc/meminfo.
inline int64_t SPEICHER_VERFUEGBAR_TEST = -1;
// Bytes the machine can give now (MemAvailable), or -1 when it cannot be read.
int64_t SPEICHER_VERFUEGBAR();
// What of that a store may take: SPEICHER_VERFUEGBAR less the safety margin (the
// larger of 256 MiB and a tenth); UINT64_MAX when the machine cannot be read.
uint64_t SPEICHER_MASCHINE();

// ---- Real sizes of the stores ------------------------------------------------
// What a set-up really takes at its peak, working memory included, as opposed to
// the budget's notional record sizes. The conditions check compares these with
// SPEICHER_MASCHINE, so that a store the machine cannot hold is switched off
// before its set-up fills the machine and gives up. They follow the arrays the
// set-ups allocate (guess_store.cpp, variable_code_store.cpp) and must be kept
// in step with them.
//
// The guessing set-up for laenge positions over farben signs (leer: the vacant
// sign is one more sign of the candidates, the all-vacant code left out), with
// c candidates and m possible codes (farben^laenge with repetitions, else
// farben!/(farben-laenge)!), w = ceil(farben * (wdhg ? laenge : 1) / 64)
// sign-count words per possible code, b = farben + leer. The most it holds at
// once, plus its decoding tables 8 (b^(laenge/2) + b^(laenge - laenge/2)):
//   the store during play: candidates 8c, class marks c, possible codes 8m(1+w);
//   a small store (c <= MISCH_KLEIN_BIS) while it is shuffled: bucket rings 8c,
//   hash table 9t (t the power of two >= max(1024, 2c)), sorted bucket list 8c
//   and the chain 8c;
//   a big one while it draws: its bucket words 4c and the shuffle tables
//   2^25 + 2^22 bytes; while it sorts: bucket words 4c, sort room 8c and the
//   chain 8c (the tables are given back by then).
uint64_t RATESPEICHER_BYTES(int laenge, int farben, bool wdhg, bool leer);
// The variable answer code's set: 32 bytes per code, and one page of header and
// rounding per block of SAETZE_JE_BLOCK codes.
uint64_t CODESPEICHER_BYTES(int laenge, int farben, bool wdhg);

// Frees both record chains when alles (the variable code's set here, the guess
// store through RATEN_SPEICHER_FREIGEBEN) and clears NEUER_KANDIDAT; in every
// case recomputes MEMGES and the capacity table ZAEHLEFARBEN if MEMAVAIL_FPC
// changed since the last call (GEAENDERT tells whether it did), and applies the
// caps of lengths 6..9, which keep every code count below 2^31.
void LISTEN_FREIGEBEN(bool alles);

}  // namespace mtspiel
