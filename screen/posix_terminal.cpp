#include "screen/posix_terminal.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "screen/cp850.h"
#include "screen/key_decoder.h"

namespace term {
namespace {

constexpr int kCols = 80;  // the program's logical page
constexpr int kRows = 25;

// Entering: alternate screen, no automatic wrap (the last cell of a row must not
// move the cursor on), and a clean start. Leaving undoes all of it, resets the
// attributes and shows the cursor. The alternate screen is cleared before it is
// left: a terminal that was resized meanwhile may otherwise move rows of it into
// the user's scrollback when it fits the two screens together again.
constexpr char kEnter[] = "\x1b[?1049h\x1b[?7l\x1b[H";
constexpr char kLeave[] = "\x1b[0m\x1b[H\x1b[2J\x1b[?7h\x1b[?25h\x1b[?1049l";

// ---- The state the signal handlers may touch ------------------------------
// Only flags and plain data: the handlers use write(2), tcsetattr and raise.
volatile sig_atomic_t g_on_alt_screen = 0;  // kEnter written, kLeave not yet
volatile sig_atomic_t g_mode_changed = 0;   // the terminal is in our raw mode
volatile sig_atomic_t g_resized = 0;        // SIGWINCH came
volatile sig_atomic_t g_continued = 0;      // the process was stopped and continued
int g_tty_fd = -1;                          // where the mode was saved
int g_out_fd = -1;                          // where kLeave goes
termios g_saved_mode;                       // the mode found at start
termios g_raw_mode;                         // ours
// A pipe the resize and continue handlers write a byte into: waiting for input
// also waits on it, so a signal that comes just before the wait is not missed.
int g_wake[2] = {-1, -1};

void Wake() {
  if (g_wake[1] >= 0) {
    char c = 0;
    (void)!write(g_wake[1], &c, 1);
  }
}

void WriteAllFromHandler(int fd, const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return;
    p += w;
    n -= static_cast<size_t>(w);
  }
}

// Gives the terminal back as found; async-signal-safe.
void RestoreTerminalState() {
  if (g_on_alt_screen) {
    g_on_alt_screen = 0;
    WriteAllFromHandler(g_out_fd, kLeave, sizeof kLeave - 1);
  }
  if (g_mode_changed) {
    g_mode_changed = 0;
    tcsetattr(g_tty_fd, TCSANOW, &g_saved_mode);
  }
}

void AtExitRestore() {
  RestoreTerminalState();
}

// The signals whose default action ends the process.
constexpr int kFatalSignals[] = {SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGPIPE,
                                 SIGSEGV, SIGBUS, SIGFPE,  SIGILL, SIGABRT};

// What was installed before us, so that a handler of a checking tool (which
// reports the crash) still runs after the terminal is back.
struct sigaction g_previous[NSIG];

void OnFatalSignal(int sig, siginfo_t* info, void* context) {
  int saved_errno = errno;
  RestoreTerminalState();
  const struct sigaction& prev = g_previous[sig];
  if (prev.sa_flags & SA_SIGINFO) {
    if (prev.sa_sigaction) prev.sa_sigaction(sig, info, context);
  } else if (prev.sa_handler != SIG_DFL && prev.sa_handler != SIG_IGN) {
    prev.sa_handler(sig);
  }
  // End the way the signal would have ended us, so the parent sees it.
  signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
  errno = saved_errno;
}

void OnStop(int) {
  int saved_errno = errno;
  bool was_on_screen = g_on_alt_screen;
  bool was_raw = g_mode_changed;
  RestoreTerminalState();
  signal(SIGTSTP, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(SIGTSTP);  // stops here until SIGCONT
  signal(SIGTSTP, OnStop);
  if (was_raw) {
    tcsetattr(g_tty_fd, TCSANOW, &g_raw_mode);
    g_mode_changed = 1;
  }
  if (was_on_screen) {
    g_on_alt_screen = 1;
    WriteAllFromHandler(g_out_fd, kEnter, sizeof kEnter - 1);
  }
  g_continued = 1;
  Wake();
  errno = saved_errno;
}

void OnResize(int) {
  int saved_errno = errno;
  g_resized = 1;
  Wake();
  errno = saved_errno;
}

void InstallHandlers() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sigemptyset(&sa.sa_mask);
  sa.sa_sigaction = OnFatalSignal;
  sa.sa_flags = SA_SIGINFO;
  for (int sig : kFatalSignals) {
    struct sigaction& old = g_previous[sig];
    sigaction(sig, nullptr, &old);
    if (!(old.sa_flags & SA_SIGINFO) && old.sa_handler == SIG_IGN) continue;  // nohup and friends
    sigaction(sig, &sa, nullptr);
  }
  sa.sa_flags = 0;
  sa.sa_handler = OnStop;
  sigaction(SIGTSTP, &sa, nullptr);
  sa.sa_handler = OnResize;
  sigaction(SIGWINCH, &sa, nullptr);
}

// ---- Characters -------------------------------------------------------------

// What the console shows for the control bytes 0..31 when they are put into a cell.
constexpr char16_t kControlGlyphs[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};

void AppendUtf8(std::string& out, char32_t c) {
  char utf8[4];
  out.append(utf8, static_cast<size_t>(EncodeUtf8(c, utf8)));
}

// What a character the codeset lacks is drawn with: lines and corners of boxes
// as - | +, blocks as #, accented letters as their base letter, the rest as ?.
// In a codeset other than UTF-8 and code page 850 boxes and blocks are always
// drawn this way: where such a codeset has them at all, they do not line up.
bool IsBoxOrBlock(char32_t c) {
  return (c >= 0x2500 && c <= 0x259F) || c == 0x25A0;
}

char AsciiFallback(char32_t c) {
  if (c >= 0x2500 && c <= 0x257F) {
    if (c == 0x2500 || c == 0x2501 || c == 0x2550) return '-';
    if (c == 0x2502 || c == 0x2503 || c == 0x2551) return '|';
    return '+';
  }
  if ((c >= 0x2580 && c <= 0x259F) || c == 0x25A0) return '#';
  if (c >= 0xC0 && c <= 0xFF) {
    static const char kBase[] = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYTsaaaaaaaceeeeiiiidnooooo:ouuuuyty";
    static_assert(sizeof kBase == 0x40 + 1);
    return kBase[c - 0xC0];
  }
  if (c == 0x0131) return 'i';
  if (c == 0x0192) return 'f';
  return '?';
}

// The character a code page 850 byte shows in a cell: control bytes show the
// console's glyphs, 127 a house.
char32_t CellCharacter(uint8_t ch) {
  if (ch < 32) return kControlGlyphs[ch];
  if (ch == 127) return 0x2302;
  return Cp850ToUnicode(ch);
}

// Converts one character with iconv; true when it became exactly one byte.
bool ConvertOne(iconv_t cd, const char* in, size_t in_len, uint8_t& out) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  char* src = const_cast<char*>(in);
  char buf[8];
  char* dst = buf;
  size_t dst_left = sizeof buf;
  if (iconv(cd, &src, &in_len, &dst, &dst_left) == static_cast<size_t>(-1) || in_len != 0)
    return false;
  if (iconv(cd, nullptr, nullptr, &dst, &dst_left) == static_cast<size_t>(-1)) return false;
  if (dst - buf != 1) return false;
  out = static_cast<uint8_t>(buf[0]);
  return true;
}

