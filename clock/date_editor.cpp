#include "clock/date_editor.h"

#include <string_view>

#include "clock/date_rules.h"
#include "screen/cp850.h"
#include "screen/marked_text.h"
#include "screen/terminal.h"

namespace zuf {
namespace {

// The month names in brackets and the weekday names, padded so that a shorter
// name overwrites a longer one completely.
constexpr std::string_view kMonatD[13] = {"",           "Januar)   ", "Februar)  ", "März)     "_cp,
                                          "April)    ", "Mai)      ", "Juni)     ", "Juli)     ",
                                          "August)   ", "September)", "Oktober)  ", "November) ",
                                          "Dezember) "};
constexpr std::string_view kMonatE[13] = {"",           "January)  ", "February) ", "March)    ",
                                          "April)    ", "May)      ", "June)     ", "July)     ",
                                          "August)   ", "September)", "October)  ", "November) ",
                                          "December) "};
constexpr std::string_view kWochentagD[7] = {"Sonntag.   ", "Montag.    ", "Dienstag.  ",
                                             "Mittwoch.  ", "Donnerstag.", "Freitag.   ",
                                             "Samstag.   "};
constexpr std::string_view kWochentagE[7] = {"Sunday.    ", "Monday.    ", "Tuesday.   ",
                                             "Wednesday. ", "Thursday.  ", "Friday.    ",
                                             "Saturday.  "};

// The rows of the page. The editable fields come first, in the order of FELD
// below; each label stands at column kLabel, each value at column kWert.
enum ZEILENFELD { ZF_JAHR, ZF_MONAT, ZF_TAG, ZF_STUNDE, ZF_MINUTE, ZF_SEKUNDE, ZF_WOCHENTAG };
struct FELDZEILE {
  int zeile;
  int breite;  // cells of the value
};
constexpr FELDZEILE kFelder[] = {{18, 4}, {19, 2}, {20, 2}, {23, 2}, {24, 2}, {25, 2}, {21, 11}};
constexpr int kLabel = 17;
constexpr int kWert = 37;

void ZUM_WERT(ZEILENFELD f) {
  term::GotoXY(kWert, kFelder[f].zeile);
}

uint16_t A_GRENZE = 0;  // the day's upper bound shown in its label

int FELD(int s) {
  return s <= JAHR_1 ? 0 : 1 + (s - MONAT_10) / 2;
}
// 0 for the left column of values (37), 1 for the right one (38 and beyond).
int SPALTENART(int s) {
  if (s <= JAHR_1) return s == JAHR_1000 ? 0 : 1;
  return (s - MONAT_10) % 2;
}
int STELLE_IN(int feld, int spaltenart) {
  if (feld == 0) return spaltenart == 0 ? JAHR_1000 : JAHR_100;
  return MONAT_10 + 2 * (feld - 1) + spaltenart;
}
// The other digit of a two-digit field.
int ANDERE(int s) {
  if (s <= JAHR_1) return s;
  return SPALTENART(s) == 0 ? s + 1 : s - 1;
}
int RECHTS_VON(int s) {
  if (s <= JAHR_1) return s == JAHR_1 ? JAHR_1000 : s + 1;
  return ANDERE(s);
}
int LINKS_VON(int s) {
  if (s <= JAHR_1) return s == JAHR_1000 ? JAHR_1 : s - 1;
  return ANDERE(s);
}
int SENKRECHT(int s, int richtung) {
  const int felder = MIT_ZEIT ? 6 : 3;
  const int f = (FELD(s) + richtung + felder) % felder;
  const int t = STELLE_IN(f, SPALTENART(s));
  return ANGEBOTEN(t) ? t : ANDERE(t);
}

void ZWEISTELLIG(int n) {
  term::Write(static_cast<char>('0' + n / 10 % 10));
  term::Write(static_cast<char>('0' + n % 10));
}

int TAGESGRENZE() {
  if (E_DATUM.MONAT == 2) return SCHALT ? 29 : 28;
  return MONATSTAGE(E_DATUM.JAHR, E_DATUM.MONAT);
}

void SCHREIBE_JAHR() {
  term::TextAttr = HERVOR;
  ZUM_WERT(ZF_JAHR);
  for (int teiler = 1000; teiler > 0; teiler /= 10)
    term::Write(static_cast<char>('0' + A_DATUM.JAHR / teiler % 10));
}
void SCHREIBE_SCHALTJAHR() {
  term::TextAttr = NORMAL;
  term::GotoXY(kWert + kFelder[ZF_JAHR].breite, kFelder[ZF_JAHR].zeile);
  if (DEUTSCH)
    term::Write(A_SCHALT ? " (ist ein Schaltjahr.) " : " (ist kein Schaltjahr.)");
  else
    term::Write(A_SCHALT ? " (is a leap-year.) " : " (is no leap-year.)");
}
void SCHREIBE_MONAT() {
  term::TextAttr = HERVOR;
  ZUM_WERT(ZF_MONAT);
  ZWEISTELLIG(A_DATUM.MONAT);
  term::TextAttr = NORMAL;
  term::Write("   (");
  const int m = A_DATUM.MONAT >= 1 && A_DATUM.MONAT <= 12 ? A_DATUM.MONAT : 0;
  term::Write(DEUTSCH ? kMonatD[m] : kMonatE[m]);
}
void SCHREIBE_GRENZE() {
  term::TextAttr = NORMAL;
  term::GotoXY(32, kFelder[ZF_TAG].zeile);  // the upper bound in the day's label
  ZWEISTELLIG(A_GRENZE);
}
void SCHREIBE_TAG() {
  term::TextAttr = HERVOR;
  ZUM_WERT(ZF_TAG);
  ZWEISTELLIG(A_DATUM.TAG);
}
void SCHREIBE_WOCHENTAG() {
  term::TextAttr = HERVOR;
  ZUM_WERT(ZF_WOCHENTAG);
  term::Write(DEUTSCH ? kWochentagD[A_DATUM.WOTAG % 7] : kWochentagE[A_DATUM.WOTAG % 7]);
}
void SCHREIBE_STUNDE() {
  term::TextAttr = HERVOR;
  ZUM_WERT(ZF_STUNDE);
  ZWEISTELLIG(A_STD);
  term::TextAttr = NORMAL;
  if (DEUTSCH) {
    term::Write(" Uhr,");
    return;
  }
  // The English note on the 12-hour clock.
  const int h = A_STD % 24;
  term::GotoXY(43, kFelder[ZF_STUNDE].zeile);
  term::Write(" (= ");
  if (h == 0) {
    term::Write("12 a.m.)");
  } else if (h < 12) {
    ZWEISTELLIG(h);
    term::Write(" a.m.)");
  } else if (h == 12) {
    term::Write("12 p.m.)");
  } else {
    ZWEISTELLIG(h - 12);
    term::Write(" p.m.)");
  }
}
void SCHREIBE_MINUTE() {
  term::TextAttr = HERVOR;
  ZUM_WERT(ZF_MINUTE);
  ZWEISTELLIG(A_MIN);
  term::TextAttr = NORMAL;
  term::Write(DEUTSCH ? " Minuten und" : " minutes and");
}
void SCHREIBE_SEKUNDE() {
  term::TextAttr = HERVOR;
  ZUM_WERT(ZF_SEKUNDE);
  ZWEISTELLIG(A_SEK);
  term::TextAttr = NORMAL;
  term::Write(DEUTSCH ? " Sekunden." : " seconds.");
}

void LABEL(ZEILENFELD f, std::string_view text) {
  term::TextAttr = NORMAL;
  term::GotoXY(kLabel, kFelder[f].zeile);
  term::Write(text);
}

}  // namespace

int SPALTE(int s) {
  if (s <= JAHR_1) return kWert + s;
  return kWert + SPALTENART(s);
}

int ZEILE(int s) {
  return kFelder[FELD(s)].zeile;
}

bool ANGEBOTEN(int s) {
  if (s == MONAT_10) return E_DATUM.MONAT % 10 <= 2;
  if (s == TAG_1) return !(E_DATUM.TAG == 30 && TAGESGRENZE() == 30);
  return true;
}

void GRENZEN(int s, int& kleinste, int& groesste) {
  kleinste = 0;
  groesste = 9;
  switch (s) {
    case MONAT_10:
      groesste = 1;
      break;
    case TAG_10:
      groesste = E_DATUM.MONAT == 2 ? 2 : 3;
      break;
    case TAG_1:
      if (E_DATUM.TAG >= 30)
        groesste = 1;
      else if (E_DATUM.MONAT == 2 && !SCHALT && E_DATUM.TAG >= 20)
        groesste = 8;
      break;
    case STD_10:
      groesste = 2;
      break;
    case STD_1:
      if (E_STD >= 20) groesste = 3;
      break;
    case MIN_10:
    case SEK_10:
      groesste = 5;
      break;
    default:
      break;
  }
}

void ZIFFER_SETZEN(int s, int d) {
  auto zehner = [d](uint16_t& v) { v = static_cast<uint16_t>(d * 10 + v % 10); };
  auto einer = [d](uint16_t& v) { v = static_cast<uint16_t>(v / 10 * 10 + d); };
  switch (s) {
    case JAHR_1000:
      E_DATUM.JAHR = static_cast<uint16_t>(d * 1000 + E_DATUM.JAHR % 1000);
      break;
    case JAHR_100:
      E_DATUM.JAHR =
          static_cast<uint16_t>(E_DATUM.JAHR / 1000 * 1000 + d * 100 + E_DATUM.JAHR % 100);
      break;
    case JAHR_10:
      E_DATUM.JAHR = static_cast<uint16_t>(E_DATUM.JAHR / 100 * 100 + d * 10 + E_DATUM.JAHR % 10);
      break;
    case JAHR_1:
      einer(E_DATUM.JAHR);
      break;
    case MONAT_10:
      zehner(E_DATUM.MONAT);
      break;
    case MONAT_1:
      einer(E_DATUM.MONAT);
      break;
    case TAG_10:
      zehner(E_DATUM.TAG);
      break;
    case TAG_1:
      einer(E_DATUM.TAG);
      break;
    case STD_10:
      zehner(E_STD);
      break;
    case STD_1:
      einer(E_STD);
      break;
    case MIN_10:
      zehner(E_MIN);
      break;
    case MIN_1:
      einer(E_MIN);
      break;
    case SEK_10:
      zehner(E_SEK);
      break;
    case SEK_1:
      einer(E_SEK);
      break;
    default:
      break;
  }
}

void FELDER_ZEICHNEN(bool jahr_ab_1980) {
  A_DATUM = E_DATUM;
  A_STD = E_STD;
  A_MIN = E_MIN;
  A_SEK = E_SEK;
  A_SCHALT = SCHALT;
  A_GRENZE = static_cast<uint16_t>(TAGESGRENZE());
  const int x = term::WhereX(), y = term::WhereY();
  if (DEUTSCH) {
    LABEL(ZF_JAHR, jahr_ab_1980 ? "Jahr (1980 - ?\?\?\?): " : "Jahr (0000 - 9999): ");
    LABEL(ZF_MONAT, "Monat    (01 - 12): ");
    LABEL(ZF_TAG, "Tag      (01 - 31): ");
    LABEL(ZF_WOCHENTAG, "Wochentag         : ");
  } else {
    LABEL(ZF_JAHR, jahr_ab_1980 ? "Year (1980 - ?\?\?\?): " : "Year (0000 - 9999): ");
    LABEL(ZF_MONAT, "Month    (01 - 12): ");
    LABEL(ZF_TAG, "Day      (01 - 31): ");
    LABEL(ZF_WOCHENTAG, "Day of the week   : ");
  }
  SCHREIBE_JAHR();
  SCHREIBE_SCHALTJAHR();
  SCHREIBE_MONAT();
  SCHREIBE_GRENZE();
  SCHREIBE_TAG();
  SCHREIBE_WOCHENTAG();
  if (MIT_ZEIT) {
    LABEL(ZF_STUNDE, DEUTSCH ? "Stunde   (00 - 23): " : "Hour     (00 - 23): ");
    LABEL(ZF_MINUTE, "Minute   (00 - 59): ");
    LABEL(ZF_SEKUNDE, DEUTSCH ? "Sekunde  (00 - 59): " : "Second   (00 - 59): ");
    SCHREIBE_STUNDE();
    SCHREIBE_MINUTE();
    SCHREIBE_SEKUNDE();
  }
  term::GotoXY(x, y);
}

void ZEICHNEN() {
  const int x = term::WhereX(), y = term::WhereY();
  const uint8_t attr = term::TextAttr;
  if (E_DATUM.JAHR != A_DATUM.JAHR) {
    A_DATUM.JAHR = E_DATUM.JAHR;
    SCHREIBE_JAHR();
  }
  if (SCHALT != A_SCHALT) {
    A_SCHALT = SCHALT;
    SCHREIBE_SCHALTJAHR();
  }
  if (E_DATUM.MONAT != A_DATUM.MONAT) {
    A_DATUM.MONAT = E_DATUM.MONAT;
    SCHREIBE_MONAT();
  }
  if (TAGESGRENZE() != A_GRENZE) {
    A_GRENZE = static_cast<uint16_t>(TAGESGRENZE());
    SCHREIBE_GRENZE();
  }
  if (E_DATUM.TAG != A_DATUM.TAG) {
    A_DATUM.TAG = E_DATUM.TAG;
    SCHREIBE_TAG();
  }
  if (E_DATUM.WOTAG != A_DATUM.WOTAG) {
    A_DATUM.WOTAG = E_DATUM.WOTAG;
    SCHREIBE_WOCHENTAG();
  }
  if (MIT_ZEIT) {
    if (E_STD != A_STD) {
      A_STD = E_STD;
      SCHREIBE_STUNDE();
    }
    if (E_MIN != A_MIN) {
      A_MIN = E_MIN;
      SCHREIBE_MINUTE();
    }
    if (E_SEK != A_SEK) {
      A_SEK = E_SEK;
      SCHREIBE_SEKUNDE();
    }
  }
  term::TextAttr = attr;
  term::GotoXY(x, y);
}

void ANZEIGE(bool live) {
  if (live) {
    E_DATUM = HEUTE();
    term::GetTime(E_STD, E_MIN, E_SEK, E_HSEK);
    E_STD_MOD24 = E_STD % 24;
    SCHALT = SCHALTJAHR_GREGORIANISCH(E_DATUM.JAHR);
  } else {
    SCHALT = SCHALTJAHR(E_DATUM.JAHR);
    E_DATUM.WOTAG = static_cast<uint16_t>(WOCHENTAG(E_DATUM.JAHR, E_DATUM.MONAT, E_DATUM.TAG));
  }
  ZEICHNEN();
}

void DATUMSPRUEFUNG(bool live) {
  SCHALT = DATUM_REPARIEREN(E_DATUM.JAHR, E_DATUM.MONAT, E_DATUM.TAG);
  if (live && !GLEICHER_TAG(E_DATUM, A_DATUM))
    term::SetDate(E_DATUM.JAHR, E_DATUM.MONAT, E_DATUM.TAG);
}

void ZEITPRUEFUNG() {
  if (E_STD > 23) E_STD = 20;
  E_STD_MOD24 = E_STD % 24;
  if (E_STD != A_STD || E_MIN != A_MIN || E_SEK != A_SEK)
    term::SetTime(E_STD, E_MIN, E_SEK, E_HSEK);
}

TASTENART TASTE_LESEN(bool live, int kleinste, int groesste) {
  if (!live) ANZEIGE(false);
  for (;;) {
    if (live) {
      // Keep the clock on screen running, blocking briefly between polls.
      while (!term::KeyWait(15)) ANZEIGE(true);
    }
    TASTE = static_cast<uint8_t>(term::ReadKey());
    if (TASTE == 0) {
      const uint8_t code = static_cast<uint8_t>(term::ReadKey());
      switch (code) {
        case term::EXT_UP:
        case term::EXT_CTRL_UP:
        case term::EXT_ALT_UP:
          return HOCH;
        case term::EXT_DOWN:
        case term::EXT_CTRL_DOWN:
        case term::EXT_ALT_DOWN:
          return RUNTER;
        case term::EXT_LEFT:
        case term::EXT_CTRL_LEFT:
        case term::EXT_ALT_LEFT:
          return LINKS;
        case term::EXT_RIGHT:
        case term::EXT_CTRL_RIGHT:
        case term::EXT_ALT_RIGHT:
          return RECHTS;
        case term::EXT_F1:
        case term::EXT_SHIFT_F1:
        case term::EXT_CTRL_F1:
        case term::EXT_ALT_F1:
          if (!GLEICHER_TAG(E_DATUM, M_DATUM)) {
            E_DATUM = M_DATUM;
            SCHALT = M_SCHALT;
            if (live) term::SetDate(E_DATUM.JAHR, E_DATUM.MONAT, E_DATUM.TAG);
            ANZEIGE(live);
          }
          continue;
        default:
          continue;
      }
    }
    if (TASTE == term::KEY_ENTER || TASTE == term::KEY_ESC || TASTE == term::KEY_CTRL_C)
      return ENDE;
    if (TASTE >= '0' && TASTE <= '9') {
      const int d = TASTE - '0';
      if (d >= kleinste && d <= groesste) {
        ZIFFERNWERT = static_cast<uint8_t>(d);
        return ZIFFER;
      }
    }
  }
}

void BEARBEITEN(bool live, void (*nach_taste)()) {
  int s = JAHR_1000;
  for (;;) {
    if (!ANGEBOTEN(s)) s = ANDERE(s);
    int kleinste, groesste;
    GRENZEN(s, kleinste, groesste);
    term::GotoXY(SPALTE(s), ZEILE(s));
    const TASTENART art = TASTE_LESEN(live, kleinste, groesste);
    switch (art) {
      case ENDE:
        if (nach_taste) nach_taste();
        return;
      case ZIFFER:
        ZIFFER_SETZEN(s, ZIFFERNWERT);
        if (s <= TAG_1)
          DATUMSPRUEFUNG(live);
        else
          ZEITPRUEFUNG();
        ANZEIGE(false);
        s = RECHTS_VON(s);
        break;
      case LINKS:
        s = LINKS_VON(s);
        break;
      case RECHTS:
        s = RECHTS_VON(s);
        break;
      case HOCH:
        s = SENKRECHT(s, -1);
        break;
      case RUNTER:
        s = SENKRECHT(s, 1);
        break;
    }
    if (nach_taste) nach_taste();
  }
}

}  // namespace zuf

namespace zuf {

void ZEILEN_SCHREIBEN(const std::string_view* text, size_t zeilen, int zeile) {
  for (size_t i = 0; i < zeilen; ++i) {
    term::GotoXY(1, zeile + static_cast<int>(i));
    SCHREIBE_MARKIERT(text[i], NORMAL, HERVOR);
  }
}

void SEITE_BEGINNEN(bool german, uint8_t colour1, uint8_t colour2, bool mit_zeit,
                    const std::string_view* text, size_t zeilen) {
  DEUTSCH = german;
  NORMAL = colour1;
  HERVOR = colour2;
  MIT_ZEIT = mit_zeit;
  term::TextAttr = NORMAL;
  term::ClrScr();
  ZEILEN_SCHREIBEN(text, zeilen, 1);
}

}  // namespace zuf
