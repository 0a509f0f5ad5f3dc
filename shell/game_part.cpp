// The conditions screen with its game menu: shows and edits the conditions,
// the capacity table of the computer and the names, and starts the games.
#include "shell/game_part.h"

#include <string>
#include <string_view>

#include "engine/engine_state.h"
#include "engine/memory_budget.h"
#include "game/conditions.h"
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

using mtspiel::X;

bool Deutsch() {
  return SPRACHE_DEUTSCH;
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
  term::GotoXY(Deutsch() ? 71 : 69, 10);
  term::WriteInt(X.ZEITGRENZE);
  term::Write(Deutsch() ? "0 Sek. " : "0 sec.   ");
}

void Zeichenvorrat() {
  term::GotoXY(30, 15);
  term::Write(std::string_view(mtspiel::FARBARRAY + 1, mtspiel::MAXFARBE));
  term::Write(std::string(36 - mtspiel::MAXFARBE, ' '));
}

void AntwortPunkte() {
  At(46, 18, std::string(X.LAENGE, '.') + std::string(9 - X.LAENGE, ' '));
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
  term::GotoXY(35, 8);
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
  At(30, 12, JaNein(X.TON));
  At(30, 13, std::string(1, X.ERSTES));
  At(d ? 57 : 64, 13, JaNein(X.PC_RAET));
  At(30, 14, std::string(1, X.LETZTES));
  Zeichenvorrat();
  term::GotoXY(30, 16);
  term::WriteInt(X.LAENGE);
  At(30, 17, JaNein(X.WDHG));
  At(d ? 72 : 71, 17, JaNein(X.PC_STELLT));
  At(30, 18, JaNein(X.LEER));
  AntwortPunkte();
  At(30, 19, JaNein(X.FEST));
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

// Reads a yes/no field at (x, y); returns the key that ended it.
char JaNeinFeld(int x, int y, bool& wert, bool& geaendert) {
  mtspiel::WXX = static_cast<uint8_t>(x);
  mtspiel::WYY = static_cast<uint8_t>(y);
  term::GotoXY(x, y);
  char taste = 0;
  mtspiel::JA_NEIN(taste, wert, geaendert);
  return taste;
}

// One edit pass over the conditions, beginning at field start. Returns Menue to
// go to the game menu, Hauptmenue for Ctrl-C (or Esc in the time-limit field).
Weiter Bearbeiten(Feld start, bool zurueck = false) {
  const bool d = Deutsch();
  mtspiel::KANN_RATEN = true;
  mtspiel::KANN_MOGELN = true;
  mtspiel::WEITER = false;
  mtspiel::MAXFARBE = mtspiel::NR(X.LETZTES);
  if (ZweiMenschenFest()) AntwortPunkte();
  Feld f = start;
  bool rueckwaerts = zurueck;  // the field was entered with Backspace from the next one
  for (;;) {
    char k = term::KEY_ENTER;
    bool geaendert = false;
    switch (f) {
      case F_ZEIT: {
        term::GotoXY(d ? 71 : 69, 10);
        for (;;) {
          k = term::ReadPlainKey();
          if (k >= '0' && k <= '9') {
            X.ZEITGRENZE = static_cast<uint8_t>(k - '0');
            mtspiel::ZEITLIMIT_SETZEN();
            ZeitWert();
            break;
          }
          if (k == term::KEY_ENTER || k == term::KEY_BACKSPACE || k == term::KEY_ESC ||
              k == term::KEY_CTRL_C)
            break;
        }
        if (k == term::KEY_ESC || k == term::KEY_CTRL_C) return Weiter::Hauptmenue;
        if (k == term::KEY_BACKSPACE) {
          if (X.LAENGE > mtspiel::MAXFARBE && !X.WDHG) {
            X.WDHG = true;
            At(30, 17, d ? "Ja.  " : "Yes.");
          }
          Pruefen(true);
          if (ZweiMenschenFest()) {
            f = F_STELLT;
            rueckwaerts = true;
            continue;
          }
          return Weiter::Menue;
        }
        break;
      }
      case F_TON:
        k = JaNeinFeld(30, 12, X.TON, geaendert);
        if (k == term::KEY_BACKSPACE) k = term::KEY_ESC;  // back to the time limit
        break;
      case F_ERSTES:
        term::GotoXY(30, 13);
        mtspiel::LESE_ZEICHEN('*');
        k = mtspiel::A;
        Pruefen(true);
        break;
      case F_LETZTES:
        term::GotoXY(30, 14);
        mtspiel::LESE_ZEICHEN(X.ERSTES);
        k = mtspiel::A;
        Pruefen(true);
        break;
      case F_LAENGE: {
        mtspiel::KORRIGIERE(mtspiel::MAXFARBE, 2, X.WDHG, X.LEER, true, false);
        term::GotoXY(30, 16);
        for (;;) {
          k = term::ReadPlainKey();
          if (k >= '2' && k <= '9') {
            X.LAENGE = static_cast<uint8_t>(k - '0');
            term::GotoXY(30, 16);
            term::Write(k);
            AntwortPunkte();
            break;
          }
          if (k == term::KEY_ENTER || k == term::KEY_BACKSPACE || k == term::KEY_ESC ||
              k == term::KEY_CTRL_C)
            break;
        }
        if (X.LAENGE > mtspiel::MAXFARBE && !X.WDHG) {
          X.WDHG = true;
          At(30, 17, d ? "Ja.  " : "Yes.");
        }
        Pruefen(true);
        break;
      }
      case F_WDHG:
        if (X.LAENGE > mtspiel::MAXFARBE) {
          // More positions than signs: repetition is a must, and not asked.
          if (!X.WDHG) {
            X.WDHG = true;
            At(30, 17, d ? "Ja.  " : "Yes.");
          }
          f = rueckwaerts ? F_LAENGE : F_LEER;
          continue;
        }
        k = JaNeinFeld(30, 17, X.WDHG, geaendert);
        Pruefen(true);
        break;
      case F_LEER:
        k = JaNeinFeld(30, 18, X.LEER, geaendert);
        LEER_WAHL = X.LEER;
        Pruefen(true);
        break;
      case F_FEST:
        if (!mtspiel::KANN_MOGELN) {
          f = rueckwaerts ? F_LEER : F_RAET;
          continue;
        }
        k = JaNeinFeld(30, 19, X.FEST, geaendert);
        break;
      case F_RAET:
        if (!mtspiel::KANN_RATEN) {
          f = rueckwaerts ? F_FEST : F_STELLT;
          continue;
        }
        k = JaNeinFeld(d ? 57 : 64, 13, X.PC_RAET, geaendert);
        if (geaendert) NameZeile2();
        if ((k == term::KEY_ENTER || k == 'j' || k == 'n') && !X.PC_RAET) {
          char t = 0;
          LESE_NAMEN(2, X.NAME2, t);
          if (t == term::KEY_BACKSPACE) continue;  // ask again whether the computer guesses
          if (t == term::KEY_ESC || t == 2) return Weiter::Hauptmenue;
        }
        break;
      case F_STELLT:
        k = JaNeinFeld(d ? 72 : 71, 17, X.PC_STELLT, geaendert);
        if (geaendert) NameZeile1();
        if (k == term::KEY_ENTER || k == 'j' || k == 'n') {
          if (X.PC_STELLT) return Weiter::Menue;
          if (!NAMEN_BEKANNT) {
            char t = 0;
            LESE_NAMEN(1, X.NAME1, t);
            if (t == term::KEY_BACKSPACE) continue;
            if (t == term::KEY_ESC || t == 2) return Weiter::Hauptmenue;
          }
        }
        break;
      case F_ANTWORT: {
        if (!(X.FEST && !X.PC_RAET)) return Weiter::Menue;
        term::GotoXY(46, 18);
        mtspiel::ZURUECK = rueckwaerts;
        mtspiel::LESE_LSG(mtspiel::LOESUNG, k);
        mtspiel::ZURUECK = false;
        if (k == term::KEY_BACKSPACE) {
          NAMEN_BEKANNT = false;
          f = F_STELLT;
          rueckwaerts = true;
          continue;
        }
        if (k == term::KEY_ESC || k == term::KEY_CTRL_C) {
          NAMEN_BEKANNT = false;
          AntwortPunkte();
          f = k == term::KEY_ESC ? F_STELLT : F_ZEIT;
          rueckwaerts = false;
          continue;
        }
        return Weiter::Menue;
      }
      case F_ENDE:
        return Weiter::Menue;
    }
    // The common keys of every field but the answer.
    if (k == term::KEY_CTRL_C) return Weiter::Hauptmenue;
    if (k == term::KEY_ESC) {
      f = F_ZEIT;
      rueckwaerts = false;
    } else if (k == term::KEY_BACKSPACE) {
      f = static_cast<Feld>(f - 1);
      rueckwaerts = true;
    } else {
      f = static_cast<Feld>(f + 1);
      rueckwaerts = false;
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
    term::GotoXY(73, 20);
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
          At(46, 18, std::string(X.LAENGE, ' '));
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
