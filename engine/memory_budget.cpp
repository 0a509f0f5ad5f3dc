// Placeholder until the candidate store's budget is built.
#include "engine/memory_budget.h"

namespace mtspiel {

void LISTEN_FREIGEBEN(bool) {}
bool SPEICHER_RESERVIEREN(uint64_t) { return true; }
void SPEICHER_ZURUECKGEBEN(uint64_t) {}

}  // namespace mtspiel
