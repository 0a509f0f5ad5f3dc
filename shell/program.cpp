// The spine of the program: start-up, the language screen, the main menu and
// the exit screen.
#include "shell/program.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "clock/calendar.h"
#include "clock/date_time_setting.h"
#include "clock/game_clock.h"
#include "engine/engine_state.h"
#include "engine/guessing.h"
#include "engine/memory_budget.h"
#include "game/answer_order.h"
#include "game/conditions.h"
#include "game/input.h"
#include "game/signs.h"
#include "game/trial_record.h"
#include "screen/colours.h"
#include "screen/cp850.h"
#include "screen/instructions.h"
#include "screen/terminal.h"
#include "shell/conditions_check.h"
#include "shell/conditions_file.h"
#include "shell/conditions_path.h"
#include "shell/configuration.h"
#include "shell/game_part.h"
#include "shell/names.h"
#include "shell/screen_pieces.h"
#include "shell/shell_state.h"

namespace morvandeltrisk {
namespace {

using mtspiel::X;

// Writes text; the parts between braces in the emphasis colour.
void Markiert(std::string_view text) {
  const uint8_t normal = term::TextAttr;
  for (char c : text) {
    if (c == '{') {
      term::TextAttr = FARBE_HERVOR;
    } else if (c == '}') {
      term::TextAttr = normal;
    } else {
      term::Write(c);
    }
  }
  term::TextAttr = normal;
}

// Writes a page of exactly 25 rows, the last without a line end, so the
// screen never scrolls.
template <size_t N>
void Seite(const std::string_view (&rows)[N]) {
  static_assert(N == 25);
  term::TextAttr = FARBE_NORMAL;
  for (size_t i = 0; i < N; ++i) {
    Markiert(rows[i]);
    if (i + 1 < N) term::WriteLn();
  }
}

// The version line of the language screen and of the exit screen.
std::string Versionszeile() {
  return " Version " + std::string(kVersion) + " for terminals of 80 x 25 characters.";
}

void InputClosed() {
  // The terminal went away or the input was closed, or Ctrl-C came while the
  // window is too small to show the game: end as choice 9 would.
  BEDINGUNGENSPEICHERN();
  NOTEXIT();
  std::exit(0);
}

void HauptmenueSchreiben() {
  term::TextAttr = FARBE_NORMAL;
  term::ClrScr();
  if (SPRACHE_DEUTSCH) {
    TITELD();
  } else {
    TITELE();
  }
}

}  // namespace

std::string EIGENER_PFAD(const char* argv0) {
#if defined(__linux__)
  // The real path of the running binary, so that the conditions file always
  // lands beside it, however the program was started. The buffer grows until
  // the path fits: a path is never cut.
  std::string buf(4096, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0) break;
    if (static_cast<size_t>(n) < buf.size()) return buf.substr(0, static_cast<size_t>(n));
    buf.resize(buf.size() * 2);
  }
#endif
  // The kernel cannot name a binary deeper than a page of path: a relative
  // path is then taken from the working directory, which has no such limit.
  std::string pfad = argv0 ? argv0 : "";
  if (pfad.empty() || pfad[0] == '/' || pfad.find('/') == std::string::npos) return pfad;
  char* hier = getcwd(nullptr, 0);
  if (hier == nullptr) return pfad;
  std::string absolut = hier;
  std::free(hier);
  while (pfad.compare(0, 2, "./") == 0) pfad.erase(0, 2);
  if (absolut.empty() || absolut.back() != '/') absolut += '/';
  return absolut + pfad;
}

