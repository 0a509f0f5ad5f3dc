// Minimal real terminal backend; to be completed (signals, alternate screen,
// plain-text mode, code page 850 locale).
#include "screen/posix_terminal.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "screen/cp850.h"

namespace term {
namespace {

termios saved_mode;
bool raw = false;

class PosixTerminal : public Backend {
 public:
  int Columns() const override { return cols_; }
  int Rows() const override { return rows_; }
  void PutCell(int x, int y, uint8_t ch, uint8_t attr) override {
    if (x > cols_ || y > rows_) return;
    if (x != px_ || y != py_) MoveTo(x, y);
    SetAttr(attr);
    char buf[4];
    out_.append(buf, Cp850ToUtf8(ch, buf));
    px_ = x + 1;
    py_ = y;
    if (out_.size() > 4096) Flush();
  }
  void Clear(uint8_t attr) override {
    SetAttr(attr);
    out_ += "\x1b[2J";
    px_ = py_ = -1;
  }
  void ScrollUp(uint8_t attr) override {
    SetAttr(attr);
    out_ += "\x1b[25;1H\n";
    px_ = py_ = -1;
  }
  void SetCursor(int x, int y) override {
    cx_ = x;
    cy_ = y;
  }
  void Flush() override {
    if (cx_ != px_ || cy_ != py_) MoveTo(cx_, cy_);
    size_t off = 0;
    while (off < out_.size()) {
      ssize_t n = write(STDOUT_FILENO, out_.data() + off, out_.size() - off);
      if (n <= 0) break;
      off += static_cast<size_t>(n);
    }
    out_.clear();
  }
  int ReadByte(int timeout_ms) override {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    int r = poll(&p, 1, timeout_ms);
    if (r <= 0) return kNoByte;
    unsigned char c;
    ssize_t n = read(STDIN_FILENO, &c, 1);
    if (n == 1) return c;
    return kEndOfInput;
  }
  LocalTime Now() override {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t;
    localtime_r(&ts.tv_sec, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_wday,
            t.tm_hour,        t.tm_min,     t.tm_sec,  static_cast<int>(ts.tv_nsec / 10000000)};
  }
  void Sleep(int ms) override {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&ts, nullptr);
  }
  void Bell() override { out_ += '\a'; }

 private:
  void MoveTo(int x, int y) {
    out_ += "\x1b[" + std::to_string(y) + ";" + std::to_string(x) + "H";
    px_ = x;
    py_ = y;
  }
  void SetAttr(uint8_t a) {
    if (a == attr_) return;
    attr_ = a;
    static const char map[8] = {'0', '4', '2', '6', '1', '5', '3', '7'};
    out_ += "\x1b[0";
    if (a & 8) out_ += ";1";
    if (a & 128) out_ += ";5";
    out_ += ";3";
    out_ += map[a & 7];
    out_ += ";4";
    out_ += map[(a >> 4) & 7];
    out_ += 'm';
  }
  int cols_ = 80, rows_ = 25;
  int px_ = -1, py_ = -1, cx_ = 1, cy_ = 1;
  int attr_ = -1;
  std::string out_;
};

PosixTerminal* the_terminal = nullptr;

}  // namespace

Backend* OpenPosixTerminal() {
  if (!the_terminal) {
    the_terminal = new PosixTerminal;
    if (tcgetattr(STDIN_FILENO, &saved_mode) == 0) {
      termios t = saved_mode;
      cfmakeraw(&t);
      tcsetattr(STDIN_FILENO, TCSAFLUSH, &t);
      raw = true;
    }
  }
  return the_terminal;
}

void ClosePosixTerminal() {
  if (the_terminal) {
    the_terminal->Flush();
    const char reset[] = "\x1b[0m\x1b[?25h";
    (void)!write(STDOUT_FILENO, reset, sizeof reset - 1);
  }
  if (raw) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_mode);
    raw = false;
  }
}

}  // namespace term
