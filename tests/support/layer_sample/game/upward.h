// A game header that reaches up into the engine: the include order check must
// name it.
#pragma once

#include "engine/budget.h"
#include "screen/terminal.h"