void ANFANGEN() {
  // 1. What the terminal was at the start, given back at exit: its attribute and
  //    its text mode (7 when it shows no colours). Ctrl-C needs nothing here: the
  //    terminal layer delivers it as the ordinary key 3.
  STARTZUSTAND.text_attr = term::TextAttr;
  STARTZUSTAND.text_mode = term::LastMode;
  // 2. A closed input, or Ctrl-C while the page is hidden, ends the program as
  //    choice 9 would.
  term::SetInputClosedHandler(InputClosed);
  term::SetQuitHandler(InputClosed);
  // 3. Today for the clock. A year outside 1980..9999 is shown as a year inside
  //    it; the system clock itself is never set (SetDate refuses).
  zuf::DATUM heute = zuf::HEUTE();
  if (heute.JAHR < 1980 || heute.JAHR > 9999) {
    heute.JAHR = heute.JAHR < 1980 ? static_cast<uint16_t>(heute.JAHR % 100 + 2000) : 9999;
    term::SetDate(heute.JAHR, heute.MONAT, heute.TAG);
  }
  term::GetTime(mtspiel::UHRZEIT.STD, mtspiel::UHRZEIT.MIN, mtspiel::UHRZEIT.SEK, mtspiel::HSEK);
  mtspiel::DATUM_ANZEIGE = heute;
  // 4. The clock stopped, the shuffle table, the virtual date today and the day after.
  mtspiel::ZEITEIN = false;
  mtspiel::INITFELD();
  mtspiel::VIRTUALDATE = false;
  mtspiel::VIRTUALOLDDATE = true;
  mtspiel::VIRDATUM1 = heute;
  mtspiel::ZWEITESDATUM();
  // 5. The conditions file: beside the program, or where the user keeps settings.
  const BEDINGUNGSORT ort =
      BEDINGUNGSORT_FINDEN(PROGRAMMPFAD, std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), true);
  ALT = ort.datei;
  ALT_PRIVAT = ort.privat;
  // 6. Random numbers.
  term::Randomize();
  // 7. The defaults, then the conditions read and repaired over them; leftovers of
  //    an interrupted write are cleared; the memory budget of the conditions.
  NAMEN_BEKANNT = true;
  mtspiel::INITIALISIERE();
  BEDINGUNGEN_LESEN(LESEDATEI(ort));
  ZWISCHENDATEIEN_AUFRAEUMEN(ALT);
  SPEICHERWAHL = X.SPEICHER;
  SPEICHERWAHL_ALT = SPEICHERWAHL;
  mtspiel::MEMAVAIL_FPC = mtspiel::SPEICHER_BYTES[SPEICHERWAHL];
  // 8. Board columns, an empty store, and what the computer can do under these
  //    conditions (checked without drawing).
  mtspiel::X3[1] = 56;
  mtspiel::X3[2] = 76;
  mtspiel::X4[1] = 58;
  mtspiel::X4[2] = 78;
  mtspiel::MERKEMEMAVAIL = -5;
  mtspiel::NOTINVERS = true;
  mtspiel::LETZTEZAHL = 0;
  mtspiel::SP_D = SPRACHE_DEUTSCH;
  mtspiel::KORRIGIERE(mtspiel::MAXFARBE, X.LAENGE, X.WDHG, X.LEER, false, false);
  LEER_WAHL = X.LEER;
  NAMEOK(false);
  // 9. Colour or not: text modes 0, 2 and 7 show no colours. A fresh page; the
  //    colours of the file are checked against what the terminal can show, and
  //    replaced ones are remembered so that the file keeps the player's own.
  FARBBILDSCHIRM =
      !(STARTZUSTAND.text_mode == 0 || STARTZUSTAND.text_mode == 2 || STARTZUSTAND.text_mode == 7);
  term::ClrScr();
  DATEIFARBEN = {};
  DATEIFARBEN.normal = X.ATTR_NORMAL;
  DATEIFARBEN.hervor = X.ATTR_HERVOR;
  FARBEN_PRUEFEN(FARBBILDSCHIRM);
  DATEIFARBEN.ersetzt = !FARBBILDSCHIRM && (X.ATTR_NORMAL != DATEIFARBEN.normal ||
                                            X.ATTR_HERVOR != DATEIFARBEN.hervor);
  DATEIFARBEN.ersatz_normal = X.ATTR_NORMAL;
  DATEIFARBEN.ersatz_hervor = X.ATTR_HERVOR;
  FARBE_NORMAL = X.ATTR_NORMAL;
  FARBE_HERVOR = X.ATTR_HERVOR;
  // 10. The colours in use, the cursor home, the clock's first reading.
  term::TextAttr = FARBE_NORMAL;
  term::GotoXY(1, 1);
  mtspiel::SCHREIBE_ZEIT_FPC();
}

