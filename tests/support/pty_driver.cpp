#include "tests/support/pty_driver.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vterm.h>

#include <cstring>

#include "screen/cp850.h"
#include "tests/support/timing.h"

extern char** environ;

namespace testsupport {

// The emulator's callbacks, with access to the driver.
struct PtyDriverCallbacks {
  static int SetTermProp(VTermProp prop, VTermValue* val, void* user) {
    auto* d = static_cast<PtyDriver*>(user);
    if (prop == VTERM_PROP_ALTSCREEN) {
      d->alt_screen_ = val->boolean != 0;
      if (d->alt_screen_) d->alt_screen_used_ = true;
    }
    return 1;
  }
  // The scrollback of the normal screen: lines pushed off its top, and pulled
  // back when the window grows.
  static int PushLine(int cols, const VTermScreenCell* cells, void* user) {
    auto* d = static_cast<PtyDriver*>(user);
    d->scrollback_.emplace_back(reinterpret_cast<const char*>(cells),
                                sizeof(VTermScreenCell) * static_cast<size_t>(cols));
    return 1;
  }
  static int PopLine(int cols, VTermScreenCell* cells, void* user) {
    auto* d = static_cast<PtyDriver*>(user);
    if (d->scrollback_.empty()) return 0;
    const std::string& line = d->scrollback_.back();
    const size_t have = line.size() / sizeof(VTermScreenCell);
    for (size_t i = 0; i < static_cast<size_t>(cols); ++i) {
      if (i < have) {
        std::memcpy(&cells[i], line.data() + i * sizeof(VTermScreenCell), sizeof cells[i]);
      } else {
        std::memset(&cells[i], 0, sizeof cells[i]);
        cells[i].width = 1;
        vterm_color_indexed(&cells[i].fg, 7);
        cells[i].fg.type |= VTERM_COLOR_DEFAULT_FG;
        vterm_color_indexed(&cells[i].bg, 0);
        cells[i].bg.type |= VTERM_COLOR_DEFAULT_BG;
      }
    }
    d->scrollback_.pop_back();
    return 1;
  }
  // Answers of the emulator (to a status query, say) go back to the program.
  static void Output(const char* s, size_t len, void* user) {
    auto* d = static_cast<PtyDriver*>(user);
    if (d->master_ >= 0) (void)!write(d->master_, s, len);
  }
};

PtyDriver::PtyDriver(int columns, int rows, bool utf8) : columns_(columns), rows_(rows) {
  winsize ws{};
  ws.ws_col = static_cast<unsigned short>(columns);
  ws.ws_row = static_cast<unsigned short>(rows);
  if (openpty(&master_, &slave_, nullptr, nullptr, &ws) != 0) master_ = slave_ = -1;
  if (master_ >= 0) {
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
  }
  vt_ = vterm_new(rows, columns);
  vterm_set_utf8(vt_, utf8 ? 1 : 0);
  vterm_output_set_callback(vt_, PtyDriverCallbacks::Output, this);
  screen_ = vterm_obtain_screen(vt_);
  static VTermScreenCallbacks callbacks;
  std::memset(&callbacks, 0, sizeof callbacks);
  callbacks.settermprop = PtyDriverCallbacks::SetTermProp;
  callbacks.sb_pushline = PtyDriverCallbacks::PushLine;
  callbacks.sb_popline = PtyDriverCallbacks::PopLine;
  vterm_screen_set_callbacks(screen_, &callbacks, this);
  vterm_screen_enable_altscreen(screen_, 1);
  vterm_screen_reset(screen_, 1);
}

PtyDriver::~PtyDriver() {
  KillAndReap();
  CloseInput();
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
  if (vt_) vterm_free(vt_);
}

void PtyDriver::Preload(std::string_view bytes) {
  Feed(bytes.data(), bytes.size());
}

bool PtyDriver::Start(const std::string& path, const std::vector<std::string>& argv,
                      const std::string& cwd, const std::vector<std::string>& env) {
  if (master_ < 0 || pid_ > 0) return false;
  tcgetattr(slave_, &mode_before_);
  if (input_from_pipe_) {
    // A key typed after the child ended must not end the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return false;
    input_read_ = ends[0];
    input_write_ = ends[1];
    fcntl(input_write_, F_SETFL, fcntl(input_write_, F_GETFL) | O_NONBLOCK);
  }

  // Everything the child needs is built before the fork.
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) {
    std::string var = *e;
    bool replaced = false;
    for (const std::string& add : env)
      if (var.substr(0, var.find('=') + 1) == add.substr(0, add.find('=') + 1)) replaced = true;
    if (!replaced) environment.push_back(var);
  }
  for (const std::string& add : env) environment.push_back(add);
  std::vector<char*> envp, args;
  for (std::string& s : environment) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_copy = argv;
  for (std::string& s : argv_copy) args.push_back(s.data());
  args.push_back(nullptr);

  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    setsid();
    ioctl(slave_, TIOCSCTTY, 0);
    dup2(input_read_ >= 0 ? input_read_ : slave_, 0);
    dup2(slave_, 1);
    dup2(slave_, 2);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE, SIGTSTP}) signal(sig, SIG_DFL);
    rlimit no_core{0, 0};  // tests that end the program by a signal leave no core files
    setrlimit(RLIMIT_CORE, &no_core);
    execve(path.c_str(), args.data(), envp.data());
    _exit(127);
  }
  pid_ = pid;
  reaped_ = false;
  status_ = {};
  if (input_read_ >= 0) {
    close(input_read_);  // the child's end
    input_read_ = -1;
  }
  return true;
}

