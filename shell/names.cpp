// Placeholder until the name routines are built.
#include "shell/names.h"

namespace morvandeltrisk {

void CLEAR_NAME(mtspiel::NAMENSFELD&) {}
void NAMEOK(bool) {}
void SCHREIBE_NAME(bool, bool, bool) {}
void SCHREIBE_PC(bool, bool) {}
void LESE_NAMEN(uint8_t, mtspiel::NAMENSFELD&, char& taste) {
  taste = 27;
}

}  // namespace morvandeltrisk
