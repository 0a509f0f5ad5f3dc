#include "shell/conditions_check.h"

#include <string>

#include "engine/memory_budget.h"
#include "game/conditions.h"
#include "game/conditions_screen.h"
#include "screen/terminal.h"
#include "shell/names.h"

namespace mtspiel {
namespace {

// The answer code became fixed because the computer cannot vary it.
void FEST_EINSCHALTEN(bool anzeigen) {
  if (X.FEST) return;
  X.FEST = true;
  if (!anzeigen) return;
  IN_FELD(BF_FEST, SP_D, JA_NEIN_ECHO(true, SP_D));
}

// The computer no longer guesses because it cannot under these conditions.
void PC_RAET_AUSSCHALTEN(bool anzeigen) {
  if (!X.PC_RAET) return;
  X.PC_RAET = false;
  if (!anzeigen) return;
  IN_FELD(BF_PC_RAET, SP_D, JA_NEIN_ECHO(false, SP_D));
  morvandeltrisk::SCHREIBE_NAME(false, true, false);
}

// Rewrites the capacity line of the conditions screen when an entry changed.
void ZAEHLEFARBEN_ZEIGEN(bool anzeigen) {
  if (!anzeigen) {
    for (int l = 2; l <= 9; ++l) MERKEZAEHLEFARBEN[l] = ZAEHLEFARBEN[l];
    return;
  }
  std::string zeile;
  bool anders = false;
  for (int l = 2; l <= 9; ++l) {
    const int z = ZAEHLEFARBEN[l];
    if (l > 2) zeile += "   ";
    if (z < 2) {
      zeile += " -";
    } else if (z < 10) {
      zeile += ' ';
      zeile += static_cast<char>('0' + z);
    } else {
      zeile += std::to_string(z);
    }
    if (MERKEZAEHLEFARBEN[l] != ZAEHLEFARBEN[l]) {
      MERKEZAEHLEFARBEN[l] = ZAEHLEFARBEN[l];
      anders = true;
    }
  }
  if (!anders) return;
  IN_FELD(BF_KAPAZITAET, SP_D, zeile);
}

// n * (n-1) * ... * (n-L+1) without repetitions, n^L with them.
int64_t ANZAHL(int64_t n, int laenge, bool wdhg) {
  int64_t a = 1;
  for (int i = 0; i < laenge; ++i) a *= wdhg ? n : n - i;
  return a < 0 ? 0 : a;
}

}  // namespace

void KORRIGIERE(uint8_t farben, uint8_t laenge, bool wdhg, bool leer, bool anzeigen,
                bool freigeben) {
  const int merke_x = term::WhereX(), merke_y = term::WhereY();
  const int n = farben;
  const int l = laenge;
  // Two signs and the vacant sign make three for the computer's guesses.
  const bool leer_zaehlt = leer && n == 2 && l >= 4;
  const int n1 = leer_zaehlt ? n + 1 : n;

  int groesse = l + 24 + n1;
  if (groesse % 32 != 0) groesse += 32 - groesse % 32;
  SIZERATEN = static_cast<uint16_t>(groesse);
  SIZERATENPTR = SIZERATEN;

  LISTEN_FREIGEBEN(freigeben);
  if (GEAENDERT) ZAEHLEFARBEN_ZEIGEN(anzeigen);

  // Fixed limits by length: they keep the counts below 2^31.
  KANN_RATEN = true;
  KANN_MOGELN = true;
  switch (l) {
    case 6:
      if (n1 > 35) KANN_RATEN = false;
      if (wdhg && n > 35) KANN_MOGELN = false;
      break;
    case 7:
      if (n1 > 21) KANN_RATEN = false;
      if ((wdhg && n > 21) || n > 24) KANN_MOGELN = false;
      break;
    case 8:
      if (n1 > 14) KANN_RATEN = false;
      if ((wdhg && n > 14) || n > 18) KANN_MOGELN = false;
      break;
    case 9:
      if (n1 > 10) KANN_RATEN = false;
      if ((wdhg && n > 10) || n > 15) KANN_MOGELN = false;
      break;
    default:
      break;
  }
  if (!KANN_MOGELN) KANN_RATEN = false;

  if (!KANN_MOGELN) FEST_EINSCHALTEN(anzeigen);
  if (!KANN_RATEN) PC_RAET_AUSSCHALTEN(anzeigen);

  if (KANN_MOGELN) {
    MEMLOES = static_cast<int32_t>(ANZAHL(n, l, wdhg));
    if (static_cast<int64_t>(MEMLOES) * 32 > MEMGES) {
      KANN_RATEN = false;
      KANN_MOGELN = false;
      PC_RAET_AUSSCHALTEN(anzeigen);
      FEST_EINSCHALTEN(anzeigen);
    }
  }
  if (KANN_RATEN) {
    MEMRATE = static_cast<int32_t>(ANZAHL(n1, l, true) - (leer_zaehlt ? 1 : 0));
    if (static_cast<int64_t>(MEMRATE) * SIZERATEN > MEMGES) {
      KANN_RATEN = false;
      PC_RAET_AUSSCHALTEN(anzeigen);
    }
  }

  // The machine: what the budget allows must also fit in the memory the machine
  // has free, or its set-up would fill the machine and then give up. Read only
  // when a store is still possible.
  if (KANN_MOGELN) {
    const uint64_t maschine = SPEICHER_MASCHINE();
    if (CODESPEICHER_BYTES(l, n, wdhg) > maschine) {
      KANN_RATEN = false;
      KANN_MOGELN = false;
      PC_RAET_AUSSCHALTEN(anzeigen);
      FEST_EINSCHALTEN(anzeigen);
    }
    if (KANN_RATEN) {
      // The set-up counts SIZERATEN bytes per record against the machine as
      // well: it stops at whichever of the two is larger.
      uint64_t bytes = RATESPEICHER_BYTES(l, n, wdhg, leer_zaehlt);
      const uint64_t nominell = static_cast<uint64_t>(MEMRATE) * SIZERATEN;
      if (nominell > bytes) bytes = nominell;
      if (bytes > maschine) {
        KANN_RATEN = false;
        PC_RAET_AUSSCHALTEN(anzeigen);
      }
    }
  }
  term::GotoXY(merke_x, merke_y);
}

}  // namespace mtspiel
