// The ring of 36 signs, the sign set of a game, sign numbers, the scoring rule
// and the table of trials that suffice.
#pragma once

#include <cstdint>

#include "game/conditions.h"

namespace mtspiel {

// Number of signs in the set = number of LETZTES, 2..36.
inline uint8_t MAXFARBE = 10;
// Position values of ERSTES; all byte arithmetic with them wraps mod 256.
inline uint8_t XMINPLUS20 = 47;
inline uint8_t PLUS20KOMPL = 245;
inline uint8_t XMINPLUS34 = 61;
inline uint8_t XMINPLUS59 = 86;
inline uint8_t XMINPLUS95 = 122;
// Sign of each number; entry 0 is the vacant sign '*'.
inline char FARBARRAY[37] = {};
// Number of each character '0'..'z' (index c - '0'); 255 between '9' and 'a'.
inline uint8_t NRARRAY[75] = {};
// The secret code of the running game, when the program knows it.
inline CODE LOESUNG = {};
// How often each sign number occurs in LOESUNG.
inline uint8_t LOESUNGSFARBEN[37] = {};
// 2^63 - 1: start value of the best sum of squares of the computer's search.
inline int64_t OBERGRENZE = INT64_MAX;

// Sign number of a digit or small letter through the position values.
uint8_t NRFUNKTION(char c);
// Sign of number n (0 gives '*').
char FARBFUNKTION(uint8_t n);
// Derives the five position values from the first sign.
void POSITIONSWERTE(char erstes);
// Builds FARBARRAY and NRARRAY from the position values and sets MAXFARBE from LETZTES.
void ZEICHENTABELLEN();
// Number of character c from NRARRAY (255 for characters that are no sign).
uint8_t NR(char c);
// Whether c is a sign of the current set.
bool IST_ZEICHEN(char c);
// Scores guess g against code c of length laenge: P and S by the rule of the game.
// '*' in the guess never matches; sign counts go through NRARRAY.
void BEWERTE(const CODE& g, const CODE& c, int laenge, uint8_t& p, uint8_t& s);
// Counts the signs of LOESUNG into LOESUNGSFARBEN.
void LOESUNGSFARBEN_ZAEHLEN();
// Trials that suffice to crack every code under these conditions; 0 = unknown.
uint8_t WIEVIELE(uint8_t laenge, uint8_t farben, bool wdhg, bool leer);

}  // namespace mtspiel
