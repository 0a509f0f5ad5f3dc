// The spine of the program: start-up, language screen, main menu, exit.
#pragma once

namespace morvandeltrisk {

// The whole program; returns when it ends.
void MORVANDELTRISK();
void ANFANGEN();
void WAEHLE_SPRACHE();
void TITELD();
void TITELE();
void NOTEXIT();

}  // namespace morvandeltrisk
