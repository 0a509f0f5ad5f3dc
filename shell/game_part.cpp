// The conditions screen with its game menu: shows and edits the conditions,
// the capacity table of the computer and the names, and starts the games.
#include "shell/game_part.h"

#include <string>
#include <string_view>

#include "engine/engine_state.h"
#include "engine/memory_budget.h"
#include "game/conditions.h"
#include "game/conditions_screen.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/cp850.h"
#include "screen/terminal.h"
#include "shell/conditions_check.h"
#include "shell/conditions_file.h"
#include "shell/game_board.h"
#include "shell/names.h"
#include "shell/screen_pieces.h"
#include "shell/shell_state.h"

namespace morvandeltrisk {
namespace {

using mtspiel::BFELD;
using mtspiel::X;

bool Deutsch() {
  return SPRACHE_DEUTSCH;
}

// Writes text into field f of the conditions screen.
void InFeld(BFELD f, std::string_view text) {
  mtspiel::IN_FELD(f, Deutsch(), text);
}
void ZumFeld(BFELD f) {
  mtspiel::ZUM_FELD(f, Deutsch());
}

// A framed row: the text from column 2, blanks up to column 78, a frame at 79.
void Zeile(int y, std::string_view text) {
  At(1, y, "║"_cp);
  term::Write(text);
  const int used = 1 + static_cast<int>(text.size());
  term::Write(std::string(used < 78 ? 78 - used : 0, ' '));
  term::Write("║"_cp);
}

const char* JaNein(bool wert) {
  return JANEIN_TEXT[Deutsch() ? 1 : 0][wert ? 1 : 0];
}

void ZeitWert() {
  ZumFeld(mtspiel::BF_ZEIT);
  term::WriteInt(X.ZEITGRENZE);
  term::Write(Deutsch() ? "0 Sek. " : "0 sec.   ");
}

void Zeichenvorrat() {
  InFeld(mtspiel::BF_VORRAT, std::string_view(mtspiel::FARBARRAY + 1, mtspiel::MAXFARBE));
  term::Write(std::string(mtspiel::BREITE(mtspiel::BF_VORRAT) - mtspiel::MAXFARBE, ' '));
}

void AntwortPunkte() {
  InFeld(mtspiel::BF_ANTWORT,
         std::string(X.LAENGE, '.') +
             std::string(mtspiel::BREITE(mtspiel::BF_ANTWORT) - X.LAENGE, ' '));
}

void NameZeile1() {
  if (X.PC_STELLT) {
    SCHREIBE_PC(true, false);
  } else {
    SCHREIBE_NAME(true, false, false);
  }
}

void NameZeile2() {
  if (X.PC_RAET) {
    SCHREIBE_PC(false, true);
  } else {
    SCHREIBE_NAME(false, true, false);
  }
}

// The capacity row: lengths 2..9, the largest number of signs for each.
void Kapazitaet() {
  ZumFeld(mtspiel::BF_KAPAZITAET);
  for (int l = 2; l <= 9; ++l) {
    const int n = mtspiel::ZAEHLEFARBEN[l];
    if (n < 2) {
      term::Write(" -   ");
    } else {
      if (n < 10) term::Write(' ');
      term::WriteInt(n);
      term::Write("   ");
    }
    mtspiel::MERKEZAEHLEFARBEN[l] = static_cast<uint8_t>(n);
  }
}

void Trenner(int y) {
  At(36, y, "│"_cp);
}

bool ZweiMenschenFest() {
  return X.FEST && !X.PC_STELLT && !X.PC_RAET;
}

void Pruefen(bool anzeigen) {
  mtspiel::KORRIGIERE(mtspiel::MAXFARBE, X.LAENGE, X.WDHG, X.LEER, anzeigen, false);
}

}  // namespace

void BILDSCHIRM() {
  const bool d = Deutsch();
  term::TextAttr = FARBE_NORMAL;
  term::ClrScr();
  At(1, 1, "╔"_cp);
  term::Write(Wiederholt("═"_cp, 67) + std::string("╦"_cp) + Wiederholt("═"_cp, 9) +
              std::string("╗"_cp));
  At(1, 2, "║"_cp);
  term::Write("                               Morvandeltrisk                      ");
  term::Write("║ "_cp);
  term::TextAttr = FARBE_HERVOR;
  term::Write(mtspiel::SPEICHER_TEXT[SPEICHERWAHL]);
  term::TextAttr = FARBE_NORMAL;
  term::Write(" ║"_cp);
  At(1, 3, "║"_cp);
  term::Write("                             ******************                    ");
  term::Write("╚"_cp);
  term::Write(Wiederholt("═"_cp, 9) + std::string("╣"_cp));
  if (d) {
    Zeile(4, " 2 - 9  Zeichen mit/ohne Möglichkeit der Wiederholung."_cp);
    Zeile(5, " Sie können aus folgenden Zeichen wählen: a,..,z,0,..,9."_cp);
    Zeile(6, " Der Computer kann höchstens einen der folgenden Codes raten:"_cp);
    Zeile(7, " Länge des Codes             :    2    3    4    5    6    7    8    9"_cp);
    Zeile(8, " Max. Anzahl erlaubter Zeichen:   ");
  } else {
    Zeile(4, " 2 - 9  signs with/without the possibility of repetitions.");
    Zeile(5, " You can choose from the following signs: a,..,z,0,..,9.");
    Zeile(6, " The computer at most can guess one of the following codes:");
    Zeile(7, " Length of the code          :    2    3    4    5    6    7    8    9");
    Zeile(8, " Max. number of allowed signs:   ");
  }
  Kapazitaet();
  At(1, 9, "╠"_cp);
  term::Write(Wiederholt("═"_cp, 77) + std::string("╣"_cp));
  for (int y = 10; y <= 21; ++y) Zeile(y, "");
  if (d) {
    At(2, 10, " Gewünschte Spielbedingungen:"_cp);
    At(37, 10, " Zeitbegrenzung (nur für den PC): "_cp);
    At(37, 11, " (00 Sek. bedeutet keine Zeitbegrenzung.) ");
    At(2, 12, " Ton               :        ");
    At(2, 13, " Erstes Zeichen    :        ");
    At(37, 13, " Soll der PC raten? ");
    At(2, 14, " Letztes Zeichen   :        ");
    At(2, 15, " Zeichenvorrat     :        ");
    At(2, 16, " Länge des Codes   :        "_cp);
    At(2, 17, " Wiederholungen?            ");
    At(37, 17, " Soll der PC ein Rätsel stellen?   "_cp);
    At(2, 18, " Sind Leerzeichen erlaubt?  ");
    At(37, 18, " Lösung: "_cp);
    At(2, 19, " Ist die Antwort fest?      ");
    At(37, 20, " Bitte wählen Sie (1, 2, 3 oder 4): 1."_cp);
    At(2, 21, " 1.: Spiel zu diesen Bed. -  2.: Revanche -  3.: Bed. ändern -  4.: Ende."_cp);
  } else {
    At(2, 10, " Please choose now:");
    At(37, 10, " Timelimit (only for computer): ");
    At(37, 11, " (00 sec. means no timelimit.)");
    At(2, 12, " Sound             :        ");
    At(2, 13, " First sign        :        ");
    At(37, 13, " Shall the computer guess? ");
    At(2, 14, " Last  sign        :        ");
    At(2, 15, " Set of signs      :        ");
    At(2, 16, " Length of the code:        ");
    At(2, 17, " Repetitions of signs?      ");
    At(37, 17, " Shall the computer ask a riddle? ");
    At(2, 18, " Are vacant signs allowed?  ");
    At(37, 18, " Answer: ");
    At(2, 19, " Is the answer fixed?       ");
    At(37, 20, " Please choose now (1, 2, 3 or 4):  1.");
    At(2, 21, " 1: Game on these conditions -  2: Rematch -  3: Change conditons -  4: End. ");
  }
  for (int y : {10, 11, 12, 13, 17, 18, 19}) Trenner(y);
  ZeitWert();
  InFeld(mtspiel::BF_TON, JaNein(X.TON));
  InFeld(mtspiel::BF_ERSTES, std::string(1, X.ERSTES));
  InFeld(mtspiel::BF_PC_RAET, JaNein(X.PC_RAET));
  InFeld(mtspiel::BF_LETZTES, std::string(1, X.LETZTES));
  Zeichenvorrat();
  ZumFeld(mtspiel::BF_LAENGE);
  term::WriteInt(X.LAENGE);
  InFeld(mtspiel::BF_WDHG, JaNein(X.WDHG));
  InFeld(mtspiel::BF_PC_STELLT, JaNein(X.PC_STELLT));
  InFeld(mtspiel::BF_LEER, JaNein(X.LEER));
  AntwortPunkte();
  InFeld(mtspiel::BF_FEST, JaNein(X.FEST));
  At(1, 22, "╠"_cp);
  term::Write(Wiederholt("═"_cp, 77) + std::string("╣"_cp));
  Zeile(23, d ? " 1. Spieler, stellt das Rätsel    : "_cp : " 1st player,who devises the riddle: ");
  Zeile(24, d ? " 2. Spieler, knackt den Code      : " : " 2nd player,who cracks the code   : ");
  NameZeile1();
  NameZeile2();
  At(1, 25, "╚"_cp);
  term::Write(Wiederholt("═"_cp, 77));
  term::Write("╝"_cp);
}

namespace {

// Where the conditions screen goes next.
enum class Weiter { Menue, Spiel, Hauptmenue };

// The fields of the edit pass, in their forward order.
enum Feld {
  F_ZEIT,
  F_TON,
  F_ERSTES,
  F_LETZTES,
  F_LAENGE,
  F_WDHG,
  F_LEER,
  F_FEST,
  F_RAET,
  F_STELLT,
  F_ANTWORT,
  F_ENDE
};

// The state of an edit pass: the field at hand, and whether it was entered with
// Backspace from the next one.
struct Durchgang {
  Feld feld;
  bool rueckwaerts;
};

// How a field of the edit pass ended.
struct Ausgang {
  enum Art {
    MIT_TASTE,   // with taste, which the pass treats alike for every field
    GESPRUNGEN,  // the field chose the next field itself
    SCHLUSS,     // the pass ends and the screen goes on with weiter
  } art;
  char taste;
  Weiter weiter;
};

Ausgang MitTaste(char taste) {
  return {Ausgang::MIT_TASTE, taste, Weiter::Menue};
}
Ausgang Springe(Durchgang& d, Feld feld, bool rueckwaerts) {
  d = {feld, rueckwaerts};
  return {Ausgang::GESPRUNGEN, 0, Weiter::Menue};
}
Ausgang Schluss(Weiter weiter) {
  return {Ausgang::SCHLUSS, 0, weiter};
}
// A field that is not offered under these conditions: on in the direction the
// pass was going.
Ausgang Uebersprungen(Durchgang& d) {
  return Springe(d, static_cast<Feld>(d.rueckwaerts ? d.feld - 1 : d.feld + 1), d.rueckwaerts);
}

bool Endtaste(char k) {
  return k == term::KEY_ENTER || k == term::KEY_BACKSPACE || k == term::KEY_ESC ||
         k == term::KEY_CTRL_C;
}
bool Ziffer(char k) {
  return k >= '0' && k <= '9';
}
// A yes/no field was answered (Enter keeps the value).
bool Beantwortet(char k) {
  return k == term::KEY_ENTER || k == 'j' || k == 'n';
}

// Reads keys until a digit von..bis or a key that ends a field, and returns it.
char LeseZiffer(char von, char bis) {
  for (;;) {
    const char k = term::ReadPlainKey();
    if ((k >= von && k <= bis) || Endtaste(k)) return k;
  }
}

// More positions than signs: a sign must repeat, so repetition is switched on
// and shown.
void WdhgErzwingen() {
  if (X.LAENGE <= mtspiel::MAXFARBE || X.WDHG) return;
  X.WDHG = true;
  InFeld(mtspiel::BF_WDHG, mtspiel::JA_NEIN_ECHO(true, Deutsch()));
}

// Reads the yes/no field f; returns the key that ended it.
char JaNeinFeld(BFELD f, bool& wert, bool& geaendert) {
  const mtspiel::FELDPLATZ p = mtspiel::PLATZ(f, Deutsch());
  mtspiel::WXX = static_cast<uint8_t>(p.x);
  mtspiel::WYY = static_cast<uint8_t>(p.y);
  term::GotoXY(p.x, p.y);
  char taste = 0;
  mtspiel::JA_NEIN(taste, wert, geaendert);
  return taste;
}

// A yes/no field that needs no more than its value.
Ausgang JaNeinFrage(BFELD f, bool& wert) {
  bool geaendert = false;
  return MitTaste(JaNeinFeld(f, wert, geaendert));
}

// The name of a human player, read after his yes/no field was answered with k.
// Backspace out of the name asks the yes/no field again.
Ausgang MitNamen(Durchgang& d, uint8_t zeile, mtspiel::NAMENSFELD& name, char k) {
  char t = 0;
  LESE_NAMEN(zeile, name, t);
  if (t == term::KEY_BACKSPACE) return Springe(d, d.feld, d.rueckwaerts);
  if (t == term::KEY_ESC || t == 2) return Schluss(Weiter::Hauptmenue);
  return MitTaste(k);
}

Ausgang Zeitgrenze(Durchgang& d) {
  ZumFeld(mtspiel::BF_ZEIT);
  const char k = LeseZiffer('0', '9');
  if (Ziffer(k)) {
    X.ZEITGRENZE = static_cast<uint8_t>(k - '0');
    mtspiel::ZEITLIMIT_SETZEN();
    ZeitWert();
  }
  if (k == term::KEY_ESC || k == term::KEY_CTRL_C) return Schluss(Weiter::Hauptmenue);
  if (k == term::KEY_BACKSPACE) {
    // Back out of the pass: to the game menu, or for two humans with a fixed
    // answer to the encoder's field, so that the answer is typed again.
    WdhgErzwingen();
    Pruefen(true);
    if (ZweiMenschenFest()) return Springe(d, F_STELLT, true);
    return Schluss(Weiter::Menue);
  }
  return MitTaste(k);
}

Ausgang Ton() {
  bool geaendert = false;
  const char k = JaNeinFeld(mtspiel::BF_TON, X.TON, geaendert);
  if (k == term::KEY_BACKSPACE) return MitTaste(term::KEY_ESC);  // back to the time limit
  return MitTaste(k);
}

// The first (grenze '*') or the last sign of the set.
Ausgang Zeichen(BFELD f, char grenze) {
  ZumFeld(f);
  mtspiel::LESE_ZEICHEN(grenze);
  const char k = mtspiel::A;
  Pruefen(true);
  return MitTaste(k);
}

Ausgang Laenge() {
  mtspiel::KORRIGIERE(mtspiel::MAXFARBE, 2, X.WDHG, X.LEER, true, false);
  ZumFeld(mtspiel::BF_LAENGE);
  const char k = LeseZiffer('2', '9');
  if (Ziffer(k)) {
    X.LAENGE = static_cast<uint8_t>(k - '0');
    ZumFeld(mtspiel::BF_LAENGE);
    term::Write(k);
    AntwortPunkte();
  }
  WdhgErzwingen();
  Pruefen(true);
  return MitTaste(k);
}

Ausgang Wiederholungen(Durchgang& d) {
  if (X.LAENGE > mtspiel::MAXFARBE) {
    // More positions than signs: repetition is a must, and not asked.
    WdhgErzwingen();
    return Uebersprungen(d);
  }
  const Ausgang a = JaNeinFrage(mtspiel::BF_WDHG, X.WDHG);
  Pruefen(true);
  return a;
}

Ausgang Leerzeichen() {
  const Ausgang a = JaNeinFrage(mtspiel::BF_LEER, X.LEER);
  LEER_WAHL = X.LEER;
  Pruefen(true);
  return a;
}

Ausgang Fest(Durchgang& d) {
  if (!mtspiel::KANN_MOGELN) return Uebersprungen(d);
  return JaNeinFrage(mtspiel::BF_FEST, X.FEST);
}

Ausgang PcRaet(Durchgang& d) {
  if (!mtspiel::KANN_RATEN) return Uebersprungen(d);
  bool geaendert = false;
  const char k = JaNeinFeld(mtspiel::BF_PC_RAET, X.PC_RAET, geaendert);
  if (geaendert) NameZeile2();
  if (Beantwortet(k) && !X.PC_RAET) return MitNamen(d, 2, X.NAME2, k);
  return MitTaste(k);
}

Ausgang PcStellt(Durchgang& d) {
  bool geaendert = false;
  const char k = JaNeinFeld(mtspiel::BF_PC_STELLT, X.PC_STELLT, geaendert);
  if (geaendert) NameZeile1();
  if (!Beantwortet(k)) return MitTaste(k);
  if (X.PC_STELLT) return Schluss(Weiter::Menue);
  if (NAMEN_BEKANNT) return MitTaste(k);
  return MitNamen(d, 1, X.NAME1, k);
}

// The answer typed by the human encoder when it is fixed and a human guesses.
Ausgang Antwort(Durchgang& d) {
  if (!(X.FEST && !X.PC_RAET)) return Schluss(Weiter::Menue);
  ZumFeld(mtspiel::BF_ANTWORT);
  char k = term::KEY_ENTER;
  mtspiel::ZURUECK = d.rueckwaerts;
  mtspiel::LESE_LSG(mtspiel::LOESUNG, k);
  mtspiel::ZURUECK = false;
  if (k == term::KEY_BACKSPACE) {
    NAMEN_BEKANNT = false;
    return Springe(d, F_STELLT, true);
  }
  if (k == term::KEY_ESC || k == term::KEY_CTRL_C) {
    NAMEN_BEKANNT = false;
    AntwortPunkte();
    return Springe(d, k == term::KEY_ESC ? F_STELLT : F_ZEIT, false);
  }
  return Schluss(Weiter::Menue);
}

Ausgang Feldeingabe(Durchgang& d) {
  switch (d.feld) {
    case F_ZEIT:
      return Zeitgrenze(d);
    case F_TON:
      return Ton();
    case F_ERSTES:
      return Zeichen(mtspiel::BF_ERSTES, '*');
    case F_LETZTES:
      return Zeichen(mtspiel::BF_LETZTES, X.ERSTES);
    case F_LAENGE:
      return Laenge();
    case F_WDHG:
      return Wiederholungen(d);
    case F_LEER:
      return Leerzeichen();
    case F_FEST:
      return Fest(d);
    case F_RAET:
      return PcRaet(d);
    case F_STELLT:
      return PcStellt(d);
    case F_ANTWORT:
      return Antwort(d);
    case F_ENDE:
      break;
  }
  return Schluss(Weiter::Menue);
}

// One edit pass over the conditions, beginning at field start (entered with
// Backspace when zurueck). Returns Menue to go to the game menu, Hauptmenue for
// Ctrl-C (or Esc in the time-limit field).
Weiter Bearbeiten(Feld start, bool zurueck = false) {
  mtspiel::KANN_RATEN = true;
  mtspiel::KANN_MOGELN = true;
  mtspiel::WEITER = false;
  mtspiel::MAXFARBE = mtspiel::NR(X.LETZTES);
  if (ZweiMenschenFest()) AntwortPunkte();
  Durchgang d{start, zurueck};
  for (;;) {
    const Ausgang a = Feldeingabe(d);
    if (a.art == Ausgang::SCHLUSS) return a.weiter;
    if (a.art == Ausgang::GESPRUNGEN) continue;
    // The keys that end every field alike: Ctrl-C leaves, Esc restarts the
    // pass, Backspace goes back a field, any other key forward.
    if (a.taste == term::KEY_CTRL_C) return Weiter::Hauptmenue;
    if (a.taste == term::KEY_ESC) {
      d = {F_ZEIT, false};
    } else if (a.taste == term::KEY_BACKSPACE) {
      d = {static_cast<Feld>(d.feld - 1), true};
    } else {
      d = {static_cast<Feld>(d.feld + 1), false};
    }
  }
}

// Rematch: exchanged roles and names. Returns whether a game starts now;
// antwort is set when the new encoder must type the answer first.
bool Revanche(bool& antwort) {
  antwort = false;
  if (!X.PC_STELLT && !X.PC_RAET) {
    if (X.FEST) {
      SCHREIBE_NAME(true, true, true);
      antwort = true;
      return false;
    }
    NAMEOK(true);
    return true;
  }
  if (X.PC_STELLT && !X.PC_RAET) {
    if (!mtspiel::KANN_RATEN) return false;
    NAMEOK(true);
    X.PC_RAET = true;
    X.PC_STELLT = false;
    return true;
  }
  if (X.PC_RAET && !X.PC_STELLT) {
    NAMEOK(true);
    X.PC_RAET = false;
    X.PC_STELLT = true;
    return true;
  }
  return true;
}

// The game menu. Returns Spiel to play, Hauptmenue to leave, or runs the edit pass.
Weiter Spielmenue() {
  for (;;) {
    NAMEN_BEKANNT = false;
    ZumFeld(mtspiel::BF_WAHL);
    char k = term::ReadPlainKey();
    if (k == term::KEY_ESC || k == term::KEY_CTRL_C) k = '4';
    if (k == term::KEY_ENTER) k = '1';
    Weiter w = Weiter::Menue;
    switch (k) {
      case '1':
        return Weiter::Spiel;
      case '2': {
        bool antwort = false;
        if (Revanche(antwort)) return Weiter::Spiel;
        if (antwort) w = Bearbeiten(F_ANTWORT);
        break;
      }
      case '3':
        w = Bearbeiten(F_ZEIT);
        break;
      case '4':
        return Weiter::Hauptmenue;
      case term::KEY_BACKSPACE:
        if (ZweiMenschenFest()) {
          w = Bearbeiten(F_ANTWORT, true);
        } else {
          InFeld(mtspiel::BF_ANTWORT, std::string(X.LAENGE, ' '));
          Pruefen(true);
          w = Bearbeiten(F_STELLT);
        }
        break;
      default:
        break;
    }
    if (w == Weiter::Hauptmenue) return w;
  }
}

}  // namespace

void SPIELTEIL() {
  for (;;) {
    Pruefen(false);
    NAMEOK(false);
    BILDSCHIRM();
    Weiter w = Weiter::Menue;
    if (ZweiMenschenFest()) w = Bearbeiten(F_STELLT);
    if (w != Weiter::Hauptmenue) w = Spielmenue();
    if (w == Weiter::Hauptmenue) return;
    // Start the game.
    term::TextAttr = FARBE_NORMAL;
    term::ClrScr();
    mtspiel::MAXFARBE = mtspiel::NR(X.LETZTES);
    Pruefen(false);
    LEER_WAHL = X.LEER;
    BEDINGUNGENSPEICHERN();
    if (X.PC_RAET && (mtspiel::MAXFARBE > 2 || X.LAENGE < 4)) X.LEER = false;
    mtspiel::LEERZEICHEN = X.LEER;
    mtspiel::FEHLZ_BENUTZT = X.LEER;
    mtspiel::ALLE_F_LOESCHEN = X.LEER;
    mtspiel::KENNEALLEFARBEN = !X.WDHG && X.LAENGE == mtspiel::MAXFARBE;
    if (!SPIEL()) return;  // no new game: back to the main menu
  }
}

}  // namespace morvandeltrisk
