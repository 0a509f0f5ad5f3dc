// The set of secret codes still possible for the variable answer code: one
// 32-byte record per code, carved from large blocks that are reserved against the
// memory budget. Records are chained through ERL_NAECHSTER; narrowing the set
// unlinks records and never copies them. The blocks form the release chain, so
// the whole set is freed block by block.
#pragma once

#include <cstdint>

namespace mtspiel {

// One possible secret code. The budget counts 32 bytes per code.
struct LISTE_O_F {
  LISTE_O_F* ERL_NAECHSTER;  // next code still possible
  uint64_t MASKE;            // bit s set when sign s occurs in the code (signs 1..36)
  uint8_t INHALT[10];        // INHALT[1..L]: sign numbers 1..n of the code
  uint8_t ANTWORT;           // answer to the latest guess: total x 16 + P, or P alone
};
static_assert(sizeof(LISTE_O_F) == 32, "the budget counts 32 bytes per possible code");
using PTR_O_F = LISTE_O_F*;

// A block of records; the records follow the header in the same allocation.
struct BLOCK_O_F {
  BLOCK_O_F* LOESCH;  // the next older block of the release chain
  uint64_t SAETZE;    // number of records the block holds
};

inline constexpr uint64_t BYTES_JE_CODE = 32;       // counted against the budget per code
inline constexpr uint64_t SAETZE_JE_BLOCK = 65536;  // records per block (2 MiB)

inline PTR_O_F ERL = nullptr;        // head of the chain of codes still possible
inline BLOCK_O_F* ERLLOE = nullptr;  // head of the release chain (newest block first)
inline PTR_O_F FREI_SATZ = nullptr;  // next unused record of the newest block
inline PTR_O_F FREI_ENDE = nullptr;  // end of the newest block
inline int64_t ZAHL_MOEGLICHE = 0;   // codes in the chain from ERL
// The set was built without repeated signs, so the signs two codes have in common
// are the common bits of their masks.
inline bool CODES_OHNE_WDHG = false;

// Reserves (SPEICHER_RESERVIEREN, 32 bytes per record) and allocates a block for
// min(noch, SAETZE_JE_BLOCK) records and puts it at the head of the release chain.
// False when the reservation is refused or the allocation fails; nothing is then
// left reserved for the block.
bool CODE_BLOCK_HOLEN(uint64_t noch);

// A fresh record, taken from the newest block or from a new one sized for the
// noch records still to come; nullptr when no block can be had.
inline PTR_O_F CODE_SATZ(uint64_t noch) {
  if (FREI_SATZ == FREI_ENDE && !CODE_BLOCK_HOLEN(noch)) return nullptr;
  return FREI_SATZ++;
}

// Frees every block and gives their reservations back; the chain is then empty.
void CODES_FREIGEBEN();

}  // namespace mtspiel
