#include "engine/variable_code_store.h"

#include <cstdlib>

#include "engine/memory_budget.h"

namespace mtspiel {

bool CODE_BLOCK_HOLEN(uint64_t noch) {
  const uint64_t saetze = noch < SAETZE_JE_BLOCK ? (noch > 0 ? noch : 1) : SAETZE_JE_BLOCK;
  const uint64_t bytes = saetze * BYTES_JE_CODE;
  if (!SPEICHER_RESERVIEREN(bytes)) return false;
  void* mem = std::malloc(sizeof(BLOCK_O_F) + saetze * sizeof(LISTE_O_F));
  if (mem == nullptr) {
    SPEICHER_ZURUECKGEBEN(bytes);
    return false;
  }
  auto* block = static_cast<BLOCK_O_F*>(mem);
  block->LOESCH = ERLLOE;
  block->SAETZE = saetze;
  ERLLOE = block;
  FREI_SATZ = reinterpret_cast<PTR_O_F>(block + 1);
  FREI_ENDE = FREI_SATZ + saetze;
  return true;
}

void CODES_FREIGEBEN() {
  while (ERLLOE != nullptr) {
    BLOCK_O_F* block = ERLLOE;
    ERLLOE = block->LOESCH;
    SPEICHER_ZURUECKGEBEN(block->SAETZE * BYTES_JE_CODE);
    std::free(block);
  }
  ERL = nullptr;
  FREI_SATZ = FREI_ENDE = nullptr;
  ZAHL_MOEGLICHE = 0;
}

}  // namespace mtspiel
