// Placeholder until the candidate store's budget is built.
#include "engine/memory_budget.h"

namespace mtspiel {

void LISTEN_FREIGEBEN(bool) {}

}  // namespace mtspiel
