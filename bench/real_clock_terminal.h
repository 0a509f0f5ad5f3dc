// The in-memory terminal with the machine's real clock, for runs with a time
// limit: the computer's search is then cut by the game's own clock and rules.
#pragma once

#include <chrono>
#include <ctime>

#include "screen/memory_terminal.h"

namespace benchsupport {

class RealClockTerminal : public term::MemoryTerminal {
 public:
  bool echt = true;  // false: the set clock of the in-memory terminal
  term::LocalTime Now() override {
    if (!echt) return MemoryTerminal::Now();
    const auto jetzt = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(jetzt);
    std::tm tm{};
    localtime_r(&t, &tm);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(jetzt.time_since_epoch()).count() %
        1000;
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday,
            tm.tm_hour,        tm.tm_min,     tm.tm_sec,  static_cast<int>(ms / 10)};
  }
};

}  // namespace benchsupport
