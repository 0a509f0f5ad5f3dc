// Globals of the main program: language, colours, memory choice, the player's
// own vacant-sign choice, and what start-up saved to restore at exit.
#pragma once

#include <cstdint>
#include <string>

namespace morvandeltrisk {

inline bool SPRACHE_DEUTSCH = true;  // German chosen on the language screen
inline char TASTE_SPRACHE = 0;       // key that ended the language screen: 'd', 'e' or Esc
inline uint8_t FARBE_NORMAL = 31;    // attribute of ordinary text
inline uint8_t FARBE_HERVOR = 30;    // attribute of emphasised text
inline bool FARBBILDSCHIRM = true;   // the text mode is a colour mode
// The colours of the conditions file when the terminal shows none only because
// the user asked for no colour (NO_COLOR): the monochrome pair the start put in
// their place is not written back over them, unless the player chose anew.
struct DATEIFARBEN_T {
  bool ersetzt = false;                          // the start replaced the file's pair
  uint8_t normal = 0, hervor = 0;                // the file's pair
  uint8_t ersatz_normal = 0, ersatz_hervor = 0;  // what replaced it
};
inline DATEIFARBEN_T DATEIFARBEN{};
inline uint8_t SPEICHERWAHL = 10;  // the chosen memory budget, 1..15
inline uint8_t SPEICHERWAHL_ALT = 10;
inline bool LEER_WAHL = false;          // the player's own choice "vacant signs allowed"
inline bool NAMEN_BEKANNT = true;       // the encoder's name is not asked again
inline bool SPIEL_ABGEBROCHEN = false;  // the game was broken off

// Terminal states saved at start and restored at exit.
struct STARTZUSTAND_T {
  uint8_t text_attr;
  uint16_t text_mode;
};
inline STARTZUSTAND_T STARTZUSTAND{};

inline std::string PROGRAMMPFAD;      // the program's own path
inline std::string ALT;               // path of the conditions file; empty when there is no place
inline bool ALT_PRIVAT = false;       // ALT is in the user's configuration folder: owner-only
inline bool ALT_GESCHRIEBEN = false;  // the last write of the conditions file succeeded

// "No.  ", "Yes. " (English) and "Nein.", "Ja.  " (German): [german][value].
inline const char* JANEIN_TEXT[2][2] = {{"No.  ", "Yes. "}, {"Nein.", "Ja.  "}};

}  // namespace morvandeltrisk
