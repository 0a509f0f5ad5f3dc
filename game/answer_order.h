// The fixed preference order of answer classes (P, T) for each code length.
// When the computer answers for a variable code it keeps the largest class of
// codes; this order decides between equally large classes and is never random.
#pragma once

#include <cstdint>

namespace mtspiel {

using MATRIX_REIHENFOLGE = uint8_t[55];  // entries 1..54

inline MATRIX_REIHENFOLGE POS_ORD = {};  // P of the i-th class
inline MATRIX_REIHENFOLGE ZEI_ORD = {};  // T = P + S of the i-th class
inline uint8_t ZAHL_DER_GRUPPEN = 0;     // number of classes for the length
inline uint8_t LETZTEZAHL = 0;           // length the order was built for; 0 forces a rebuild

// Answer-class table: counts indexed [total T][P], T = P + S in 0..L and P in 0..T.
// Entry [T][P] is the number of codes that would answer P, S = T - P.
using KLASSENTABELLE = int32_t[10][10];

// Builds the order for X.LAENGE unless it is already built for that length.
// Entries beyond ZAHL_DER_GRUPPEN keep what they held; length 0 or above 9 gives
// ZAHL_DER_GRUPPEN = 0.
void REIHENFOLGE();

// The largest class of the table in the order of POS_ORD/ZEI_ORD (REIHENFOLGE
// must have been built for the current length): the walk starts at entry 1 and a
// later class replaces the held one only when it holds strictly more codes, so a
// tie goes to the earlier class and the solved class (L, L), being last, is
// chosen only when no other class holds as many codes. Gives P and the total T.
void GROESSTE_KLASSE(const KLASSENTABELLE& klassen, uint8_t& p, uint8_t& t);

}  // namespace mtspiel