void PtyDriver::CloseInput() {
  if (input_read_ >= 0) close(input_read_);
  if (input_write_ >= 0) close(input_write_);
  input_read_ = input_write_ = -1;
}

void PtyDriver::SendKeys(std::string_view bytes) {
  const int to = input_from_pipe_ ? input_write_ : master_;
  if (to < 0) return;
  size_t off = 0;
  const int64_t deadline = NowMs() + 2000;
  while (off < bytes.size() && NowMs() < deadline) {
    ssize_t n = write(to, bytes.data() + off, bytes.size() - off);
    if (n > 0) {
      off += static_cast<size_t>(n);
    } else {
      Pump(5);  // the program is busy printing: make room
    }
  }
}

void PtyDriver::Feed(const char* bytes, size_t n) {
  output_.append(bytes, n);
  vterm_input_write(vt_, bytes, n);
}

void PtyDriver::Pump(int timeout_ms) {
  if (master_ < 0) return;
  const int64_t deadline = NowMs() + timeout_ms;
  for (;;) {
    char buf[8192];
    ssize_t n = read(master_, buf, sizeof buf);
    if (n > 0) {
      Feed(buf, static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    int64_t left = deadline - NowMs();
    if (left <= 0) return;
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) return;
    if (!(p.revents & POLLIN)) return;  // hung up: nothing more will come
  }
}

bool PtyDriver::WaitForText(std::string_view utf8, int timeout_ms) {
  return WaitUntil([&] { return ScreenText().find(utf8) != std::string::npos; }, timeout_ms);
}

bool PtyDriver::WaitUntil(const std::function<bool()>& ready, int timeout_ms) {
  const int64_t deadline = NowMs() + timeout_ms;
  for (;;) {
    Pump(0);
    if (ready()) return true;
    int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    Pump(static_cast<int>(left < 20 ? left : 20));
  }
}

CellView PtyDriver::Cell(int x, int y) const {
  CellView v;
  VTermScreenCell c;
  VTermPos pos{y - 1, x - 1};
  // The empty cell's blank is appended to the empty text rather than assigned:
  // GCC 12 at -O3 warns falsely (-Wrestrict) on assigning a literal there.
  if (x < 1 || y < 1 || x > columns_ || y > rows_ || !vterm_screen_get_cell(screen_, pos, &c)) {
    v.text.push_back(' ');
    return v;
  }
  if (c.chars[0] == 0) {
    v.text.push_back(' ');
  } else if (c.chars[0] == static_cast<uint32_t>(-1)) {
    // The right half of a wide character, which the cell before holds.
  } else {
    for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i]; ++i) {
      char utf8[4];
      v.text.append(utf8, static_cast<size_t>(term::EncodeUtf8(c.chars[i], utf8)));
    }
  }
  auto index = [](const VTermColor& col, bool fg) {
    if (fg ? VTERM_COLOR_IS_DEFAULT_FG(&col) : VTERM_COLOR_IS_DEFAULT_BG(&col)) return -1;
    if (VTERM_COLOR_IS_INDEXED(&col)) return static_cast<int>(col.indexed.idx);
    return -2;  // a direct colour: this program never sends one
  };
  v.fg = index(c.fg, true);
  v.bg = index(c.bg, false);
  v.bold = c.attrs.bold;
  v.blink = c.attrs.blink;
  return v;
}

