#include <cstdio>

#include "screen/posix_terminal.h"
#include "screen/terminal.h"
#include "shell/arguments.h"
#include "shell/program.h"
#include "shell/shell_state.h"

int main(int argc, char** argv) {
  morvandeltrisk::PROGRAMMPFAD = morvandeltrisk::EIGENER_PFAD(argv[0]);
  // --help, --version and wrong arguments are answered before the terminal is
  // switched to the game's mode.
  const int status = morvandeltrisk::ARGUMENTE_AUSWERTEN(
      argc, argv, morvandeltrisk::PROGRAMMPFAD.c_str(), stdout, stderr);
  if (status >= 0) return status;
  term::SetBackend(term::OpenPosixTerminal());
  morvandeltrisk::MORVANDELTRISK();
  // Normally the exit routine has given the terminal back already (and written
  // its lines); this flushes them and covers every other way out.
  term::ClosePosixTerminal();
  return 0;
}
