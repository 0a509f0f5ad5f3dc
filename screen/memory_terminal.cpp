#include "screen/memory_terminal.h"

#include <cstdio>
#include <cstdlib>

#include "screen/cp850.h"

namespace term {
namespace {

constexpr int64_t kDay = 8'640'000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

void AbortOnExhausted(const MemoryTerminal& screen, const char* why) {
  std::fprintf(stderr, "in-memory terminal: %s\n%s", why, screen.Dump().c_str());
  std::abort();
}

}  // namespace

MemoryTerminal::MemoryTerminal(int columns, int rows)
    : cols_(columns), rows_(rows), cells_(static_cast<size_t>(columns * rows)) {
  SetClock(2026, 12, 8, 12, 0, 0);
}

void MemoryTerminal::PutCell(int x, int y, uint8_t ch, uint8_t attr) {
  ++cells_written_;
  if (x < 1 || y < 1 || x > cols_ || y > rows_) return;
  At(x, y) = {ch, attr};
}

void MemoryTerminal::Clear(uint8_t attr) {
  for (Cell& c : cells_) c = {' ', attr};
}

void MemoryTerminal::ScrollUp(uint8_t attr) {
  for (int y = 1; y < rows_; ++y)
    for (int x = 1; x <= cols_; ++x) At(x, y) = At(x, y + 1);
  for (int x = 1; x <= cols_; ++x) At(x, rows_) = {' ', attr};
}

void MemoryTerminal::SetCursor(int x, int y) {
  cur_x_ = x;
  cur_y_ = y;
}

int MemoryTerminal::ReadByte(int timeout_ms) {
  if (!keys_.empty() && keys_.front() == kPause) {
    keys_.pop_front();
    if (timeout_ms >= 0) return kNoByte;
  }
  if (!keys_.empty()) {
    idle_polls_ = 0;
    int b = keys_.front();
    keys_.pop_front();
    return b;
  }
  const char* why = nullptr;
  if (timeout_ms < 0) {
    why = "a routine waits for a key, but the key script is empty";
  } else {
    Advance(step_);
    if (++idle_polls_ > max_idle_polls)
      why = "a routine keeps polling for a key, but the key script is empty";
  }
  if (!why) return kNoByte;
  idle_polls_ = 0;
  (on_exhausted_ ? on_exhausted_ : AbortOnExhausted)(*this, why);
  return kEndOfInput;
}

LocalTime MemoryTerminal::Now() {
  LocalTime t{};
  CivilFromDays(day_, t.year, t.month, t.day);
  int64_t w = (day_ + 4) % 7;  // 1970-01-01 was a Thursday
  t.weekday = static_cast<int>(w < 0 ? w + 7 : w);
  int64_t h = hundredths_;
  t.hour = static_cast<int>(h / 360000);
  t.minute = static_cast<int>(h / 6000 % 60);
  t.second = static_cast<int>(h / 100 % 60);
  t.hundredths = static_cast<int>(h % 100);
  return t;
}

void MemoryTerminal::Sleep(int ms) {
  slept_ms_ += ms;
  Advance(ms / 10);
}

uint8_t MemoryTerminal::CharAt(int x, int y) const {
  if (x < 1 || y < 1 || x > cols_ || y > rows_) return ' ';
  return At(x, y).ch;
}

uint8_t MemoryTerminal::AttrAt(int x, int y) const {
  if (x < 1 || y < 1 || x > cols_ || y > rows_) return 0;
  return At(x, y).attr;
}

std::string MemoryTerminal::Row(int y) const {
  std::string s;
  for (int x = 1; x <= cols_; ++x) s += static_cast<char>(CharAt(x, y));
  return s;
}

std::string MemoryTerminal::Text(int x, int y, int n) const {
  std::string s;
  char buf[4];
  for (int i = 0; i < n; ++i) s.append(buf, Cp850ToUtf8(CharAt(x + i, y), buf));
  return s;
}

std::string MemoryTerminal::RowUtf8(int y) const {
  return Text(1, y, cols_);
}

std::string MemoryTerminal::Dump() const {
  std::string s;
  char num[24];
  for (int y = 1; y <= rows_; ++y) {
    std::snprintf(num, sizeof num, "%2d|", y);
    s += num;
    s += RowUtf8(y);
    s += "|\n";
  }
  std::snprintf(num, sizeof num, "%d,%d", cur_x_, cur_y_);
  s += "cursor at ";
  s += num;
  s += "\n";
  return s;
}

void MemoryTerminal::PushKeys(std::string_view bytes) {
  for (char c : bytes) keys_.push_back(static_cast<uint8_t>(c));
}

void MemoryTerminal::PushPause(int n) {
  for (int i = 0; i < n; ++i) keys_.push_back(kPause);
}

void MemoryTerminal::PushEsc() {
  keys_.push_back(27);
  keys_.push_back(kPause);
}

void MemoryTerminal::SetClock(int year, int month, int day, int hour, int minute, int second,
                              int hundredths) {
  day_ = DaysFromCivil(year, month, day);
  hundredths_ = hour * 360000LL + minute * 6000LL + second * 100LL + hundredths;
}

void MemoryTerminal::Advance(int64_t hundredths) {
  hundredths_ += hundredths;
  day_ += hundredths_ / kDay;
  hundredths_ %= kDay;
}

}  // namespace term