// The code point of a complete UTF-8 character (from iconv); 0 if it is none.
char32_t DecodeUtf8Char(const char* s, size_t n) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  if (n == 1 && b(0) < 0x80) return b(0);
  if (n == 2 && (b(0) & 0xE0) == 0xC0) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
  if (n == 3 && (b(0) & 0xF0) == 0xE0)
    return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
  if (n == 4 && (b(0) & 0xF8) == 0xF0)
    return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
  return 0;
}

// The lines of the notice for a window that is too small, word-wrapped to its
// width; '~' keeps "80 x 25" and the size together on one line.
std::vector<std::string> NoticeLines(int columns, int rows) {
  const std::string size = std::to_string(columns) + "~x~" + std::to_string(rows);
  const std::string paragraphs[] = {
      "The game needs a window of 80~x~25 characters; this one has " + size + ".",
      "Ctrl-C ends the program.",
      "",
      "Das Spiel braucht ein Fenster von 80~x~25 Zeichen; dieses hat " + size + ".",
      "Strg-C beendet das Programm.",
  };
  std::vector<std::string> lines;
  const size_t width = columns > 0 ? static_cast<size_t>(columns) : 1;
  for (const std::string& p : paragraphs) {
    if (p.empty()) {
      lines.emplace_back();
      continue;
    }
    std::string line;
    size_t i = 0;
    while (i < p.size()) {
      size_t end = p.find(' ', i);
      if (end == std::string::npos) end = p.size();
      std::string word = p.substr(i, end - i);
      i = end + 1;
      for (char& c : word)
        if (c == '~') c = ' ';
      if (!line.empty() && line.size() + 1 + word.size() > width) {
        lines.push_back(line);
        line.clear();
      }
      if (!line.empty()) line += ' ';
      line += word;
      while (line.size() > width) {  // a word longer than the window
        lines.push_back(line.substr(0, width));
        line.erase(0, width);
      }
    }
    lines.push_back(line);
  }
  // In a very low window the empty line goes first, then what does not fit.
  if (lines.size() > static_cast<size_t>(rows > 0 ? rows : 0)) {
    std::vector<std::string> kept;
    for (std::string& l : lines)
      if (!l.empty()) kept.push_back(std::move(l));
    lines = std::move(kept);
    if (lines.size() > static_cast<size_t>(rows > 0 ? rows : 0))
      lines.resize(static_cast<size_t>(rows > 0 ? rows : 0));
  }
  return lines;
}

