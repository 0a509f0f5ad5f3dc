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

// Every block of the candidate store is taken through these two, so that the
// store never exceeds the budget MEMGES nor the memory the machine can actually
// give (a set-up that would need more stops cleanly instead of being killed).
// SPEICHER_RESERVIEREN returns false when the bytes cannot be had.
bool SPEICHER_RESERVIEREN(uint64_t bytes);
void SPEICHER_ZURUECKGEBEN(uint64_t bytes);
// Test hook: when >= 0, the reservation with this number (counted from 0 since
// the hook was set) fails, as an exhausted machine would.
inline int64_t FEHLSCHLAG_BEI_RESERVIERUNG = -1;

// Frees both record chains when alles; in every case recomputes the capacity
// table if the budget changed, and applies the caps.
void LISTEN_FREIGEBEN(bool alles);

}  // namespace mtspiel
