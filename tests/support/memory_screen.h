// Test helper: an in-memory terminal installed as the backend, with a key script
// that ends the test cleanly (showing the screen) instead of hanging when a
// routine waits for a key nobody will press.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "screen/memory_terminal.h"

namespace testsupport {

// Thrown by the in-memory terminal when the key script is exhausted.
struct ScriptExhausted {
  std::string why;
  std::string screen;
};

// Owns an 80x25 (or other size) in-memory terminal and installs it for the
// lifetime of the object; the random generator is seeded with a fixed seed.
class MemoryScreen {
 public:
  explicit MemoryScreen(int columns = 80, int rows = 25, uint64_t seed = 1);
  ~MemoryScreen();
  term::MemoryTerminal& mem() { return mem_; }
  term::MemoryTerminal* operator->() { return &mem_; }
  void Keys(std::string_view raw) { mem_.PushKeys(raw); }
  void Esc() { mem_.PushEsc(); }
  void Pause(int polls) { mem_.PushPause(polls); }

 private:
  term::MemoryTerminal mem_;
};

// Runs fn. Returns true when it returned by itself; when it waited for a key with
// the script empty, records a test failure that shows the screen and returns false.
bool RunsToEnd(const std::function<void()>& fn);

// Runs fn, which is expected to end up waiting for a key once the script is used
// up (a screen that only a key leaves). Returns true when it did; a routine that
// returned by itself records a failure and returns false.
bool WaitsForKey(const std::function<void()>& fn);

}  // namespace testsupport