void WAEHLE_SPRACHE() {
  const std::string titel = " ********  Morvandeltrisk  ***  " + Versionstitel() + ".  ********";
  const std::string kopf = "{" + titel + "}";
  const std::string version = Versionszeile();
  const std::string_view rows[25] = {
      kopf,
      "",
      " Morvandeltrisk is a game of code breaking for two players, or for one player",
      " against the computer. One player devises a secret code of 2 to 9 signs, the",
      " other cracks it: every trial is answered with the number of signs in the",
      " right place (P) and the number of further signs in common (S, German Z).",
      "",
      " The computer can devise the riddle, with a fixed code or with one that it",
      " changes within the answers already given, it can crack your code within the",
      " memory and the time you allow it, and it can referee two human players.",
      "",
      version,
      " Free software: you may use, copy, change and pass it on, with or without",
      " changes. It comes without any warranty.",
      "",
      " Digits and letters choose, 'Esc' goes back, 'F4' hurries the computer.",
      " The conditions of your last game are kept in the file BEDINGUN.DAT.",
      "",
      "{ Deutsch:}",
      " Um \"Deutsch\" als Sprache zu wählen, drücken Sie bitte \"d\" oder \"D\"."_cp,
      " Um das Programm zu verlassen, drücken Sie bitte \"Esc\"/\"Escape\"."_cp,
      "",
      "{ English:}",
      " To choose 'English' as language, please press 'e' or 'E'.",
      " To leave the program, please press 'Esc'/'Escape'.",
  };
  term::TextAttr = FARBE_NORMAL;
  term::ClrScr();
  Seite(rows);
  for (;;) {
    const char k = term::ReadKeyWhole();
    if (k == 'd' || k == 'D' || k == 'e' || k == 'E' || k == term::KEY_ESC ||
        k == term::KEY_CTRL_C) {
      TASTE_SPRACHE = static_cast<char>(k | 0x20);
      if (k == term::KEY_ESC || k == term::KEY_CTRL_C) TASTE_SPRACHE = term::KEY_ESC;
      SPRACHE_DEUTSCH = k != 'e' && k != 'E';
      mtspiel::SP_D = SPRACHE_DEUTSCH;
      return;
    }
  }
}

namespace {

// One row of the key summary: the key names (emphasised between braces) in a
// column of 20 characters, then what they do.
std::string Tastenzeile(std::string_view keys, std::string_view text) {
  size_t shown = 0;
  for (char c : keys)
    if (c != '{' && c != '}') ++shown;
  std::string row = " ";
  row += keys;
  row.append(shown < 20 ? 20 - shown : 1, ' ');
  row += text;
  return row;
}

}  // namespace

void TITELE() {
  const std::string k[11] = {
      Tastenzeile("{'Esc'}/{'Escape'}", "leaves a screen, breaks off a game or ends the program."),
      Tastenzeile("{Backspace}, {'<--'},", "show the previous page of a text; Backspace also"),
      Tastenzeile("{'Ctrl H'}, {'PgUp'}", "goes back to the previous field."),
      Tastenzeile("{any other key}", "shows the next page of a text."),
      Tastenzeile("{digits}, {letters}", "select and change; for the digits of the number"),
      Tastenzeile("", "block switch on {'Num'}."),
      Tastenzeile("{'CR'}/{'Enter'}", "accepts the computer's proposal or continues."),
      Tastenzeile("{Backspace}, {'del'}", "correct your trial while you are guessing."),
      Tastenzeile("{'F4'}", "makes the computer end its guessing soon."),
      Tastenzeile("{'<-'}, {'->'}", "move the cursor while you are guessing."),
      Tastenzeile("{' '} or {'*'}", "is the vacant sign, where it is allowed."),
  };
  const std::string_view rows[25] = {
      "{ Operating instructions:}",
      "",
      k[0],
      k[1],
      k[2],
      k[3],
      k[4],
      k[5],
      k[6],
      k[7],
      k[8],
      k[9],
      k[10],
      "",
      " Every trial is answered with {P}, the signs in the right place, and {S}, the",
      " further signs that trial and code have in common. The game ends when P",
      " equals the length of the code.",
      "",
      "{Please choose now:}",
      "",
      " 1 - Change the language.        5 - The game starts.",
      " 2 - Show/change date/time.      6 - Short instruction of the game.   (1 page)",
      " 3 - Calendar from 0000 to 9999/ 7 - Detailed instruction of the game.(4 pages)",
      "     Virtual date of the game.   8 - Configuration.                   (1 page)",
      " 4 - Lend colour to the game.    9 - End of the game.",
  };
  Seite(rows);
}

