#include "screen/posix_terminal.h"
#include "screen/terminal.h"
#include "shell/program.h"
#include "shell/shell_state.h"

int main(int argc, char** argv) {
  (void)argc;
  morvandeltrisk::PROGRAMMPFAD = morvandeltrisk::EIGENER_PFAD(argv[0]);
  term::SetBackend(term::OpenPosixTerminal());
  morvandeltrisk::MORVANDELTRISK();
  // Normally the exit routine has given the terminal back already (and written
  // its lines); this flushes them and covers every other way out.
  term::ClosePosixTerminal();
  return 0;
}
