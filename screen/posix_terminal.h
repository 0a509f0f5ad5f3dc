// The real terminal: raw, non-echoing input on standard input and escape
// sequences on standard output, in the character set of the locale.
//
// While the program runs it draws on the terminal's alternate screen, so the
// user's own screen is untouched and comes back at the end. The backend keeps the
// 80x25 page in memory and at every Flush sends only the cells that changed, in
// one write. The page sits at the top left of a larger window, and nothing
// outside it is drawn on. A window smaller than 80x25 shows no clipped page but
// a short notice in German and English that names the size needed and says that
// Ctrl-C ends the program; the page appears, as it stands, the moment the window
// is large enough. A resized, stopped-and-continued terminal is repainted, and so
// is every terminal on Ctrl-L.
//
// Characters: code page 850 goes out as UTF-8 when the locale's codeset is UTF-8
// or plain ASCII (the C and POSIX locales: today's terminals are UTF-8), and as
// the code page 850 bytes themselves when the codeset is code page 850. Any other
// codeset (ISO-8859-1, KOI8-R, ...) gets each character converted with the C
// library's iconv; box and block characters and whatever the codeset lacks are
// drawn with ASCII (+ - | #), so every column stays where it is, and no byte
// 0x80..0x9F (the 8-bit control codes) is ever sent. Typed characters are read
// back in the same character set.
//
// Colours: the sixteen foregrounds are the eight base colours and their bright
// forms (SGR 90..97), never bold. When the environment variable NO_COLOR is set
// and not empty, no colour is sent at all: the backend reports itself monochrome
// and shows attributes as bold, reverse, blink and concealed text.
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
#include <string>
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
  // The locale's codeset (nl_langinfo(CODESET)): UTF-8 or ASCII mean UTF-8,
  // code page 850 is sent unchanged, anything else goes through iconv.
  std::string codeset = "UTF-8";
  // False: no colour codes, attributes as bold, reverse and blink (NO_COLOR).
  bool colour = true;
  int columns = 80;  // physical size of the terminal
  int rows = 25;
};

// A backend on the given descriptors that changes no terminal mode and installs
// no handler. OpenPosixTerminal builds the real one this way; tests use it on
// pipes to see exactly what is written.
std::unique_ptr<Backend> NewPosixBackend(const PosixOptions& options);

// Whether a locale codeset name (nl_langinfo(CODESET)) is code page 850.
bool CodesetIsCp850(std::string_view codeset);
// Whether the program writes UTF-8 for a codeset: UTF-8 itself, and the ASCII of
// the C and POSIX locales.
bool CodesetMeansUtf8(std::string_view codeset);
// The codeset part of a locale name ("de_DE.ISO-8859-1@euro" gives
// "ISO-8859-1"); empty when the name has none. Used when the locale named in the
// environment is not installed, so that the terminal still gets the character set
// it was started with.
std::string CodesetOfLocaleName(std::string_view name);

}  // namespace term
