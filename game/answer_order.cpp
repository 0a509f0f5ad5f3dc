// Placeholder until the answer order is built.
#include "game/answer_order.h"

namespace mtspiel {

void REIHENFOLGE() {}

}  // namespace mtspiel
