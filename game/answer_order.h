// The fixed preference order of answer classes (P, T) for each code length.
#pragma once

#include <cstdint>

namespace mtspiel {

using MATRIX_REIHENFOLGE = uint8_t[55];  // entries 1..54

inline MATRIX_REIHENFOLGE POS_ORD = {};  // P of the i-th class
inline MATRIX_REIHENFOLGE ZEI_ORD = {};  // T = P + S of the i-th class
inline uint8_t ZAHL_DER_GRUPPEN = 0;     // number of classes for the length
inline uint8_t LETZTEZAHL = 0;           // length the order was built for; 0 forces a rebuild

// Answer-class table: counts indexed by total T (0..9) and P (0..T).
using KLASSENTABELLE = int32_t[10][10];

// Builds the order for X.LAENGE unless it is already built.
void REIHENFOLGE();

}  // namespace mtspiel