int64_t MonotonicMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// ---- The backend --------------------------------------------------------------

class PosixTerminal : public Backend {
 public:
  PosixTerminal(const PosixOptions& o, bool owns_terminal)
      : opt_(o), owns_(owns_terminal), mode_(o.style == OutputStyle::kScreen ? kScreen : kPlain) {
    cols_ = o.columns > 0 ? o.columns : kCols;
    rows_ = o.rows > 0 ? o.rows : kRows;
    for (auto& row : page_)
      for (Cell& c : row) c = {' ', 7};
    ForgetShown();
    BuildCharset();
  }

  int Columns() const override { return cols_; }
  int Rows() const override { return rows_; }

  void PutCell(int x, int y, uint8_t ch, uint8_t attr) override {
    if (mode_ == kLines) return LinePut(x, y, ch);
    if (x < 1 || y < 1 || x > kCols || y > kRows) return;
    page_[y - 1][x - 1] = {ch, attr};
    dirty_ = true;
    page_written_ = false;
  }

  void Clear(uint8_t attr) override {
    if (mode_ == kLines) {
      if (lx_ > 1) out_ += '\n';
      lx_ = ly_ = 1;
      return;
    }
    if (mode_ == kPlain && !page_written_) WritePage();
    for (auto& row : page_)
      for (Cell& c : row) c = {' ', attr};
    clear_attr_ = attr;
    // Only where the page covers the whole terminal may the terminal's own clear
    // paint the background; elsewhere the blanks are drawn cell by cell.
    if (ClearPaintsPage() && ((attr >> 4) & 7) != clear_bg_sent_) send_clear_ = true;
    dirty_ = true;
    page_written_ = true;  // a blank page is not worth a transcript entry
  }

  void ScrollUp(uint8_t attr) override {
    if (mode_ == kLines) {
      --ly_;  // the rows moved up under the real cursor
      return;
    }
    for (int y = 0; y + 1 < kRows; ++y)
      for (int x = 0; x < kCols; ++x) page_[y][x] = page_[y + 1][x];
    for (Cell& c : page_[kRows - 1]) c = {' ', attr};
    dirty_ = true;
    page_written_ = false;
  }

  void SetCursor(int x, int y) override {
    if (x != cx_ || y != cy_) dirty_ = true;
    cx_ = x;
    cy_ = y;
  }

  void Flush() override {
    if (mode_ == kScreen) BuildScreenUpdate();
    if (mode_ == kLines && cy_ > ly_) {  // line ends the layer has written
      out_.append(static_cast<size_t>(cy_ - ly_), '\n');
      ly_ = cy_;
      lx_ = 1;
    }
    WriteOut();
  }

