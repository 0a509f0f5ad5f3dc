// The configuration page: terminal hints and the choice of the memory budget.
#pragma once

namespace morvandeltrisk {

void KONFIGURATION();

}  // namespace morvandeltrisk
