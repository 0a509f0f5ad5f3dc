// State of the computer player that the game loop and the input routines share
// with it: the signs still possible and the switches the game loop sets at the
// start of a game.
#pragma once

#include <cstdint>

// The progress counts of a computer phase live with the clock that shows them.
#include "clock/game_clock.h"

namespace mtspiel {

inline int32_t ZAHLGESAMTVERSUCHE = 0;  // records in the candidate-guess chain
// False while the variable code counts its codes; the start-up and the end of
// that count set it back. Kept for the screens that check it.
inline bool NOTINVERS = true;

// Signs: 1 = the sign may still be in the secret code; entry 0 is 0.
inline uint8_t ERL_FARBE[37] = {};
inline bool KENNEALLEFARBEN = false;  // the multiset of the secret's signs is known
inline uint8_t ZAEHLE_VORH_FARBE = 0;
inline bool GESPIELT[37] = {};  // the sign has appeared in a guess
inline bool VORH_FARBE[37] = {};
inline uint8_t FEHLZEICHEN = 0;  // a sign known to be absent (0 = none yet)

// Switches the game loop sets at the start of a game.
inline bool LEERZEICHEN = false;  // the computer's guesses include the vacant sign
inline bool FEHLZ_BENUTZT = false;
inline bool ALLE_F_LOESCHEN = false;
inline bool AEQUI_KLASSE = true;       // every answer so far was (0, 0)
inline bool ALLESTERNEDRUCKEN = true;  // the time-limit notice was not shown yet
inline uint16_t UNTERBR = 0;           // searches cut short by the user
inline bool F6_GEDR = false;           // the user asked to end the search soon
inline uint8_t PL_0 = 0, PL_1 = 1;     // min(L, n) and min(L, n) + 1
inline bool MERKE_WDHG = false;        // the player's own repetition permission

}  // namespace mtspiel