  int ReadByte(int timeout_ms) override {
    if (mode_ == kPlain && timeout_ms < 0 && !page_written_) WritePage();
    const int64_t deadline = timeout_ms < 0 ? -1 : MonotonicMs() + timeout_ms;
    // A long wait ends early when the window changes, so that the layer can
    // switch between the page and the notice at once; the short waits inside a
    // key's sequence go on.
    const bool wake_on_resize = timeout_ms < 0 || timeout_ms > kEscTimeoutMs;
    for (;;) {
      int b = RawByte(deadline, wake_on_resize);
      if (b < 0) return b;
      if (charset_ == kUtf8 && b >= 0xC2 && b <= 0xF4) {
        int c = DecodeUtf8(b);
        if (c == kSwallowed) continue;  // a character code page 850 has not
        b = c;
      } else if (charset_ == kOther && b >= 0x80) {
        if (in_[b] < 0) continue;  // likewise
        b = in_[b];
      }
      if (mode_ == kPlain && !page_written_) WritePage();
      return b;
    }
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
    if (ms <= 0) return;
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
  }

  void Bell() override {
    if (mode_ != kScreen) return;  // no bell bytes in a transcript
    ++bells_;
    dirty_ = true;
  }

  // Gives the terminal back and turns into the plain line writer.
  void Shutdown() override {
    if (mode_ == kLines) return;
    if (mode_ == kPlain && !page_written_) WritePage();
    if (entered_) {
      // The page is about to disappear with the alternate screen: drop it.
      out_ += kLeave;
      entered_ = false;
      if (owns_) g_on_alt_screen = 0;
    }
    WriteOut();
    if (owns_) RestoreTerminalState();
    mode_ = kLines;
    lx_ = 1;
    ly_ = cy_;
  }

  bool PageHidden() override {
    if (owns_) CheckSignals();
    return TooSmall();
  }

  void Redraw() override {
    if (mode_ != kScreen) return;
    ReadSize();  // in case a change of size went unnoticed
    Repaint();
  }

  bool Monochrome() const override { return !opt_.colour; }

 private:
  struct Cell {
    uint8_t ch;
    uint8_t attr;
  };
  // What the terminal shows; -1 where that is unknown.
  struct Shown {
    int16_t ch;
    int16_t attr;
  };
  enum Mode { kScreen, kPlain, kLines };
  enum Charset { kUtf8, kCp850, kOther };
  static constexpr int kSwallowed = -100;

  // The glyph of every code page 850 byte in the output codeset, and for a
  // codeset other than UTF-8 and code page 850 the code page 850 byte of every
  // byte typed (-1: none).
  void BuildCharset() {
    if (CodesetIsCp850(opt_.codeset)) {
      charset_ = kCp850;
      for (int ch = 0; ch < 256; ++ch)  // control bytes stay harmless
        glyph_[ch] = ch >= 32 && ch != 127 ? std::string(1, static_cast<char>(ch)) : "?";
      return;
    }
    if (CodesetMeansUtf8(opt_.codeset)) {
      charset_ = kUtf8;
      for (int ch = 0; ch < 256; ++ch) {
        const char32_t c = CellCharacter(static_cast<uint8_t>(ch));
        glyph_[ch].clear();
        AppendUtf8(glyph_[ch], c);
      }
      return;
    }
    charset_ = kOther;
    iconv_t to = iconv_open(opt_.codeset.c_str(), "UTF-8");
    for (int ch = 0; ch < 256; ++ch) {
      const char32_t c = CellCharacter(static_cast<uint8_t>(ch));
      uint8_t b = 0;
      std::string utf8;
      AppendUtf8(utf8, c);
      if (c < 0x80) {
        b = static_cast<uint8_t>(c);
      } else if (IsBoxOrBlock(c) || to == reinterpret_cast<iconv_t>(-1) ||
                 !ConvertOne(to, utf8.data(), utf8.size(), b) || b < 0xA0) {
        b = static_cast<uint8_t>(AsciiFallback(c));  // never a control byte
      }
      glyph_[ch] = std::string(1, static_cast<char>(b));
    }
    if (to != reinterpret_cast<iconv_t>(-1)) iconv_close(to);
    iconv_t from = iconv_open("UTF-8", opt_.codeset.c_str());
    for (int b = 0; b < 256; ++b) {
      in_[b] = static_cast<int16_t>(b < 0x80 ? b : -1);
      if (b < 0x80 || from == reinterpret_cast<iconv_t>(-1)) continue;
      iconv(from, nullptr, nullptr, nullptr, nullptr);
      char src_byte = static_cast<char>(b);
      char* src = &src_byte;
      size_t src_left = 1;
      char buf[8];
      char* dst = buf;
      size_t dst_left = sizeof buf;
      if (iconv(from, &src, &src_left, &dst, &dst_left) == static_cast<size_t>(-1)) continue;
      const uint8_t cp = UnicodeToCp850(DecodeUtf8Char(buf, static_cast<size_t>(dst - buf)));
      if (cp >= 128) in_[b] = cp;
    }
    if (from != reinterpret_cast<iconv_t>(-1)) iconv_close(from);
  }