void TITELD() {
  const std::string k[11] = {
      Tastenzeile("{'Esc'}/{'Escape'}",
                  "verlässt eine Seite oder ein Spiel, beendet das Programm."_cp),
      Tastenzeile("{Rücktaste}, {'<--'},"_cp,
                  "zeigen die vorige Seite eines Textes; die Rücktaste"_cp),
      Tastenzeile("{'Strg H'}, {'PgUp'}", "geht auch zurück zum vorigen Feld."_cp),
      Tastenzeile("{jede andere Taste}", "zeigt die nächste Seite eines Textes."_cp),
      Tastenzeile("{Ziffern}, {Buchstaben}",
                  "wählen und ändern; für die Ziffern des Zahlenblocks"_cp),
      Tastenzeile("", "schalten Sie {'Num'} ein."),
      Tastenzeile("{'CR'}/{'Enter'}", "übernimmt den Vorschlag des Computers oder geht weiter."_cp),
      Tastenzeile("{Rücktaste}, {'del'}"_cp, "korrigieren Ihren Versuch beim Raten."),
      Tastenzeile("{'F4'}", "lässt den Computer sein Raten bald beenden."_cp),
      Tastenzeile("{'<-'}, {'->'}", "bewegen beim Raten den Cursor."),
      Tastenzeile("{' '} oder {'*'}", "ist das Leerzeichen, wo es erlaubt ist."),
  };
  const std::string_view rows[25] = {
      "{ Bedienungsanleitung:}",
      "",
      k[0],
      k[1],
      k[2],
      k[3],
      k[4],
      k[5],
      k[6],
      k[7],
      k[8],
      k[9],
      k[10],
      "",
      " Jeder Versuch wird mit {P} beantwortet, den Zeichen an der richtigen Stelle,",
      " und mit {Z}, den weiteren Zeichen, die Versuch und Code gemeinsam haben. Das",
      " Spiel endet, wenn P gleich der Länge des Codes ist."_cp,
      "",
      "{Bitte wählen Sie:}"_cp,
      "",
      " 1 - Sprache ändern.                      5 - Das Spiel beginnt."_cp,
      " 2 - Datum/Uhrzeit anzeigen/einstellen.   6 - Kurze Spielanleitung.  (1 Seite)",
      " 3 - Wochentagskalender von 0000 - 9999/  7 - Genaue Spielanleitung. (4 Seiten)",
      "     Virtuelles Spieldatum.               8 - Konfiguration.         (1 Seite)",
      " 4 - Bringen Sie Farbe ins Spiel.         9 - Programm beenden.",
  };
  Seite(rows);
}

void NOTEXIT() {
  // The terminal is given back first, so that the exit text goes below the
  // user's earlier output and stays there when the program has ended.
  term::RestoreTerminal();
  term::TextAttr = STARTZUSTAND.text_attr;
  term::ClrScr();
  // Where the conditions went, in the player's language; a file that could not
  // be written is said so, never claimed as kept.
  const bool d = SPRACHE_DEUTSCH;
  std::string ort1, ort2;
  if (ALT_GESCHRIEBEN) {
    ort1 = d ? " Die Bedingungen Ihres letzten Spiels stehen in der Datei"
             : " The conditions of your last game are kept in the file";
    ort2 = " " + ALT;
  } else if (!ALT.empty()) {
    ort1 = d ? " Die Bedingungen Ihres letzten Spiels konnten nicht in der Datei"
             : " The conditions of your last game could not be saved in the file";
    ort2 = " " + ALT + (d ? " gespeichert werden." : "");
  } else {
    ort1 = d ? " Die Bedingungen Ihres letzten Spiels konnten nicht gespeichert werden:"
             : " The conditions of your last game could not be saved:";
    ort2 = d ? " Weder neben dem Programm noch in einem Einstellungsordner ist Platz dafür."_cp
             : " There is no place for them beside the program or in a settings folder.";
  }
  // The block about the program: eleven lines, two of them empty.
  const std::string version = Versionszeile();
  const std::string_view block[11] = {
      " Morvandeltrisk - a game of code breaking on a ring of 36 signs.",
      version,
      " Free software under the MIT licence: you may use, copy, change and pass it",
      " on, with or without changes. It comes without any warranty.",
      "",
      ort1,
      ort2,
      "",
      " Start it again to play: choose a language, then 5 for a game, 6 or 7 for",
      " the instructions. Any 80 x 25 terminal will do; UTF-8 needs no setting.",
      " Danke fürs Spielen! / Thank you for playing!"_cp,
  };
  term::WriteLnSystemText(PROGRAMMPFAD);
  term::WriteLn();
  term::WriteLn("Morvandeltrisk  ***  " + Versionstitel() + ",");
  term::WriteLn("Version mit Grafik- und Sonderzeichen / version with graphics characters.");
  term::WriteLn();
  // The file's path is the file system's text, shown in the terminal's encoding.
  const bool pfad_zeile = !ALT.empty();
  for (int i = 0; i < 11; ++i) {
    if (i == 6 && pfad_zeile) {
      term::WriteLnSystemText(block[i]);
    } else {
      term::WriteLn(block[i]);
    }
  }
  term::WriteLn();
  term::WriteLn("Bye-bye!");
  term::WriteLn();
  term::Flush();
}

