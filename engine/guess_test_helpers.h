// Shared by the guessing tests and the self-play tool: sets up the conditions
// and the game-start state the way the game does before the computer guesses.
// Not part of the game itself.
#pragma once

#include <cstdint>
#include <cstring>

#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/guessing.h"
#include "engine/memory_budget.h"
#include "game/answer_order.h"
#include "game/conditions.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"

namespace mtspiel::rateprobe {

// The preference order of answer classes for the current length.
inline void ANTWORTORDNUNG() {
  REIHENFOLGE();
}

struct SPIEL {
  int laenge = 4;
  int farben = 6;
  bool wdhg = true;
  bool leer = false;
  bool fest = true;
  bool pc_stellt = true;
  int zeitgrenze = 0;  // tens of seconds
};

// Conditions, sign tables, budget and the game-start switches; the secret code
// (when fixed and set by the computer) must be put into LOESUNG by the caller
// before SPIEL_ZAEHLEN.
inline void SPIEL_VORBEREITEN(const SPIEL& s) {
  X.LAENGE = static_cast<uint8_t>(s.laenge);
  X.ERSTES = '0';
  X.LETZTES = s.farben <= 10 ? static_cast<char>('0' + s.farben - 1)
                             : static_cast<char>('a' + s.farben - 11);
  X.WDHG = s.wdhg;
  X.LEER = s.leer && s.farben == 2 && s.laenge >= 4;
  X.FEST = s.fest;
  X.PC_STELLT = s.pc_stellt;
  X.PC_RAET = true;
  X.TON = false;
  X.ZEITGRENZE = static_cast<uint8_t>(s.zeitgrenze);
  ZEITLIMIT = s.zeitgrenze * 1000;
  ZEITLIMIT99 = ZEITLIMIT + 99;
  ZEITLIMIT_DIV_10 = s.zeitgrenze * 100;
  POSITIONSWERTE('0');
  ZEICHENTABELLEN();
  ANTWORTORDNUNG();
  // The budget as the conditions check leaves it for these conditions.
  MEMAVAIL_FPC = SPEICHER_BYTES[15];
  LISTEN_FREIGEBEN(false);
  MEMGES = MEMAVAIL_FPC - MEMAVAIL_FPC % 32;
  const int v = X.LEER ? 1 : 0;
  SIZERATEN = static_cast<uint16_t>((24 + s.laenge + s.farben + v + 31) / 32 * 32);
  SIZERATENPTR = SIZERATEN;
  int64_t m = 1;
  for (int i = 0; i < s.laenge; ++i) m *= s.farben + v;
  MEMRATE = static_cast<int32_t>(m - v);
  // Game start.
  PL_0 = static_cast<uint8_t>(s.laenge < s.farben ? s.laenge : s.farben);
  PL_1 = static_cast<uint8_t>(PL_0 + 1);
  AEQUI_KLASSE = true;
  FEHLZEICHEN = 0;
  NUMMER = 0;
  UNTERBR = 0;
  std::memset(GESPIELT, 0, sizeof GESPIELT);
  KENNEALLEFARBEN = !X.WDHG && X.LAENGE == MAXFARBE;
  ALLESTERNEDRUCKEN = true;
  LEERZEICHEN = X.LEER;
  ALLE_F_LOESCHEN = FEHLZ_BENUTZT = LEERZEICHEN;
  ZAEHLE_VORH_FARBE = 0;
  F6_GEDR = false;
  MERKE_WDHG = X.WDHG;
  ZEITEIN = false;
  RATENDRAN = true;
  WX = 48;
  WY = 9;
  K = 9;
}

// INIT_RATEN as the game calls it: repetitions switched off while a store for
// a variable code of length 6 with 6, 27, 31 or 36 signs is built; then the
// shuffle table is emptied.
inline void SETUP(bool& ok) {
  const bool merke = X.WDHG;
  if (!X.FEST && X.PC_STELLT && X.LAENGE == 6 &&
      (MAXFARBE == 6 || MAXFARBE == 27 || MAXFARBE == 31 || MAXFARBE == 36))
    X.WDHG = false;
  INIT_RATEN(ok);
  X.WDHG = merke;
  INITFELD();
}

// One trial: the board position of trial NUMMER, then RATE_CODE.
inline void ZUG(CODE& code, uint8_t& p, uint8_t& s, char& taste) {
  F6_GEDR = false;
  ++NUMMER;
  const int platz = (NUMMER - 1) % 30;
  const int spalte = platz < 15 ? 1 : 2;
  WY = static_cast<uint8_t>(9 + platz % 15);
  K = WY;
  WX = static_cast<uint8_t>(spalte == 1 ? (101 - X.LAENGE) / 2 : (141 - X.LAENGE) / 2);
  RATE_CODE(code, p, s, taste);
}

}  // namespace mtspiel::rateprobe