  bool TooSmall() const { return mode_ == kScreen && (cols_ < kCols || rows_ < kRows); }
  // The terminal is exactly the page and shows colours: its clear paints the
  // page's background, which saves sending the blanks.
  bool ClearPaintsPage() const { return opt_.colour && cols_ == kCols && rows_ == kRows; }

  void ForgetShown() {
    for (auto& row : shown_)
      for (Shown& s : row) s = {-1, -1};
    px_ = py_ = -1;
    sgr_ = -1;
  }

  // A blank shows only its background; anything else must match exactly.
  static bool Same(const Cell& c, const Shown& s) {
    if (s.ch != c.ch) return false;
    if (s.attr == c.attr) return true;
    return c.ch == ' ' && s.attr >= 0 && ((s.attr ^ c.attr) & 0x70) == 0;
  }

  void CheckSignals() {
    if (g_resized) {
      g_resized = 0;
      ReadSize();
      Repaint();
    }
    if (g_continued) {
      g_continued = 0;
      Repaint();
    }
  }

  void ReadSize() {
    winsize ws{};
    if (ioctl(opt_.out_fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
      cols_ = ws.ws_col;
      rows_ = ws.ws_row;
    }
  }

  void Repaint() {
    ForgetShown();
    send_clear_ = true;
    notice_shown_ = false;
    dirty_ = true;
  }

  void MoveTo(int x, int y) {
    if (x == px_ && y == py_) return;
    out_ += "\x1b[";
    out_ += std::to_string(y);
    out_ += ';';
    out_ += std::to_string(x);
    out_ += 'H';
    px_ = x;
    py_ = y;
  }

  // Colour numbers 0..7 to the terminal's indices: black, blue, green, cyan,
  // red, magenta, brown, grey; a bright foreground (8..15) is the bright form of
  // its base colour. Always from a reset, so that turning blink off needs no
  // special case. Without colours: a bright foreground is bold, a background
  // other than black is reverse video, text in its own background's colour is
  // concealed.
  void SetAttr(uint8_t a) {
    if (a == sgr_) return;
    static const char kIndex[] = "04261537";
    const int fg = a & 15, bg = (a >> 4) & 7;
    out_ += "\x1b[0";
    if (opt_.colour) {
      if (a & 128) out_ += ";5";
      out_ += fg & 8 ? ";9" : ";3";
      out_ += kIndex[fg & 7];
      out_ += ";4";
      out_ += kIndex[bg];
    } else {
      if (fg & 8) out_ += ";1";
      if (a & 128) out_ += ";5";
      if (bg != 0) out_ += ";7";
      if (fg == bg) out_ += ";8";
    }
    out_ += 'm';
    sgr_ = a;
  }

  void AppendChar(uint8_t ch) {
    if (ch >= 32 && ch < 127) {
      out_ += static_cast<char>(ch);
    } else {
      out_ += glyph_[ch];
    }
  }

  // The notice for a window too small for the page, centred as far as it fits,
  // in the terminal's own colours.
  void DrawNotice() {
    out_ += "\x1b[?25l\x1b[0m\x1b[2J";
    sgr_ = -1;
    px_ = py_ = -1;
    const std::vector<std::string> lines = NoticeLines(cols_, rows_);
    const int top = (rows_ - static_cast<int>(lines.size())) / 2 + 1;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].empty()) continue;
      const int x = (cols_ - static_cast<int>(lines[i].size())) / 2 + 1;
      MoveTo(x < 1 ? 1 : x, top + static_cast<int>(i));
      out_ += lines[i];
      px_ = py_ = -1;
    }
    // What the terminal shows is no longer the page.
    ForgetShown();
    send_clear_ = true;
    notice_shown_ = true;
  }

  void BuildScreenUpdate() {
    if (owns_) CheckSignals();
    if (!dirty_) return;
    dirty_ = false;
    if (!entered_) {
      if (owns_) g_on_alt_screen = 1;
      out_ += kEnter;
      entered_ = true;
    }
    if (TooSmall()) {
      if (!notice_shown_) DrawNotice();
      out_.append(static_cast<size_t>(bells_), '\a');
      bells_ = 0;
      return;
    }
    const size_t start = out_.size();
    if (send_clear_) {
      send_clear_ = false;
      if (ClearPaintsPage()) {
        SetAttr(clear_attr_);
        out_ += "\x1b[2J";
        clear_bg_sent_ = (clear_attr_ >> 4) & 7;
        for (auto& row : shown_)
          for (Shown& s : row) s = {' ', clear_attr_};
      } else {
        // The terminal's own colours: nothing outside the page is painted, and
        // the page's blanks are drawn as cells.
        out_ += "\x1b[0m\x1b[2J";
        sgr_ = -1;
        clear_bg_sent_ = -1;
        for (auto& row : shown_)  // without colours, a default blank is a black one
          for (Shown& s : row) s = opt_.colour ? Shown{-1, -1} : Shown{' ', 7};
      }
    }
    for (int y = 1; y <= kRows; ++y) {
      for (int x = 1; x <= kCols; ++x) {
        const Cell& c = page_[y - 1][x - 1];
        Shown& s = shown_[y - 1][x - 1];
        if (Same(c, s)) continue;
        MoveTo(x, y);
        SetAttr(c.attr);
        AppendChar(c.ch);
        s = {c.ch, c.attr};
        px_ = x < cols_ ? x + 1 : -1;  // at the right margin the position is unsure
      }
    }
    const bool drew = out_.size() > start;
    if (drew) out_.insert(start, "\x1b[?25l");  // no cursor flicker while drawing
    MoveTo(cx_, cy_);
    if (drew) out_ += "\x1b[?25h";
    out_.append(static_cast<size_t>(bells_), '\a');
    bells_ = 0;
  }

  // Plain text: the page as lines, trailing blanks and empty rows dropped.
  void WritePage() {
    page_written_ = true;
    int last = kRows;
    auto row_end = [&](int y) {
      int n = kCols;
      while (n > 0 && page_[y][n - 1].ch == ' ') --n;
      return n;
    };
    while (last > 0 && row_end(last - 1) == 0) --last;
    if (last == 0) return;
    if (pages_written_++ > 0) out_ += '\n';
    for (int y = 0; y < last; ++y) {
      int n = row_end(y);
      for (int x = 0; x < n; ++x) AppendChar(page_[y][x].ch);
      out_ += '\n';
    }
    WriteOut();
  }

  // Line output after the terminal was given back: positions become line ends
  // and spaces; nothing can move back up.
  void LinePut(int x, int y, uint8_t ch) {
    LineGoTo(x, y);
    AppendChar(ch);
    ++lx_;
  }

  bool PutSystemText(int x, int y, std::string_view text) override {
    if (mode_ != kLines) return false;
    LineGoTo(x, y);
    bool utf8 = true;
    for (size_t i = 0; i < text.size() && utf8;) utf8 = NextUtf8(text, i) >= 0;
    // Another 8-bit codeset: each character converted to it, when it has one.
    iconv_t to = charset_ == kOther && utf8 ? iconv_open(opt_.codeset.c_str(), "UTF-8")
                                            : reinterpret_cast<iconv_t>(-1);
    for (size_t i = 0; i < text.size(); ++lx_) {
      const size_t von = i;
      const int32_t c = NextUtf8(text, i);
      // C0, DEL and C1 would act on the terminal instead of being shown.
      const bool steuer = c < 0x20 || (c >= 0x7F && c < 0xA0);
      if (charset_ == kUtf8) {
        if (steuer) {
          out_ += '?';
        } else {
          out_.append(text.substr(von, i - von));
        }
      } else if (utf8 && charset_ == kCp850) {
        const uint8_t b = steuer ? 0 : UnicodeToCp850(static_cast<char32_t>(c));
        out_ += b != 0 ? static_cast<char>(b) : '?';
      } else if (utf8) {
        uint8_t b = 0;
        if (c < 0x80) {
          b = static_cast<uint8_t>(c);
        } else if (to == reinterpret_cast<iconv_t>(-1) ||
                   !ConvertOne(to, text.data() + von, i - von, b) || b < 0xA0) {
          b = '?';
        }
        out_ += steuer ? '?' : static_cast<char>(b);
      } else {
        // Not UTF-8: a name in the terminal's own codeset, byte for byte, but
        // never a control byte.
        const auto b = static_cast<unsigned char>(text[von]);
        i = von + 1;
        const bool c1 = charset_ != kCp850 && b >= 0x80 && b < 0xA0;
        out_ += b < 0x20 || b == 0x7F || c1 ? '?' : static_cast<char>(b);
      }
    }
    if (to != reinterpret_cast<iconv_t>(-1)) iconv_close(to);
    return true;
  }

  void LineGoTo(int x, int y) {
    if (y != ly_) {
      out_.append(y > ly_ ? static_cast<size_t>(y - ly_) : 1, '\n');
      ly_ = y;
      lx_ = 1;
    } else if (x < lx_) {
      out_ += '\n';
      lx_ = 1;
    }
    while (lx_ < x) {
      out_ += ' ';
      ++lx_;
    }
  }

  void WriteOut() {
    size_t off = 0;
    while (off < out_.size()) {
      ssize_t n = write(opt_.out_fd, out_.data() + off, out_.size() - off);
      if (n > 0) {
        off += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        pollfd p{opt_.out_fd, POLLOUT, 0};
        poll(&p, 1, 100);
      } else {
        break;  // the terminal is gone; nothing sensible is left to do
      }
    }
    out_.clear();
  }

  // Next input byte before the deadline (-1: none), or kNoByte / kEndOfInput;
  // with wake_on_resize also kNoByte as soon as a change of size was shown.
  int RawByte(int64_t deadline, bool wake_on_resize = false) {
    for (;;) {
      if (in_pos_ < in_len_) return in_buf_[in_pos_++];
      if (in_eof_) return kEndOfInput;
      int wait = -1;
      if (deadline >= 0) {
        int64_t left = deadline - MonotonicMs();
        wait = left > 0 ? static_cast<int>(left) : 0;
      }
      // A resize or a continue after a stop: show the page again at once.
      if (mode_ == kScreen && owns_ && (g_resized || g_continued)) {
        Flush();
        if (wake_on_resize) return kNoByte;
      }
      pollfd fds[2] = {{opt_.in_fd, POLLIN, 0}, {owns_ ? g_wake[0] : -1, POLLIN, 0}};
      const pollfd& p = fds[0];
      int r = poll(fds, fds[1].fd >= 0 ? 2 : 1, wait);
      if (r < 0) {
        if (errno != EINTR) in_eof_ = true;
        continue;
      }
      if (r == 0) return kNoByte;
      if (fds[1].fd >= 0 && (fds[1].revents & POLLIN)) {
        char drain[64];
        while (read(g_wake[0], drain, sizeof drain) > 0) {
        }
        if (!(p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL))) continue;
      }
      if (p.revents & POLLNVAL) {
        in_eof_ = true;
        continue;
      }
      ssize_t n = read(opt_.in_fd, in_buf_, sizeof in_buf_);
      if (n > 0) {
        in_pos_ = 0;
        in_len_ = static_cast<int>(n);
      } else if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
        continue;
      } else {
        in_eof_ = true;  // end of file, or the terminal hung up
      }
    }
  }

  // A typed UTF-8 character after its lead byte: its code page 850 byte, or
  // kSwallowed when code page 850 has no such character. A broken sequence
  // gives its lead byte, and the byte that broke it is read again.
  int DecodeUtf8(int lead) {
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t c = static_cast<char32_t>(lead & (0x3F >> more));
    for (int i = 0; i < more; ++i) {
      int b = RawByte(MonotonicMs() + kEscTimeoutMs);
      if (b < 0) return lead;
      if ((b & 0xC0) != 0x80) {
        --in_pos_;
        return lead;
      }
      c = (c << 6) | static_cast<char32_t>(b & 0x3F);
    }
    uint8_t cp = UnicodeToCp850(c);
    return cp >= 128 ? cp : kSwallowed;
  }

  PosixOptions opt_;
  bool owns_;  // the real terminal: keeps the global restore state in step
  Mode mode_;
  int cols_, rows_;
  Cell page_[kRows][kCols];
  Shown shown_[kRows][kCols];
  Charset charset_ = kUtf8;
  std::string glyph_[256];
  int16_t in_[256];
  bool dirty_ = true;
  bool entered_ = false;
  bool send_clear_ = true;
  bool notice_shown_ = false;  // the notice, not the page, is on the terminal
  uint8_t clear_attr_ = 7;
  int clear_bg_sent_ = -1;
  int bells_ = 0;
  int cx_ = 1, cy_ = 1;  // the layer's cursor
  int px_ = -1, py_ = -1;
  int sgr_ = -1;
  bool page_written_ = true;  // plain text: nothing new since the last page
  int pages_written_ = 0;
  int lx_ = 1, ly_ = 1;  // line output: where the real cursor is on the page
  std::string out_;
  uint8_t in_buf_[256];
  int in_pos_ = 0, in_len_ = 0;
  bool in_eof_ = false;
};

