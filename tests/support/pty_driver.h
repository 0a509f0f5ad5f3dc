// Test helper: runs a program under a pseudo-terminal and keeps a terminal
// emulator's view of everything it prints, so that end-to-end tests can type
// keys, wait for text, read rows and colours, send signals and compare the
// terminal mode before start and after the end.
//
// Nothing here can hang a test: every wait has a timeout, and a child that is
// still running when a wait fails or the driver goes away is killed.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct VTerm;
struct VTermScreen;

namespace testsupport {

// How the child ended.
struct ExitStatus {
  bool exited = false;     // returned from main or called exit: code is valid
  int code = -1;           //
  int signal = 0;          // ended by this signal (0 when it exited)
  bool timed_out = false;  // still running at the timeout; it was killed
};

// One screen cell as the emulator shows it.
struct CellView {
  std::string text;  // UTF-8, " " for an empty cell, "" for the right half of a wide one
  int fg = -1;       // palette index 0..15, -1 for the terminal's default colour
  int bg = -1;
  bool bold = false;
  bool blink = false;
};

class PtyDriver {
 public:
  // A terminal of the given size (columns x rows); the program's page is 80x25.
  // With utf8 false the emulator is an 8-bit terminal: bytes 0x80..0x9F are
  // control codes to it, as to a terminal set to ISO-8859-1.
  explicit PtyDriver(int columns = 80, int rows = 25, bool utf8 = true);
  ~PtyDriver();
  PtyDriver(const PtyDriver&) = delete;
  PtyDriver& operator=(const PtyDriver&) = delete;

  // Feeds bytes to the emulator as if printed before the program started: the
  // user's earlier screen, which must be back after the program ends.
  void Preload(std::string_view bytes);

  // Starts path with argv (argv[0] included) in directory cwd (empty: the
  // current one), with the environment of the test plus env ("NAME=value",
  // replacing a variable of that name). Returns false when the start failed.
  bool Start(const std::string& path, const std::vector<std::string>& argv,
             const std::string& cwd = "", const std::vector<std::string>& env = {});
  // Called before Start: the child's standard input becomes a pipe instead of
  // the terminal (its output still goes to the terminal). SendKeys writes into
  // the pipe, and CloseInput closes it, as the end of a piped input would.
  void InputFromPipe() { input_from_pipe_ = true; }
  void CloseInput();

  // Types bytes on the terminal ("\x1b" is Esc, "\x1b[A" the Up key).
  void SendKeys(std::string_view bytes);

  // Reads what the program prints until the screen contains utf8 somewhere, or
  // timeout_ms pass. Returns whether it appeared.
  bool WaitForText(std::string_view utf8, int timeout_ms);
  // Reads what the program prints until ready() holds for the screen, or
  // timeout_ms pass. Returns whether it came to hold.
  bool WaitUntil(const std::function<bool()>& ready, int timeout_ms);

  // Reads pending output for up to timeout_ms (0: only what is there).
  void Pump(int timeout_ms);

  // Row y (1-based) as UTF-8, trailing blanks dropped.
  std::string RowText(int y) const;
  // All rows, one line each, for failure messages.
  std::string ScreenText() const;
  // The lines that scrolled off the top of the normal screen into the scrollback
  // (and were not pulled back by a taller window), oldest first, one line each.
  std::string ScrollbackText() const;
  // Cell (x, y), 1-based.
  CellView Cell(int x, int y) const;
  // Where the cursor stands, 1-based.
  int CursorX() const;
  int CursorY() const;
  // Whether the program's alternate screen is shown now / was ever shown.
  bool AltScreen() const { return alt_screen_; }
  bool AltScreenUsed() const { return alt_screen_used_; }
  // Every byte the program wrote, as it came.
  const std::string& Output() const { return output_; }

  // Waits for the child to end, reading its output meanwhile; after the timeout
  // the child is killed and timed_out is set.
  ExitStatus WaitForExit(int timeout_ms);
  // Whether the child has ended (reaped, its status kept for WaitForExit);
  // never waits and never kills.
  bool Exited();
  // Changes the terminal's size, as a user dragging the window would; the
  // program gets SIGWINCH.
  void Resize(int columns, int rows);
  // Sends a signal to the child (if it runs).
  void Kill(int sig);
  pid_t Pid() const { return pid_; }

  // The terminal mode of the pty before the program started, and now. The
  // driver keeps its own descriptor of the terminal, so the mode can be read
  // after the child has ended.
  const termios& ModeBeforeStart() const { return mode_before_; }
  termios ModeNow() const;
  // Compares the flags and control characters; an empty string when equal,
  // otherwise what differs.
  static std::string ModeDifference(const termios& a, const termios& b);

 private:
  void Feed(const char* bytes, size_t n);
  void KillAndReap();

  int columns_, rows_;
  int master_ = -1;
  int slave_ = -1;
  bool input_from_pipe_ = false;
  int input_read_ = -1;  // the pipe's ends while the child's input is one
  int input_write_ = -1;
  pid_t pid_ = -1;
  bool reaped_ = false;
  ExitStatus status_;
  termios mode_before_{};
  VTerm* vt_ = nullptr;
  VTermScreen* screen_ = nullptr;
  bool alt_screen_ = false;
  bool alt_screen_used_ = false;
  std::string output_;
  std::vector<std::string> scrollback_;  // the emulator's cells of each line, as bytes

  friend struct PtyDriverCallbacks;
};

}  // namespace testsupport
