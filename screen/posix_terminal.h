// The real terminal: raw, non-echoing input on standard input and escape
// sequences on standard output, with code page 850 shown as UTF-8 unless the
// locale itself is code page 850.
//
// While the program runs it draws on the terminal's alternate screen, so the
// user's own screen is untouched and comes back at the end. The backend keeps the
// 80x25 page in memory and at every Flush sends only the cells that changed, in
// one write; cells beyond a smaller terminal are dropped, and a resized,
// stopped-and-continued terminal is repainted.
//
// The exit screen: once the terminal is given back (term::RestoreTerminal, or
// ClosePosixTerminal), the backend turns into a plain line writer. Everything
// written through the layer afterwards goes out as ordinary lines below what the
// user had on the screen: ClrScr only starts a fresh line, rows become line ends,
// columns become spaces, no attributes or cursor sequences are sent, and code
// page 850 is still translated. So the exit routine gives the terminal back first
// and then writes its lines with term::WriteLn as usual; they stay on the
// terminal after the process ends. Text from the system (the program's path,
// term::WriteLnSystemText) goes out in the terminal's own encoding there: UTF-8
// as it is, or code page 850 bytes on a code page 850 terminal.
//
// When standard output is no terminal (a file or a pipe) nothing but plain text
// is written: the page is kept in memory and written as lines (trailing blanks
// and empty rows dropped, pages separated by an empty line) when a key is read,
// before the program blocks waiting for one, before the page is cleared and at
// the end.
#pragma once

#include <memory>
#include <string_view>

#include "screen/terminal.h"

namespace term {

// Puts the terminal into raw mode and returns the backend. Before anything is
// changed the mode found is saved (once) and its restoration registered for a
// normal exit and for the signals that end the process (SIGTERM, SIGHUP, SIGQUIT,
// SIGINT, SIGPIPE, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT): the handler puts the
// mode back, leaves the alternate screen and ends the process by the same signal.
// Ctrl-C, Ctrl-Z, Ctrl-S and Ctrl-Q arrive as the key bytes 3, 26, 19 and 17.
// The backend is created once; later calls return the same one.
Backend* OpenPosixTerminal();

// Flushes, leaves the alternate screen, resets attributes, shows the cursor and
// restores the terminal mode found at OpenPosixTerminal; output written after
// that is plain lines. Safe to call more than once.
void ClosePosixTerminal();

// How the page reaches the output descriptor.
enum class OutputStyle {
  kScreen,     // a terminal: cursor and colour sequences on the alternate screen
  kPlainText,  // a file or a pipe: whole pages as plain lines
};

struct PosixOptions {
  int in_fd = 0;
  int out_fd = 1;
  OutputStyle style = OutputStyle::kScreen;
  // Send code page 850 bytes unchanged, for a terminal whose locale is code page
  // 850; otherwise they are sent as UTF-8 and typed UTF-8 characters are read
  // back as code page 850 bytes.
  bool raw_cp850 = false;
  int columns = 80;  // physical size of the terminal
  int rows = 25;
};

// A backend on the given descriptors that changes no terminal mode and installs
// no handler. OpenPosixTerminal builds the real one this way; tests use it on
// pipes to see exactly what is written.
std::unique_ptr<Backend> NewPosixBackend(const PosixOptions& options);

// Whether a locale codeset name (nl_langinfo(CODESET)) is code page 850.
bool CodesetIsCp850(std::string_view codeset);

}  // namespace term
