#include "screen/posix_terminal.h"
#include "screen/terminal.h"
#include "shell/program.h"
#include "shell/shell_state.h"

int main(int argc, char** argv) {
  (void)argc;
  morvandeltrisk::PROGRAMMPFAD = morvandeltrisk::EIGENER_PFAD(argv[0]);
  term::SetBackend(term::OpenPosixTerminal());
  morvandeltrisk::MORVANDELTRISK();
  term::Flush();
  term::ClosePosixTerminal();
  return 0;
}
