// Where the values of the conditions screen stand: one entry per field with its
// place in each language and its width. Drawing the screen, the input routines
// that echo on it and the conditions check that rewrites it all take their
// positions from here, so a field moves in one place.
#pragma once

#include <string_view>

namespace mtspiel {

// The fields of the conditions screen, top to bottom.
enum BFELD : int {
  BF_KAPAZITAET,  // row 8: the capacity table, one cell of five per code length 2..9
  BF_ZEIT,        // the digit of the time limit (its "0 sec." follows it)
  BF_TON,         // yes/no: sound
  BF_ERSTES,      // the first sign of the set
  BF_PC_RAET,     // yes/no: the computer guesses
  BF_LETZTES,     // the last sign of the set
  BF_VORRAT,      // the signs of the set, padded with blanks (not edited itself)
  BF_LAENGE,      // the code length digit
  BF_WDHG,        // yes/no: repetitions
  BF_PC_STELLT,   // yes/no: the computer sets the riddle
  BF_LEER,        // yes/no: the vacant sign
  BF_ANTWORT,     // the answer typed by a human encoder, one dot per open position
  BF_FEST,        // yes/no: the answer is fixed
  BF_WAHL,        // the cursor of the game menu
  BF_NAME1,       // the name of the player who sets the riddle
  BF_NAME2,       // the name of the player who cracks the code
  BF_ANZAHL
};

struct FELDPLATZ {
  int x;  // column 1..80
  int y;  // row 1..25
};

struct BFELD_EINTRAG {
  BFELD feld;  // the entry's own index, checked below
  FELDPLATZ englisch;
  FELDPLATZ deutsch;
  int breite;  // cells the value may fill from its place
};

// clang-format off
inline constexpr BFELD_EINTRAG BFELDER[BF_ANZAHL] = {
    // field         English    German     width
    {BF_KAPAZITAET,  {35, 8  }, {35, 8  }, 40},
    {BF_ZEIT,        {69, 10 }, {71, 10 },  1},
    {BF_TON,         {30, 12 }, {30, 12 },  5},
    {BF_ERSTES,      {30, 13 }, {30, 13 },  1},
    {BF_PC_RAET,     {64, 13 }, {57, 13 },  5},
    {BF_LETZTES,     {30, 14 }, {30, 14 },  1},
    {BF_VORRAT,      {30, 15 }, {30, 15 }, 36},
    {BF_LAENGE,      {30, 16 }, {30, 16 },  1},
    {BF_WDHG,        {30, 17 }, {30, 17 },  5},
    {BF_PC_STELLT,   {71, 17 }, {72, 17 },  5},
    {BF_LEER,        {30, 18 }, {30, 18 },  5},
    {BF_ANTWORT,     {46, 18 }, {46, 18 },  9},
    {BF_FEST,        {30, 19 }, {30, 19 },  5},
    {BF_WAHL,        {73, 20 }, {73, 20 },  1},
    {BF_NAME1,       {38, 23 }, {38, 23 }, 31},
    {BF_NAME2,       {38, 24 }, {38, 24 }, 31},
};
// clang-format on

constexpr bool BFELDER_GEORDNET() {
  for (int i = 0; i < BF_ANZAHL; ++i)
    if (BFELDER[i].feld != i) return false;
  return true;
}
static_assert(BFELDER_GEORDNET(), "every entry of BFELDER stands at its own index");

// The place of field f in German (deutsch) or English.
constexpr FELDPLATZ PLATZ(BFELD f, bool deutsch) {
  return deutsch ? BFELDER[f].deutsch : BFELDER[f].englisch;
}
constexpr int BREITE(BFELD f) {
  return BFELDER[f].breite;
}

// Puts the cursor versatz cells into field f.
void ZUM_FELD(BFELD f, bool deutsch, int versatz = 0);
// Writes text at the place of field f; the cursor stays behind it.
void IN_FELD(BFELD f, bool deutsch, std::string_view text);

// What an edit writes into a yes/no field: "Ja.  " or "Nein." in German, "Yes."
// or "No. " in English (the drawn screen uses the five-cell texts of the shell).
constexpr std::string_view JA_NEIN_ECHO(bool ja, bool deutsch) {
  if (deutsch) return ja ? "Ja.  " : "Nein.";
  return ja ? "Yes." : "No. ";
}

}  // namespace mtspiel
