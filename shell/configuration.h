// The configuration page: terminal hints and the choice of the memory budget.
#pragma once

namespace morvandeltrisk {

// Main-menu choice 8. Moves the mark over the 15 memory budgets and keeps the
// choice in SPEICHERWAHL and X.SPEICHER on every end key (there is no cancel);
// the budget itself takes effect when the next game starts.
void KONFIGURATION();

}  // namespace morvandeltrisk
