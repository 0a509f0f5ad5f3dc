// A terminal in memory: 80x25 cells with their attributes, a scripted queue of
// key bytes, a clock that the caller sets, and no device at all. Tests and the
// headless self-play drive every screen through it.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "screen/terminal.h"

namespace term {

class MemoryTerminal : public Backend {
 public:
  explicit MemoryTerminal(int columns = 80, int rows = 25);

  // ---- Backend ----
  int Columns() const override { return cols_; }
  int Rows() const override { return rows_; }
  void PutCell(int x, int y, uint8_t ch, uint8_t attr) override;
  void Clear(uint8_t attr) override;
  void ScrollUp(uint8_t attr) override;
  void SetCursor(int x, int y) override;
  void Flush() override {}
  int ReadByte(int timeout_ms) override;
  LocalTime Now() override;
  void Sleep(int ms) override;
  void Bell() override { ++bells_; }

  // ---- Screen contents ----
  uint8_t CharAt(int x, int y) const;  // code page 850 byte, ' ' outside
  uint8_t AttrAt(int x, int y) const;
  std::string Row(int y) const;      // the code page 850 bytes of a whole row
  std::string RowUtf8(int y) const;  // the same row as UTF-8 text
  // Text of length n from (x, y), as UTF-8.
  std::string Text(int x, int y, int n) const;
  // The whole screen as UTF-8, one numbered line per row, for failure messages.
  std::string Dump() const;
  int CursorX() const { return cur_x_; }
  int CursorY() const { return cur_y_; }
  // Number of PutCell calls so far: a test takes it before and after a call to
  // see whether the call wrote anything.
  long CellsWritten() const { return cells_written_; }
  int Bells() const { return bells_; }
  long SleptMs() const { return slept_ms_; }

  // ---- Keys ----
  // Raw bytes as a terminal would send them ("\x1b[A" is the Up key).
  void PushKeys(std::string_view bytes);
  // The Esc key alone: Esc followed by a pause, so that the key decoder does not
  // take the next scripted byte as part of an escape sequence.
  void PushEsc();
  // n polls that find no key: lets a routine that polls the keyboard while it
  // works (the computer's set-up) finish before the next scripted keys arrive.
  void PushPause(int n = 1);
  size_t PendingKeys() const { return keys_.size(); }
  // When the script is empty, a blocking read, or this many polls in a row that
  // find nothing, mean that the routine under test waits for a key nobody will
  // press. The handler is then called with a message; it should not return
  // (tests throw, other users abort). If it returns, the input counts as closed.
  using ExhaustedHandler = void (*)(const MemoryTerminal& screen, const char* why);
  void SetExhaustedHandler(ExhaustedHandler h) { on_exhausted_ = h; }
  long max_idle_polls = 2'000'000;

  // ---- Clock ----
  void SetClock(int year, int month, int day, int hour, int minute, int second, int hundredths = 0);
  // Every poll (ReadByte with a timeout of 0 or more) advances the clock by this
  // many hundredths, so that loops driven by the clock make progress.
  void SetClockStep(int hundredths_per_poll) { step_ = hundredths_per_poll; }
  void Advance(int64_t hundredths);

 private:
  struct Cell {
    uint8_t ch = ' ';
    uint8_t attr = 7;
  };
  Cell& At(int x, int y) { return cells_[(y - 1) * cols_ + (x - 1)]; }
  const Cell& At(int x, int y) const { return cells_[(y - 1) * cols_ + (x - 1)]; }

  int cols_, rows_;
  std::vector<Cell> cells_;
  int cur_x_ = 1, cur_y_ = 1;
  long cells_written_ = 0;
  int bells_ = 0;
  long slept_ms_ = 0;
  std::deque<int> keys_;  // bytes, and kPause where no byte comes for a while
  static constexpr int kPause = -1;
  long idle_polls_ = 0;
  ExhaustedHandler on_exhausted_ = nullptr;
  int64_t day_ = 20000;     // days since 1970-01-01
  int64_t hundredths_ = 0;  // of the day, 0..8,639,999
  int step_ = 0;
};

}  // namespace term