void MORVANDELTRISK() {
  ANFANGEN();
  LEER_WAHL = X.LEER;
  WAEHLE_SPRACHE();
  bool ende = TASTE_SPRACHE == term::KEY_ESC;
  while (!ende) {
    // Every return to the main menu comes here.
    NAMEN_BEKANNT = true;
    X.LEER = LEER_WAHL;
    BEDINGUNGENSPEICHERN();
    bool spiel = false;
    while (!spiel && !ende) {
      HauptmenueSchreiben();
      char k = term::ReadKeyWhole();
      if (k == term::KEY_CTRL_C) k = '9';
      switch (k) {
        case '1':
          WAEHLE_SPRACHE();
          if (TASTE_SPRACHE == term::KEY_ESC) ende = true;
          break;
        case '2':
          mtspiel::VIRTUALDATE = false;
          mtspiel::SCHREIBE_ZEIT_FPC();
          zuf::KORRIGIERE_ZEIT(SPRACHE_DEUTSCH, FARBE_NORMAL, FARBE_HERVOR);
          break;
        case '3':
          mtspiel::SCHREIBE_ZEIT_FPC();
          zuf::KALENDER(SPRACHE_DEUTSCH, FARBE_NORMAL, FARBE_HERVOR, mtspiel::VIRTUALDATE,
                        mtspiel::VIRDATUM1);
          break;
        case '4':
          zuf::TEXTFARBE(SPRACHE_DEUTSCH, FARBBILDSCHIRM, FARBE_NORMAL, FARBE_HERVOR);
          BEDINGUNGENSPEICHERN();
          break;
        case '5':
          spiel = true;
          break;
        case '6':
          if (SPRACHE_DEUTSCH) {
            mtd::KURZANLEITUNGD(FARBE_NORMAL, FARBE_HERVOR);
          } else {
            mte::KURZANLEITUNGE(FARBE_NORMAL, FARBE_HERVOR);
          }
          break;
        case '7':
          if (SPRACHE_DEUTSCH) {
            mtd::SPIELANLEITUNGD(FARBE_NORMAL, FARBE_HERVOR);
          } else {
            mte::SPIELANLEITUNGE(FARBE_NORMAL, FARBE_HERVOR);
          }
          break;
        case '8':
          KONFIGURATION();
          BEDINGUNGENSPEICHERN();
          break;
        case '9':
          ende = true;
          break;
        default:
          break;
      }
    }
    if (spiel) {
      X.LEER = LEER_WAHL;
      mtspiel::SP_D = SPRACHE_DEUTSCH;
      if (mtspiel::VIRTUALDATE) {
        mtspiel::ZWEITESDATUM();
        mtspiel::VIRTUALOLDDATE = true;
      }
      mtspiel::MEMAVAIL_FPC = mtspiel::SPEICHER_BYTES[SPEICHERWAHL];
      SPIELTEIL();
    }
  }
  BEDINGUNGENSPEICHERN();
  NOTEXIT();
}

}  // namespace morvandeltrisk