namespace {

VTermPos CursorPos(VTerm* vt) {
  VTermPos pos;
  vterm_state_get_cursorpos(vterm_obtain_state(vt), &pos);
  return pos;
}

}  // namespace

int PtyDriver::CursorX() const {
  return CursorPos(vt_).col + 1;
}

int PtyDriver::CursorY() const {
  return CursorPos(vt_).row + 1;
}

std::string PtyDriver::RowText(int y) const {
  std::string s;
  for (int x = 1; x <= columns_; ++x) s += Cell(x, y).text;
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string PtyDriver::ScrollbackText() const {
  std::string s;
  for (const std::string& line : scrollback_) {
    std::string row;
    for (size_t at = 0; at + sizeof(VTermScreenCell) <= line.size();
         at += sizeof(VTermScreenCell)) {
      VTermScreenCell c;
      std::memcpy(&c, line.data() + at, sizeof c);
      if (c.chars[0] == 0) {
        row += ' ';
      } else {
        for (int i = 0; i < VTERM_MAX_CHARS_PER_CELL && c.chars[i]; ++i) {
          char utf8[4];
          row.append(utf8, static_cast<size_t>(term::EncodeUtf8(c.chars[i], utf8)));
        }
      }
    }
    while (!row.empty() && row.back() == ' ') row.pop_back();
    s += row;
    s += '\n';
  }
  return s;
}

std::string PtyDriver::ScreenText() const {
  std::string s;
  for (int y = 1; y <= rows_; ++y) {
    s += RowText(y);
    s += '\n';
  }
  return s;
}

ExitStatus PtyDriver::WaitForExit(int timeout_ms) {
  if (pid_ <= 0) return status_;
  const int64_t deadline = NowMs() + timeout_ms;
  while (!reaped_) {
    int st = 0;
    pid_t r = waitpid(pid_, &st, WNOHANG);
    if (r == pid_) {
      reaped_ = true;
      status_.exited = WIFEXITED(st);
      status_.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
      status_.signal = WIFSIGNALED(st) ? WTERMSIG(st) : 0;
      break;
    }
    if (NowMs() >= deadline) {
      KillAndReap();
      status_ = {};
      status_.timed_out = true;
      break;
    }
    Pump(10);  // keep reading, or a child with much to print would block
  }
  Pump(20);  // what is still in the pipe
  return status_;
}

bool PtyDriver::Exited() {
  if (pid_ <= 0 || reaped_) return true;
  int st = 0;
  if (waitpid(pid_, &st, WNOHANG) != pid_) return false;
  reaped_ = true;
  status_.exited = WIFEXITED(st);
  status_.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  status_.signal = WIFSIGNALED(st) ? WTERMSIG(st) : 0;
  return true;
}

void PtyDriver::Resize(int columns, int rows) {
  columns_ = columns;
  rows_ = rows;
  vterm_set_size(vt_, rows, columns);
  winsize ws{};
  ws.ws_col = static_cast<unsigned short>(columns);
  ws.ws_row = static_cast<unsigned short>(rows);
  ioctl(master_, TIOCSWINSZ, &ws);
}

void PtyDriver::Kill(int sig) {
  if (pid_ > 0 && !reaped_) kill(pid_, sig);
}

void PtyDriver::KillAndReap() {
  if (pid_ <= 0 || reaped_) return;
  kill(pid_, SIGKILL);
  int st;
  while (waitpid(pid_, &st, 0) < 0 && errno == EINTR) {
  }
  reaped_ = true;
}

termios PtyDriver::ModeNow() const {
  termios t{};
  tcgetattr(slave_, &t);
  return t;
}

std::string PtyDriver::ModeDifference(const termios& a, const termios& b) {
  std::string d;
  auto flag = [&](const char* name, tcflag_t x, tcflag_t y) {
    if (x != y)
      d += std::string(name) + " " + std::to_string(x) + " != " + std::to_string(y) + "; ";
  };
  flag("c_iflag", a.c_iflag, b.c_iflag);
  flag("c_oflag", a.c_oflag, b.c_oflag);
  flag("c_lflag", a.c_lflag, b.c_lflag);
  flag("c_cflag", a.c_cflag, b.c_cflag);
  for (int i = 0; i < NCCS; ++i)
    if (a.c_cc[i] != b.c_cc[i])
      d += "c_cc[" + std::to_string(i) + "] " + std::to_string(a.c_cc[i]) +
           " != " + std::to_string(b.c_cc[i]) + "; ";
  return d;
}

}  // namespace testsupport
