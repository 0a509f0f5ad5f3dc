// Keyboard input of signs, yes/no fields, the secret code and a human's trial.
// Input routines never report errors: they ignore keys that mean nothing and
// leave the key that ended them for the caller (Enter 13, Backspace 8, Esc 27).
#pragma once

#include <cstdint>

#include "game/conditions.h"

namespace mtspiel {

inline char A = 0;                    // the last key read; computer phases leave Esc here
inline uint8_t WX = 0, WY = 0;        // column of the first position and row of the trial
inline uint8_t WXMINUS1 = 0;          // WX - 1
inline uint8_t WO = 0;                // screen offset of the field being edited
inline uint8_t K = 0;                 // screen row of the current trial on the board
inline uint16_t X3[3] = {0, 56, 76};  // column of P for board columns 1 and 2
inline uint16_t X4[3] = {0, 58, 78};  // column of S for board columns 1 and 2
inline uint8_t X3I = 56, X4I = 58;    // the entries for the current board column
inline uint8_t WXX = 0, WYY = 0;      // where JA_NEIN writes its yes/no text
inline bool ZURUECK = false;          // the field is entered backwards
inline bool WEITER = false;           // the edit loop of the conditions ends
// Change flags of the yes/no fields of the conditions screen.
inline bool WECHSEL0 = false, WECHSEL1 = false, WECHSEL2 = false;

// Reads the first sign (grenze = '*') or the last sign (grenze = ERSTES) of the set,
// rebuilds the sign tables and redraws the set on the conditions screen; the cursor
// stays on the field.
void LESE_ZEICHEN(char grenze);
// A letter that answers yes: j, y or z (keyboards with y and z exchanged), either case.
bool JA_TASTE(char taste);
// Reads a yes/no answer for wert; geaendert tells whether it changed.
void JA_NEIN(char& taste, bool& wert, bool& geaendert);
// Reads the secret code of a human encoder.
void LESE_LSG(CODE& loesung, char& taste);
// Reads one trial of a human codebreaker (board column spalte 1 or 2) and its answer.
// While it waits the game clock keeps running; between clock calls it blocks for a
// few milliseconds on the keyboard, so that a player thinking costs no CPU.
// The trial ends the moment its last empty position is filled; Esc and Ctrl-C
// return Esc and leave versuch, p and s as they were.
void LESE_CODE(uint8_t spalte, CODE& versuch, uint8_t& p, uint8_t& s, char& taste);

}  // namespace mtspiel
