#include "tests/support/memory_screen.h"

#include <gtest/gtest.h>

#include "screen/terminal.h"

namespace testsupport {
namespace {

void ThrowExhausted(const term::MemoryTerminal& screen, const char* why) {
  throw ScriptExhausted{why, screen.Dump()};
}

}  // namespace

MemoryScreen::MemoryScreen(int columns, int rows, uint64_t seed) : mem_(columns, rows) {
  mem_.SetExhaustedHandler(ThrowExhausted);
  term::SetBackend(&mem_);
  term::RandSeed(seed);
}

MemoryScreen::~MemoryScreen() {
  term::SetBackend(nullptr);
}

bool RunsToEnd(const std::function<void()>& fn) {
  try {
    fn();
    return true;
  } catch (const ScriptExhausted& e) {
    ADD_FAILURE() << e.why << "\n" << e.screen;
    return false;
  }
}

bool WaitsForKey(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const ScriptExhausted&) {
    return true;
  }
  ADD_FAILURE() << "the routine returned, but it should still be waiting for a key";
  return false;
}

}  // namespace testsupport
