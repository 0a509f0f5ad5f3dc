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
// The codebreaker is at turn: the clock counts guessing time, else answering time.
inline bool RATENDRAN = false;
inline bool ZURUECK = false;  // the field is entered backwards
inline bool WEITER = false;   // the edit loop of the conditions ends
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
// What reading a human's trial needs from the layers above this one: the game
// clock, the computer's variable code and the end of a game. The game board
// passes its own; tests pass fakes.
struct EINGABE_HAKEN {
  // Called between two polls of the keyboard, so the clock keeps running while
  // a player thinks (may be empty).
  void (*uhr)() = nullptr;
  // Answers a trial when the answer code is not fixed (X.FEST false): the
  // computer varies its code within the answers given so far. Copies or
  // replaces the trial in versuch and may end the game with Esc in taste.
  void (*antwort_nicht_fest)(const CODE& trial, CODE& versuch, uint8_t& p, uint8_t& s,
                             char& taste) = nullptr;
  // The game ends here: the code was found or the player broke off. With
  // freigeben the computer's stores are given back as well.
  void (*spiel_ende)(bool freigeben) = nullptr;
};

// Reads one trial of a human codebreaker (board column spalte 1 or 2) and its answer.
// While it waits haken.uhr keeps the game clock running; between clock calls it
// blocks for a few milliseconds on the keyboard, so that a player thinking costs no CPU.
// The trial ends the moment its last empty position is filled; Esc and Ctrl-C
// return Esc and leave versuch, p and s as they were.
void LESE_CODE(uint8_t spalte, CODE& versuch, uint8_t& p, uint8_t& s, char& taste,
               const EINGABE_HAKEN& haken);

}  // namespace mtspiel
