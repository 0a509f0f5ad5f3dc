#include "shell/configuration.h"

#include <string_view>

#include "engine/memory_budget.h"
#include "game/conditions.h"
#include "screen/cp850.h"
#include "screen/terminal.h"
#include "shell/shell_state.h"

namespace morvandeltrisk {
namespace {

// The terminal hints, rows 3..8. The terminal layer translates code page 850
// into UTF-8, so the usual terminal needs nothing.
constexpr std::string_view kHinweisD[6] = {
    "  Dieses Programm zeichnet Rahmen und Umlaute mit den Zeichen der Codepage 850."_cp,
    "  Ein Terminal mit der Textkodierung UTF-8 (die übliche Einstellung) braucht"_cp,
    "  keine Änderung: das Programm übersetzt jedes Zeichen dafür. Ein Terminal mit"_cp,
    "  der Textkodierung \"Westeuropäisch (DOS Latin 1)\" geht ebenso. Sehen Rahmen"_cp,
    "  falsch aus, wählen Sie in den Einstellungen des Terminals \"Unicode (UTF-8)\""_cp,
    "  oder \"Westeuropäisch (DOS Latin 1)\" für Ihr Profil."_cp,
};
constexpr std::string_view kHinweisE[6] = {
    "  This program draws its frames and umlauts with the signs of code page 850.",
    "  A terminal with the text encoding UTF-8 (the usual setting) needs no change:",
    "  the program translates every character for it. A terminal set to the text",
    "  encoding 'Western (DOS Latin 1)' works as well. If the frames look broken,",
    "  please choose 'Terminal' -> 'Preferences ...', then 'Unicode (UTF-8)' or",
    "  'Western (DOS Latin 1)' for your profile.",
};
constexpr std::string_view kWahlD[3] = {
    "  Bitte wählen Sie jetzt, wie viel Speicher (RAM) das Spiel benutzen darf."_cp,
    "  Der Speicher begrenzt auch die Zeit, die der Computer zum Raten braucht.",
    "  Bitte bestätigen Sie Ihre Wahl mit der Taste \"CR\"/\"Enter\"."_cp,
};
constexpr std::string_view kWahlE[3] = {
    "  Please choose now, how much memory (RAM) the game should be able to use.",
    "  The memory limits also the time, that the computer needs to guess.",
    "  Please confirm your choice by pressing the 'CR'/'Enter'-key.",
};

// The key of a choice: '1'..'8' for 1..8, 'a'..'g' for 9..15.
char WAHLTASTE(int wahl) {
  return static_cast<char>(wahl <= 8 ? '0' + wahl : 'a' + wahl - 9);
}
int WAHLSPALTE(int wahl) {
  return wahl <= 8 ? 3 : 39;
}
int WAHLZEILE(int wahl) {
  return wahl <= 8 ? wahl + 16 : wahl + 8;
}

// One entry, "b (*):   8 GiB" marked in the emphasis colour, "b ( ):   8 GiB" unmarked.
void SCHREIBE_WAHL(int wahl, bool markiert) {
  term::TextAttr = markiert ? FARBE_HERVOR : FARBE_NORMAL;
  term::GotoXY(WAHLSPALTE(wahl), WAHLZEILE(wahl));
  term::Write(WAHLTASTE(wahl));
  term::Write(markiert ? " (*): " : " ( ): ");
  term::Write(mtspiel::SPEICHER_TEXT[wahl]);
  term::GotoXY(WAHLSPALTE(wahl), WAHLZEILE(wahl));
}

// The choice a key asks for, or 0 when the key means nothing here.
int NEUE_WAHL(int wahl) {
  const char c = term::ReadKey();
  if (c == 0) {
    switch (static_cast<uint8_t>(term::ReadKey())) {
      case term::EXT_UP:
      case term::EXT_CTRL_UP:
      case term::EXT_ALT_UP:
        return wahl == 1 ? 8 : wahl == 9 ? 15 : wahl - 1;
      case term::EXT_DOWN:
      case term::EXT_CTRL_DOWN:
      case term::EXT_ALT_DOWN:
        return wahl == 8 ? 1 : wahl == 15 ? 9 : wahl + 1;
      case term::EXT_LEFT:
      case term::EXT_CTRL_LEFT:
      case term::EXT_ALT_LEFT:
      case term::EXT_RIGHT:
      case term::EXT_CTRL_RIGHT:
      case term::EXT_ALT_RIGHT:
        return wahl < 8 ? wahl + 8 : wahl == 8 ? 15 : wahl - 8;
      default:
        return wahl;
    }
  }
  if (c == term::KEY_ENTER || c == term::KEY_ESC || c == term::KEY_CTRL_C) return 0;
  if (c >= '1' && c <= '8') return c - '0';
  if (c >= 'a' && c <= 'g') return c - 'a' + 9;
  if (c >= 'A' && c <= 'G') return c - 'A' + 9;
  return wahl;
}

}  // namespace

void KONFIGURATION() {
  const bool d = SPRACHE_DEUTSCH;
  if (SPEICHERWAHL < 1 || SPEICHERWAHL > 15) SPEICHERWAHL = 10;
  term::TextAttr = FARBE_NORMAL;
  term::ClrScr();
  term::TextAttr = FARBE_HERVOR;
  term::Write(d ? "                            ***  Konfiguration  ***"
                : "                            ***  Configuration  ***");
  term::TextAttr = FARBE_NORMAL;
  for (int i = 0; i < 6; ++i) {
    term::GotoXY(1, 3 + i);
    term::Write(d ? kHinweisD[i] : kHinweisE[i]);
  }
  term::GotoXY(1, 10);
  for (int i = 0; i < 80; ++i) term::Write("═"_cp);
  for (int i = 0; i < 3; ++i) {
    term::GotoXY(1, 13 + i);
    term::Write(d ? kWahlD[i] : kWahlE[i]);
  }
  term::GotoXY(25, 17);
  term::Write(d ? "64-Bit:" : "64-bit:");
  for (int wahl = 1; wahl <= 15; ++wahl) SCHREIBE_WAHL(wahl, false);
  SCHREIBE_WAHL(SPEICHERWAHL, true);
  SPEICHERWAHL_ALT = SPEICHERWAHL;

  for (;;) {
    const int neu = NEUE_WAHL(SPEICHERWAHL);
    if (neu == 0) break;
    if (neu == SPEICHERWAHL) continue;
    SPEICHERWAHL = static_cast<uint8_t>(neu);
    mtspiel::X.SPEICHER = SPEICHERWAHL;
    SCHREIBE_WAHL(SPEICHERWAHL_ALT, false);
    SCHREIBE_WAHL(SPEICHERWAHL, true);
    SPEICHERWAHL_ALT = SPEICHERWAHL;
  }
  mtspiel::X.SPEICHER = SPEICHERWAHL;
  term::TextAttr = FARBE_NORMAL;
}

}  // namespace morvandeltrisk
