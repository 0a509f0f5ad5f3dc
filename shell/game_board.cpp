// The course of a game: the board, the secret code, the trials with their
// answers, the scrolling after 30 trials, the result line and the new-game question.
#include "shell/game_board.h"

#include <string>
#include <string_view>

#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/guessing.h"
#include "engine/memory_budget.h"
#include "engine/signal_tone.h"
#include "engine/variable_code.h"
#include "game/answer_order.h"
#include "game/conditions.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/cp850.h"
#include "screen/terminal.h"
#include "shell/screen_pieces.h"
#include "shell/shell_state.h"

namespace morvandeltrisk {
namespace {

using mtspiel::X;

bool Deutsch() {
  return SPRACHE_DEUTSCH;
}

// Column of the trial number, of the code, of P and of S in board column 1 or 2.
int NummerSpalte(int spalte) {
  return spalte == 1 ? 42 : 62;
}
int CodeSpalte(int spalte) {
  return ((spalte == 1 ? 101 : 141) - X.LAENGE) / 2;
}

// The right part of a trial row (from column 40) with the separators of row 7.
constexpr std::string_view kLeereVersuchszeile = "█║   │         │ │ ║█║   │         │ │ ║"_cp;

// A name without its trailing blanks.
std::string NameText(const mtspiel::NAMENSFELD& n) {
  std::string s(n.data() + 1, 31);
  const size_t e = s.find_last_not_of(' ');
  return e == std::string::npos ? "" : s.substr(0, e + 1);
}

// Writes the trial number: right-aligned in three characters, with leading
// zeros once the count has passed 999 (only the last three digits are shown).
void Nummer(int spalte, int zeile, int32_t nummer) {
  const int n = nummer % 1000;
  std::string s = std::to_string(n);
  const char fuell = nummer > 999 ? '0' : ' ';
  while (s.size() < 3) s.insert(s.begin(), fuell);
  At(NummerSpalte(spalte), zeile, s);
}

// The lines of the bound: how many trials suffice.
void Schranke(int n) {
  std::string z4, z5;
  if (n > 0) {
    const std::string zahl = std::to_string(n);
    const bool maximal = X.FEST && mtspiel::MAXFARBE >= 2;
    if (Deutsch()) {
      z4 = (maximal ? "   Der Code kann mit maximal " : "   Der Code kann mit genau ") + zahl;
      z5 = "   Versuchen geknackt werden.";
    } else {
      z4 = " It is possible to crack the code ";
      z5 = " with " + zahl + (maximal ? " trials or less." : " trials.");
    }
  }
  At(45, 4, Aufgefuellt(z4, 34));
  At(45, 5, Aufgefuellt(z5, 34));
}

// The frame of a time-of-day row (the clock writes the digits into it).
std::string Zeitrahmen() {
  if (Deutsch()) return "                .   Uhr,    Sekunden.";
  std::string r(37, ' ');
  r[15] = ':';  // hour at 15..16, minutes at 18..19 (screen columns)
  r.replace(19, 5, " .m.,");
  r.replace(27, 10, " seconds. ");
  return r.substr(0, 37);
}

void Statuszeile() {
  const bool d = Deutsch();
  std::string_view z;
  if (X.PC_RAET) {
    z = d ? "Aktueller Versuch: geratene Zeit: 00.00.00 .......... benötigte Zeit:  00.00.00"_cp
          : "This trial: time already guessed: 00.00.00 .......... time yet needed: 00.00.00";
  } else if (X.FEST) {
    z = d ? "Lösung:                 Benötigte Versuche:             Neues Spiel? Ja.       "_cp
          : "Answer:                       Trials made:                 New Game? Yes.      ";
  } else {
    z = d ? "       Bereits verstrichene Zeit: 00.00.00 .......... benötigte Zeit:  00.00.00"_cp
          : "Initialisation:     time elapsed: 00.00.00 .......... time yet needed: 00.00.00";
  }
  At(1, 25, z.substr(0, 79));
}

}  // namespace

void SPIELBRETT(int wieviele, const char* muster) {
  const bool d = Deutsch();
  term::TextAttr = FARBE_NORMAL;
  term::ClrScr();
  // Row 1: the title in the top frame.
  At(1, 1, "╔══"_cp);
  term::Write("  ***  Morvandeltrisk  ****  " + Versionstitel() + ".  ***  ");
  term::Write("══╗"_cp);
  At(1, 2, "║"_cp);
  term::Write(
      Aufgefuellt(d ? "           Ein Spiel um geheime Codes - freie Software, ohne Gewähr"_cp
                    : "           A game of secret codes - free software, without warranty",
                  77));
  term::Write("║"_cp);
  At(1, 3, "╠"_cp);
  term::Write(Wiederholt("═"_cp, 42) + std::string("╦"_cp) + Wiederholt("═"_cp, 34) +
              std::string("╣"_cp));
  // Rows 4 and 5: the sign set, length, repetition, opening pattern, bound.
  At(1, 4, "║ "_cp);
  term::Write(Aufgefuellt(std::string_view(mtspiel::FARBARRAY + 1, mtspiel::MAXFARBE), 41));
  At(44, 4, "║"_cp);
  At(79, 4, "║"_cp);
  At(1, 5, "║ "_cp);
  term::Write(Aufgefuellt(std::to_string(X.LAENGE), 3));
  if (d) {
    term::Write(X.WDHG ? " Zeichen mit Wiederholung " : " Zeichen ohne Wiederholung");
  } else {
    term::Write(X.WDHG ? " signs with repetition    " : " signs without repetition ");
  }
  term::Write(std::string_view(muster, 12));
  At(44, 5, "║"_cp);
  At(79, 5, "║"_cp);
  Schranke(wieviele);
  At(1, 6, "╠═════════════════════════════════════╦═╦══╩══════════════╦═╦═════════════════╣"_cp);
  // Rows 7..23: the left panel and the two trial columns.
  const bool leer = LEER_WAHL;
  std::string links[17];
  if (d) {
    links[0] = " Das Leerzeichen ' '/'*' darf beim";
    links[1] = leer ? " Raten benutzt werden." : " Raten nicht benutzt werden.";
    links[2] = X.FEST ? " Der Antwortcode ist fest." : " Der Antwortcode ist nicht fest.";
  } else {
    links[0] =
        leer ? " The vacant sign ' '/'*' may be used " : " The vacant sign ' '/'*' cannot be   ";
    links[1] = leer ? " for guessing." : " used for guessing.";
    links[2] = X.FEST ? " The answercode is fixed." : " The answercode is not fixed.";
  }
  // Rows 12..15: who set the riddle and who cracks it.
  if (d) {
    if (X.PC_STELLT) {
      links[5] = " Das Rätsel stammt vom Computer."_cp;
    } else {
      links[5] = " Das Rätsel stammt von"_cp;
      links[6] = " " + NameText(X.NAME1) + ".";
    }
    if (X.PC_RAET) {
      links[7] = " Die Lösung stammt vom Computer."_cp;
    } else {
      links[7] = " Die Lösung stammt von"_cp;
      links[8] = " " + NameText(X.NAME2) + ".";
    }
    links[10] = " Spielbeginn:";
    links[12] = " Datum/Zeit :";
    links[14] = " Spieldauer : 00 Std. 00 Min. 00 Sek.";
    links[15] = " Ratezeit   : 00 Std. 00 Min. 00 Sek.";
    links[16] = " Antwortzeit: 00 Std. 00 Min. 00 Sek.";
  } else {
    links[5] = " The riddle comes from";
    links[6] = X.PC_STELLT ? " the computer." : " " + NameText(X.NAME1) + ".";
    links[7] = " The solution comes from";
    links[8] = X.PC_RAET ? " the computer." : " " + NameText(X.NAME2) + ".";
    links[10] = " Game start:";
    links[12] = " Date/time :";
    links[14] = " Time total: 00 hours 00 min. 00 sec.";
    links[15] = " to guess  : 00 hours 00 min. 00 sec.";
    links[16] = " to answer : 00 hours 00 min. 00 sec.";
  }
  links[11] = Zeitrahmen();
  links[13] = Zeitrahmen();
  for (int y = 7; y <= 23; ++y) {
    const int i = y - 7;
    if (y == 11 || y == 16) {
      At(1, y, "╠"_cp);
      term::Write(Wiederholt("═"_cp, 37));
      term::Write("╣"_cp);
    } else {
      At(1, y, "║"_cp);
      term::Write(Aufgefuellt(links[i].substr(0, 37), 37));
      term::Write("║"_cp);
    }
    if (y == 7) {
      term::Write(d ? "█║Nr.│  Code   │P│Z║█║Nr.│  Code   │P│Z║"_cp
                    : "█║No.│  Code   │P│S║█║No.│  Code   │P│S║"_cp);
    } else if (y == 8) {
      term::Write("█║───┼─────────┼─┼─║█║───┼─────────┼─┼─║"_cp);
    } else {
      term::Write(kLeereVersuchszeile);
    }
  }
  At(1, 24, "╚"_cp);
  term::Write(Wiederholt("═"_cp, 37) + std::string("╩═╩"_cp) + Wiederholt("═"_cp, 17) +
              std::string("╩═╩"_cp) + Wiederholt("═"_cp, 17) + std::string("╝"_cp));
  Statuszeile();
}

namespace {

// Draws the secret code at random (the computer sets a fixed riddle).
void CodeZiehen() {
  const int l = X.LAENGE;
  const int n = mtspiel::MAXFARBE;
  mtspiel::LOESUNG.z[0] = ' ';
  for (auto& c : mtspiel::LOESUNG.z) c = ' ';
  // Half of the codes are drawn without repetition even where repetition is
  // allowed, so that the riddle is not biased towards repeated signs.
  const bool ohne = !X.WDHG || (l <= n && l != 2 && term::Random(2) != 0);
  if (ohne) {
    char rest[37];
    int m = n;
    for (int k = 1; k <= n; ++k) rest[k - 1] = mtspiel::FARBARRAY[k];
    for (int i = 1; i <= l; ++i) {
      const int h = static_cast<int>(term::Random(static_cast<uint32_t>(m)));
      mtspiel::LOESUNG[i] = rest[h];
      for (int j = h; j < m - 1; ++j) rest[j] = rest[j + 1];
      --m;
    }
  } else {
    for (int i = 1; i <= l; ++i)
      mtspiel::LOESUNG[i] = mtspiel::FARBARRAY[1 + term::Random(static_cast<uint32_t>(n))];
  }
}

// Writes one stored trial into its place on the board.
void VersuchZeigen(int spalte, int zeile, int32_t nummer, const mtspiel::VERSUCH& v) {
  Nummer(spalte, zeile, nummer);
  At(spalte == 1 ? 46 : 66, zeile, std::string(9, ' '));
  At(CodeSpalte(spalte), zeile, std::string_view(v.KOMBINATION.z, X.LAENGE));
  term::GotoXY(mtspiel::X3[spalte], zeile);
  term::WriteInt(v.P);
  term::GotoXY(mtspiel::X4[spalte], zeile);
  term::WriteInt(v.S);
}

// A human's trial: the clock runs while the player thinks, the variable code
// answers when the answer is not fixed, and the end of the game stops the clock
// and gives the computer's stores back.
void SpielEnde(bool freigeben) {
  if (freigeben) mtspiel::LISTEN_FREIGEBEN(true);
  mtspiel::ZEITEIN = false;
}
constexpr mtspiel::EINGABE_HAKEN kMenschRaet{mtspiel::SCHREIBE_ZEIT_FPC,
                                             mtspiel::ANTWORT_NICHT_FEST, SpielEnde};

int Slot(int32_t t) {
  return static_cast<int>((t - 1) % 30) + 1;
}

// One trial in the current row: the computer's or a human's. Returns false
// when it was broken off.
bool Versuch(int spalte, int zeile) {
  mtspiel::VERSUCH& v = mtspiel::V30[Slot(mtspiel::NUMMER)];
  v.NR = static_cast<int16_t>(mtspiel::NUMMER % 1000);
  mtspiel::K = static_cast<uint8_t>(zeile);
  mtspiel::WX = static_cast<uint8_t>(CodeSpalte(spalte));
  mtspiel::WY = static_cast<uint8_t>(zeile);
  mtspiel::WXMINUS1 = static_cast<uint8_t>(mtspiel::WX - 1);
  if (mtspiel::NUMMER == 2) At(32, 5, std::string(11, ' '));
  term::GotoXY(mtspiel::WX, mtspiel::WY);
  // The computer's turn leaves the key alone unless the user breaks off.
  mtspiel::A = 0;
  if (X.PC_RAET) {
    mtspiel::RATE_CODE(v.KOMBINATION, v.P, v.S, mtspiel::A);
  } else {
    mtspiel::LESE_CODE(static_cast<uint8_t>(spalte), v.KOMBINATION, v.P, v.S, mtspiel::A,
                       kMenschRaet);
  }
  return mtspiel::A != term::KEY_ESC && mtspiel::A != term::KEY_CTRL_C;
}

// The trials of the game. Returns false when the game was broken off.
bool Versuche() {
  const int l = X.LAENGE;
  for (int spalte = 1; spalte <= 2; ++spalte) {
    for (int zeile = 9; zeile <= 23; ++zeile) {
      mtspiel::F6_GEDR = false;
      ++mtspiel::NUMMER;
      Nummer(spalte, zeile, mtspiel::NUMMER);
      if (!Versuch(spalte, zeile)) return false;
      if (mtspiel::V30[Slot(mtspiel::NUMMER)].P == l) return true;
    }
  }
  // After 30 trials the board scrolls: the newest trial is always made in the
  // last row of the right column, the 29 before it stand above.
  for (;;) {
    mtspiel::F6_GEDR = false;
    if (mtspiel::NUMMER >= 2147483647) {
      mtspiel::NUMMER = 2147482648;
    } else {
      ++mtspiel::NUMMER;
    }
    for (int i = 0; i < 29; ++i) {
      const int32_t t = mtspiel::NUMMER - 29 + i;
      const int spalte = i < 15 ? 1 : 2;
      const int zeile = 9 + (i < 15 ? i : i - 15);
      VersuchZeigen(spalte, zeile, t, mtspiel::V30[Slot(t)]);
    }
    Nummer(2, 23, mtspiel::NUMMER);
    At(66, 23, std::string(9, ' '));
    At(CodeSpalte(2), 23, std::string(l, X.PC_RAET ? ' ' : '.'));
    At(76, 23, " │ "_cp);
    if (!Versuch(2, 23)) return false;
    if (mtspiel::V30[Slot(mtspiel::NUMMER)].P == l) return true;
  }
}

void Vorbereiten() {
  using namespace mtspiel;
  ZAHL_DER_STERNE = 0;
  RATEN_ZEITANZEIGE = false;
  SETZE_RATE_ZEIT_AKT = false;
  SETZEZEITLETZTERVERSUCH = false;
  NEUER_KANDIDAT = false;
  REIHENFOLGE();
  for (auto& g : GESPIELT) g = false;
  if (!(X.FEST && !X.PC_STELLT && !X.PC_RAET))
    for (auto& c : LOESUNG.z) c = ' ';
  AEQUI_KLASSE = true;
  FEHLZEICHEN = 0;
  UNTERBR = 0;
  ALLESTERNEDRUCKEN = true;
  MERKE_WDHG = X.WDHG;
}

}  // namespace

bool SPIEL() {
  using namespace mtspiel;
  const int l = X.LAENGE;
  SPIEL_ABGEBROCHEN = false;
  // Preparing the game.
  Vorbereiten();
  const int wieviele = WIEVIELE(X.LAENGE, MAXFARBE, X.WDHG, X.LEER);
  const std::string muster = INIT_MUSTER(X.LAENGE, MAXFARBE, X.WDHG, LEER_WAHL);
  SPIELBRETT(wieviele, muster.c_str());
  if (X.PC_STELLT && X.FEST) CodeZiehen();
  PL_0 = static_cast<uint8_t>(MAXFARBE < l ? MAXFARBE : l);
  PL_1 = static_cast<uint8_t>(PL_0 + 1);
  NUMMER = 0;
  SPIELUHR_STARTEN();
  // The computer's set-up shows its opening guess and its progress from the
  // place of the first trial.
  WX = static_cast<uint8_t>(CodeSpalte(1));
  WY = 9;
  K = 9;
  WXMINUS1 = static_cast<uint8_t>(WX - 1);
  term::GotoXY(WX, WY);
  // The store for six positions over 6, 27, 31 or 36 signs is built without
  // repetitions when the computer also varies its own answer.
  const bool sechs = X.PC_STELLT && l == 6 &&
                     (MAXFARBE == 6 || MAXFARBE == 27 || MAXFARBE == 31 || MAXFARBE == 36);
  bool ok = true;
  if (!X.FEST && !X.PC_RAET) {
    const bool wdhg = X.WDHG;
    if (sechs) X.WDHG = false;
    INIT_NICHT_FEST(ok);
    X.WDHG = wdhg;
  }
  if (ok && X.PC_RAET) {
    const bool wdhg = X.WDHG;
    if (sechs && !X.FEST) X.WDHG = false;
    INIT_RATEN(ok);
    X.WDHG = wdhg;
    INITFELD();
  }
  if (ok) {
    if (X.FEST && !(!X.PC_STELLT && X.PC_RAET)) LOESUNGSFARBEN_ZAEHLEN();
    if (!X.PC_RAET) SIGNALTON();
    ok = Versuche();
  }
  SPIEL_ABGEBROCHEN = !ok;
  if (!ok) LISTEN_FREIGEBEN(true);

  // End of the game.
  X.LEER = LEER_WAHL;
  const bool d = Deutsch();
  if (X.PC_RAET) {
    At(1, 25, d ? "Lösung: "_cp : "Answer: ");
    At(24, 25, d ? "Benötigte Versuche: "_cp : "        Trials made:");
    At(57, 25, d ? "Neues Spiel? Ja.       " : "   New game? Yes.      ");
  }
  At(9, 25, std::string(15, ' '));
  At(44, 25, std::string(13, ' '));
  At(3, 19, d ? "Spielende " : "Game end ");
  if (LOESUNG[1] != ' ') At(10, 25, std::string_view(LOESUNG.z, l));
  if (!SPIEL_ABGEBROCHEN) {
    term::GotoXY(45, 25);
    term::WriteInt(NUMMER);
  }
  term::GotoXY(70, 25);
  NAMEN_BEKANNT = true;
  SCHREIBE_ZEIT_FPC();
  ZEITEIN = false;
  for (;;) {
    const char k = term::ReadPlainKey();
    switch (k) {
      case term::KEY_CTRL_C:
      case term::KEY_ESC:
      case 'n':
      case 'N':
        return false;
      case term::KEY_ENTER:
        return true;
      default:
        if (mtspiel::JA_TASTE(k)) return true;
        break;
    }
  }
}

}  // namespace morvandeltrisk
