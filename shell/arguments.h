// The command line: --help and --version answer and end the program before the
// terminal is touched; anything else but no argument at all is refused.
#pragma once

#include <cstdio>

namespace morvandeltrisk {

// Evaluates the arguments after argv[0]. Returns -1 when the game is to start
// (no arguments), else the exit status: 0 after --help or --version written to
// out, 1 when that output could not be written, 2 for any other argument (the
// usage then goes to err). programmpfad is the program's own path, for the place
// of the conditions file named in the usage.
int ARGUMENTE_AUSWERTEN(int argc, const char* const* argv, const char* programmpfad, FILE* out,
                        FILE* err);

}  // namespace morvandeltrisk
