// The spine of the program: start-up, language screen, main menu, exit.
#pragma once

#include <string>

namespace morvandeltrisk {

// The program's own path (for PROGRAMMPFAD): the running binary's real path.
std::string EIGENER_PFAD(const char* argv0);

// The whole program; returns when it ends.
void MORVANDELTRISK();
void ANFANGEN();
void WAEHLE_SPRACHE();
void TITELD();
void TITELE();
void NOTEXIT();

}  // namespace morvandeltrisk
