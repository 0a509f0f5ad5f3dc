// An engine header that includes only layers before it: not reported.
#pragma once

#include "clock/game_clock.h"
#include "game/upward.h"
