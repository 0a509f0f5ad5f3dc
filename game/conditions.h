// The conditions of a game (record BEDINGUNG, one instance X) and the values
// derived from them. The same 80 bytes are the record of the conditions file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace mtspiel {

// A code: positions 1..9 (indexed from 1), positions 1..LAENGE hold the signs;
// '*' is the vacant sign in a trial, '.' an unfilled position.
struct CODE {
  char z[9];
  constexpr char& operator[](int i) { return z[i - 1]; }
  constexpr const char& operator[](int i) const { return z[i - 1]; }
  bool operator==(const CODE&) const = default;
};
static_assert(sizeof(CODE) == 9);

// A player's name: positions 0 and 32 are blanks, 1..31 the name padded with blanks.
using NAMENSFELD = std::array<char, 33>;

struct BEDINGUNG {
  uint8_t ATTR_NORMAL;  // attribute of ordinary text (foreground + 16 x background)
  uint8_t ATTR_HERVOR;  // attribute of emphasised text
  uint8_t ZEITGRENZE;   // the computer's time limit in tens of seconds, 0 = none
  uint8_t LAENGE;       // code length 2..9
  uint8_t RESERVE;      // no meaning in the game; kept in 1..8
  uint8_t SPEICHER;     // memory choice 1..15 of the configuration page
  char ERSTES;          // first sign of the sign set
  char LETZTES;         // last sign of the sign set
  bool TON;             // sound on
  bool WDHG;            // a sign may occur more than once in a code
  bool LEER;            // the vacant sign may be used in guesses
  bool PC_STELLT;       // the computer devises the riddle
  bool PC_RAET;         // the computer guesses
  bool FEST;            // the answer code is fixed
  NAMENSFELD NAME1;     // the player who devises the riddle
  NAMENSFELD NAME2;     // the player who cracks the code
};
static_assert(sizeof(BEDINGUNG) == 80, "the conditions file holds 80-byte records");
static_assert(offsetof(BEDINGUNG, ZEITGRENZE) == 2);
static_assert(offsetof(BEDINGUNG, SPEICHER) == 5);
static_assert(offsetof(BEDINGUNG, ERSTES) == 6);
static_assert(offsetof(BEDINGUNG, TON) == 8);
static_assert(offsetof(BEDINGUNG, FEST) == 13);
static_assert(offsetof(BEDINGUNG, NAME1) == 14);
static_assert(offsetof(BEDINGUNG, NAME2) == 47);

// The current conditions, read by every subsystem.
inline BEDINGUNG X{};

// Language of the game unit: true means German (copied from the shell's choice).
inline bool SP_D = true;

// Derived from ZEITGRENZE (in hundredths of a second).
inline int32_t ZEITLIMIT = 1000;        // ZEITGRENZE x 1000
inline int32_t ZEITLIMIT99 = 1099;      // ZEITLIMIT + 99
inline int32_t ZEITLIMIT_DIV_10 = 100;  // ZEITGRENZE x 100

// Whether a record could be read from the conditions file at start-up.
inline bool KANN_LESEN = false;

// Sets every field of X to its default, and OBERGRENZE to 2^63 - 1.
void INITIALISIERE();

// Derives ZEITLIMIT, ZEITLIMIT99 and ZEITLIMIT_DIV_10 from X.ZEITGRENZE.
void ZEITLIMIT_SETZEN();

}  // namespace mtspiel
