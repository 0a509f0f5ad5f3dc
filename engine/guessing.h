// The computer as codebreaker: the shuffle table, the guessing set-up with its
// opening guesses, the opening-pattern text and the choice of each guess.
#pragma once

#include <cstdint>
#include <string>

#include "game/conditions.h"

namespace mtspiel {

// Empties the shuffle table (touching only what a set-up used).
void INITFELD();
// Builds the candidate store; ok is false when the user broke off or an
// allocation failed (the store is then released and A = Esc).
void INIT_RATEN(bool& ok);
// One turn of the computer as codebreaker: the guess into code, its answer into
// p and s; taste = Esc when the user broke off.
void RATE_CODE(CODE& code, uint8_t& p, uint8_t& s, char& taste);
// Frees every record of the candidate-guess store (called by LISTEN_FREIGEBEN).
void RATEN_SPEICHER_FREIGEBEN();
// The 12-character opening-pattern text for the board.
std::string INIT_MUSTER(uint8_t laenge, uint8_t farben, bool wdhg, bool leer);

}  // namespace mtspiel
