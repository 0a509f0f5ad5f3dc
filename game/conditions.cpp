#include "game/conditions.h"

#include "game/signs.h"

namespace mtspiel {

void INITIALISIERE() {
  X.ATTR_NORMAL = 31;  // white on blue
  X.ATTR_HERVOR = 30;  // yellow on blue
  X.ZEITGRENZE = 1;
  X.LAENGE = 4;
  X.RESERVE = 8;
  X.SPEICHER = 10;
  X.ERSTES = '0';
  X.LETZTES = '9';
  X.TON = false;
  X.WDHG = false;
  X.LEER = false;
  X.PC_STELLT = true;
  X.PC_RAET = false;
  X.FEST = true;
  X.NAME1.fill(' ');
  X.NAME2.fill(' ');
  OBERGRENZE = INT64_MAX;
}

void ZEITLIMIT_SETZEN() {
  ZEITLIMIT = X.ZEITGRENZE * 1000;
  ZEITLIMIT99 = ZEITLIMIT + 99;
  ZEITLIMIT_DIV_10 = X.ZEITGRENZE * 100;
}

}  // namespace mtspiel