PosixTerminal* the_terminal = nullptr;

// The codeset of the locale the environment names. When that locale is not
// installed, the name itself still tells what the terminal expects.
std::string LocaleCodeset() {
  const char* now = std::setlocale(LC_CTYPE, nullptr);
  std::string keep = now ? now : "C";
  std::string codeset;
  if (std::setlocale(LC_CTYPE, "")) {
    codeset = nl_langinfo(CODESET);
  } else {
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      const char* v = std::getenv(var);
      if (v && *v) {
        codeset = CodesetOfLocaleName(v);
        break;
      }
    }
  }
  std::setlocale(LC_CTYPE, keep.c_str());  // the program's own character handling stays "C"
  return codeset;
}

// A codeset name in capitals without '-' and '_', for comparing.
std::string NormalCodeset(std::string_view codeset) {
  std::string s;
  for (char c : codeset)
    if (c != '-' && c != '_') s += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return s;
}

}  // namespace

bool CodesetIsCp850(std::string_view codeset) {
  const std::string s = NormalCodeset(codeset);
  return s == "IBM850" || s == "CP850" || s == "850";
}

bool CodesetMeansUtf8(std::string_view codeset) {
  const std::string s = NormalCodeset(codeset);
  return s.empty() || s == "UTF8" || s == "ANSIX3.41968" || s == "ASCII" || s == "USASCII";
}

