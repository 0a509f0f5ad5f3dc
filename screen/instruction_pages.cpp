#include "screen/instruction_pages.h"

#include "screen/marked_text.h"
#include "screen/terminal.h"

namespace zuf {

void SEITE_ZEIGEN(const SEITE& seite, uint8_t normal, uint8_t hervor) {
  term::TextAttr = normal;
  term::ClrScr();
  for (size_t i = 0; i < seite.size(); ++i) {
    SCHREIBE_MARKIERT(seite[i], normal, hervor);
    if (i + 1 < seite.size()) term::WriteLn();
  }
}

void SEITEN_BLAETTERN(const SEITE* seiten, int anzahl, uint8_t normal, uint8_t hervor) {
  int seite = 0;
  SEITE_ZEIGEN(seiten[seite], normal, hervor);
  for (;;) {
    const char c = term::ReadKey();
    bool zurueck = false, weiter = false;
    if (c == 0) {
      switch (static_cast<uint8_t>(term::ReadKey())) {
        case term::EXT_PGUP:
        case term::EXT_CTRL_PGUP:
        case term::EXT_ALT_PGUP:
        case 176:
          zurueck = true;
          break;
        case term::EXT_PGDN:
        case term::EXT_CTRL_PGDN:
        case term::EXT_ALT_PGDN:
        case 184:
          weiter = true;
          break;
        default:
          break;
      }
    } else if (c == term::KEY_ESC || c == term::KEY_CTRL_C) {
      break;
    } else if (c == term::KEY_BACKSPACE) {
      zurueck = true;
    } else {
      weiter = true;
    }
    if (zurueck && seite > 0) {
      SEITE_ZEIGEN(seiten[--seite], normal, hervor);
    } else if (weiter) {
      if (seite + 1 >= anzahl) break;
      SEITE_ZEIGEN(seiten[++seite], normal, hervor);
    }
  }
  term::TextAttr = normal;
}

}  // namespace zuf
