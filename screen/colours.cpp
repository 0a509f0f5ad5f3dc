#include "screen/colours.h"

#include <string>
#include <string_view>

#include "screen/cp850.h"
#include "screen/marked_text.h"
#include "screen/terminal.h"

namespace zuf {
namespace {

// The colours of the letters a..p (and A..P), ordered so that each dark colour
// is followed by its bright one: the rows of the table.
constexpr uint8_t kFarbfolge[16] = {0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15};
// A monochrome terminal has black, light grey and white only.
constexpr uint8_t kMonoFarben[3] = {0, 7, 15};

constexpr int kBreite = 38;  // inside of the explanation box
constexpr int kBoxSpalte = 41;
constexpr int kBoxOben = 3;

// The explanation, 19 rows inside the box; '~' marks the words in the emphasised colour.
constexpr std::string_view kErklaerungD[19] = {
    "",
    " Bitte wählen Sie eine gut lesbare"_cp,
    " Kombination aus Hintergrund, Text-",
    " farbe und ~hervorgehobener Textfarbe~.",
    "",
    " Eine Ziffer wählt den Hintergrund,"_cp,
    " ein kleiner Buchstabe die Textfarbe,",
    " und Sie nehmen",
    " ~Großbuchstaben für~"_cp,
    " ~hervorgehobenen Text~.",
    "",
    " Die Anzeige ändert sich sofort. So"_cp,
    " sehen normaler Text und Text wie",
    " ~dieser in hervorgehobener Textfarbe~",
    " in allen Bildern des Spiels aus.",
    "",
    " Sind Sie zufrieden, dann drücken Sie"_cp,
    " bitte die Taste \"CR\"/\"ENTER\".",
    "",
};
constexpr std::string_view kErklaerungE[19] = {
    "",
    " Please choose a combination of the",
    " background colour, the text colour",
    " and the colour of ~emphasized text~",
    " that is easy to read for you.",
    "",
    " Press a digit for the background,",
    " a small letter for the text colour,",
    " and use",
    " ~capital letters for emphasized text~.",
    "",
    " The screen changes at once: all the",
    " screens of the game show ordinary",
    " text like this box, and",
    " ~this text with emphasized textcolour~.",
    "",
    " When you like the colours, please",
    " press the 'CR'/'ENTER' - key.",
    "",
};

std::string WIEDERHOLT(std::string_view s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// One row of the colour table: digit cell, colour sample, letter pair.
void TABELLENZEILE(int zeile, int ziffer, uint8_t farbe, char buchstabe) {
  term::TextAttr = 7;
  term::GotoXY(1, zeile);
  term::Write("║"_cp);
  if (ziffer > 0) {
    term::Write("        ");
    term::Write(static_cast<char>('0' + ziffer));
    term::Write("  ");
  } else {
    term::Write("           ");
  }
  term::Write("║"_cp);
  term::TextAttr = farbe;
  term::Write(WIEDERHOLT("█"_cp, 14));
  term::TextAttr = 7;
  term::Write("║"_cp);
  term::Write("  ");
  term::Write(buchstabe);
  term::Write('/');
  term::Write(static_cast<char>(buchstabe - 'a' + 'A'));
  term::Write("      ");
  term::Write("║"_cp);
}

void TABELLE(bool german, bool farbbildschirm) {
  int zeile = farbbildschirm ? 3 : 9;
  term::TextAttr = 7;
  auto linie = [&zeile](std::string_view links, std::string_view mitte, std::string_view rechts) {
    term::GotoXY(1, zeile++);
    term::Write(links);
    term::Write(WIEDERHOLT("═"_cp, 11));
    term::Write(mitte);
    term::Write(WIEDERHOLT("═"_cp, 14));
    term::Write(mitte);
    term::Write(WIEDERHOLT("═"_cp, 11));
    term::Write(rechts);
  };
  auto kopf = [&zeile](std::string_view a, std::string_view b, std::string_view c) {
    term::GotoXY(1, zeile++);
    term::Write("║"_cp);
    term::Write(a);
    term::Write("║"_cp);
    term::Write(b);
    term::Write("║"_cp);
    term::Write(c);
    term::Write("║"_cp);
  };
  linie("╔"_cp, "╦"_cp, "╗"_cp);
  if (german) {
    kopf("Ziffer für "_cp, "  gewünschte  "_cp, " Buchstabe ");
    kopf("Hintergrund", "    Farbe     ", " für Text  "_cp);
  } else {
    kopf("numeral for", "    choosen   ", "  letter   ");
    kopf("background ", "    colour    ", " for text  ");
  }
  linie("╠"_cp, "╬"_cp, "╣"_cp);
  if (farbbildschirm) {
    for (int i = 0; i < 16; ++i)
      TABELLENZEILE(zeile++, i % 2 == 0 ? i / 2 + 1 : 0, kFarbfolge[i], static_cast<char>('a' + i));
  } else {
    for (int i = 0; i < 3; ++i)
      TABELLENZEILE(zeile++, i < 2 ? i + 1 : 0, kMonoFarben[i], static_cast<char>('a' + i));
  }
  linie("╚"_cp, "╩"_cp, "╝"_cp);
}

// The framed explanation; which pieces are written depends on what changed.
void ERKLAERUNG(bool german, uint8_t normal, uint8_t hervor, TEILE teile) {
  const std::string_view* text = german ? kErklaerungD : kErklaerungE;
  if (teile != NUR_HERVOR) {
    term::TextAttr = normal;
    term::GotoXY(kBoxSpalte, kBoxOben);
    term::Write(std::string("╔"_cp) + WIEDERHOLT("═"_cp, kBreite) + std::string("╗"_cp));
    term::GotoXY(kBoxSpalte, kBoxOben + 20);
    term::Write(std::string("╚"_cp) + WIEDERHOLT("═"_cp, kBreite) + std::string("╝"_cp));
  }
  for (int i = 0; i < 19; ++i) {
    const int zeile = kBoxOben + 1 + i;
    term::GotoXY(kBoxSpalte + 1, zeile);
    SCHREIBE_MARKIERT(text[i], normal, hervor, teile);
    if (teile == NUR_HERVOR) continue;
    term::TextAttr = normal;
    term::Write(std::string(static_cast<size_t>(kBreite - BREITE(text[i])), ' '));
    term::GotoXY(kBoxSpalte, zeile);
    term::Write("║"_cp);
    term::GotoXY(kBoxSpalte + kBreite + 1, zeile);
    term::Write("║"_cp);
  }
  term::TextAttr = normal;
  term::GotoXY(1, 25);
}

// Black on black and grey on grey cannot be read: a monochrome terminal puts
// the other of its two text colours in their place.
void MONO_REPARIEREN(uint8_t& normal, uint8_t& hervor) {
  if (normal == 0 && hervor == 0) {
    normal = hervor = 7;
  } else if (normal == 0) {
    normal = hervor == 7 ? 15 : 7;
  } else if (hervor == 0) {
    hervor = normal == 7 ? 15 : 7;
  }
  if (normal == 119 && hervor == 119) {
    normal = hervor = 112;
  } else if (normal == 119) {
    normal = hervor == 112 ? 127 : 112;
  } else if (hervor == 119) {
    hervor = normal == 112 ? 127 : 112;
  }
}

}  // namespace

void TEXTFARBE(bool german, bool farbbildschirm, uint8_t& colour1, uint8_t& colour2) {
  term::TextAttr = 7;
  term::ClrScr();
  TABELLE(german, farbbildschirm);
  ERKLAERUNG(german, colour1, colour2, ALLE);
  for (;;) {
    const char c = term::ReadPlainKey();
    if (c == term::KEY_ESC || c == term::KEY_ENTER || c == term::KEY_CTRL_C) break;

    const int hg1 = (colour1 >> 4) & 7, hg2 = (colour2 >> 4) & 7;
    const int vg1 = colour1 & 15, vg2 = colour2 & 15;
    const int ziffern = farbbildschirm ? 8 : 2;
    const int buchstaben = farbbildschirm ? 16 : 3;
    TEILE teile;
    if (c >= '1' && c < '1' + ziffern) {
      const int farbe = farbbildschirm ? c - '1' : (c == '1' ? 0 : 7);
      if (farbe == hg1 || farbe == hg2) continue;
      if (farbbildschirm && (farbe == vg1 || farbe == vg2)) continue;
      colour1 = static_cast<uint8_t>(vg1 + 16 * farbe);
      colour2 = static_cast<uint8_t>(vg2 + 16 * farbe);
      if (!farbbildschirm) MONO_REPARIEREN(colour1, colour2);
      teile = ALLE;
    } else if (c >= 'a' && c < 'a' + buchstaben) {
      const int farbe = farbbildschirm ? kFarbfolge[c - 'a'] : kMonoFarben[c - 'a'];
      if (farbe == hg1 || farbe == vg1) continue;
      colour1 = static_cast<uint8_t>((colour1 & 0xF0) | farbe);
      teile = NUR_NORMAL;
    } else if (c >= 'A' && c < 'A' + buchstaben) {
      const int farbe = farbbildschirm ? kFarbfolge[c - 'A'] : kMonoFarben[c - 'A'];
      if (farbe == hg2 || farbe == vg2) continue;
      colour2 = static_cast<uint8_t>((colour2 & 0xF0) | farbe);
      teile = NUR_HERVOR;
    } else {
      continue;
    }
    term::TextAttr = colour1;
    ERKLAERUNG(german, colour1, colour2, teile);
  }
  term::TextAttr = colour1;
}

}  // namespace zuf