std::string CodesetOfLocaleName(std::string_view name) {
  const size_t dot = name.find('.');
  if (dot == std::string_view::npos) return "";
  std::string_view codeset = name.substr(dot + 1);
  return std::string(codeset.substr(0, codeset.find('@')));
}

std::unique_ptr<Backend> NewPosixBackend(const PosixOptions& options) {
  return std::make_unique<PosixTerminal>(options, false);
}

Backend* OpenPosixTerminal() {
  if (the_terminal) return the_terminal;
  PosixOptions o;
  o.in_fd = STDIN_FILENO;
  o.out_fd = STDOUT_FILENO;
  const bool out_tty = isatty(STDOUT_FILENO);
  o.style = out_tty ? OutputStyle::kScreen : OutputStyle::kPlainText;
  o.codeset = LocaleCodeset();
  const char* no_colour = std::getenv("NO_COLOR");
  o.colour = !(no_colour && *no_colour);
  if (out_tty) {
    winsize ws{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
      o.columns = ws.ws_col;
      o.rows = ws.ws_row;
    }
  }

  // Save and arrange the restore before anything changes.
  g_out_fd = STDOUT_FILENO;
  const bool in_tty = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &g_saved_mode) == 0;
  g_tty_fd = STDIN_FILENO;
  std::atexit(AtExitRestore);
  if (pipe(g_wake) == 0) {
    for (int fd : g_wake) {
      fcntl(fd, F_SETFL, O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  } else {
    g_wake[0] = g_wake[1] = -1;
  }
  InstallHandlers();

  if (in_tty) {
    // Raw: no echo, no line editing, no signal keys (Ctrl-C, Ctrl-Z, Ctrl-\ are
    // keys), no flow control (Ctrl-S, Ctrl-Q are keys), no output processing.
    g_raw_mode = g_saved_mode;
    cfmakeraw(&g_raw_mode);
    g_raw_mode.c_cc[VMIN] = 1;
    g_raw_mode.c_cc[VTIME] = 0;
    g_mode_changed = 1;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &g_raw_mode) != 0) g_mode_changed = 0;
  }
  the_terminal = new PosixTerminal(o, true);
  return the_terminal;
}

void ClosePosixTerminal() {
  if (the_terminal) {
    the_terminal->Shutdown();  // the page on the alternate screen goes with it
    the_terminal->Flush();     // line output written after the terminal was given back
  }
  RestoreTerminalState();
}

}  // namespace term
