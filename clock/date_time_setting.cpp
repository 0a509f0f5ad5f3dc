#include "clock/date_time_setting.h"

#include <string_view>

#include "clock/date_editor.h"
#include "clock/date_rules.h"
#include "screen/cp850.h"
#include "screen/marked_text.h"
#include "screen/terminal.h"

namespace zuf {
namespace {

// Heading and explanation, rows 1..13; '~' marks the emphasised pieces.
constexpr std::string_view kTextD[] = {
    "~Bitte stellen Sie Datum und Uhrzeit ein (benötigt Administrationsrechte):~"_cp,
    "",
    "Bewegen Sie den Cursor mit den ~Pfeiltasten~ auf die Ziffer, die Sie ändern"_cp,
    "möchten, und tippen Sie die richtige ~Ziffer~ ein."_cp,
    "Wenn Datum und Uhrzeit stimmen, drücken Sie bitte ~\"CR\"/\"ENTER\"~."_cp,
    "Der ~Wochentag~ kann nicht geändert werden, er folgt aus dem Datum."_cp,
    "Hinter dem Jahr steht, ob es ein ~Schaltjahr~ ist."_cp,
    "Jede Ziffer bewirkt eine ~sofortige Änderung von Datum, bzw. Uhrzeit~."_cp,
    "Nur Änderungen mit gültigem Ergebnis werden angenommen. Ohne Administrations-"_cp,
    "rechte lehnt das System die Änderung ab, und die Uhr läuft unverändert weiter."_cp,
    "Sie können diese Seite auch als ~Wochentagskalender (ab 1980)~ benutzen."_cp,
    "~\"F1\"~ setzt das angezeigte Datum auf das Datum beim Öffnen dieser Seite zurück."_cp,
};
constexpr std::string_view kTextE[] = {
    "~Please set the right date and time (administration rights are required):~",
    "",
    "Please move the cursor with the ~arrow keys~ to the digit you want to change,",
    "and type the right ~digit~.",
    "If date and time are o.k., please press ~'CR'/'ENTER'~.",
    "The ~day of the week~ can't be changed, it follows from the date.",
    "Beside the year you can read whether it is a ~leap-year~.",
    "Every digit causes an ~immediate change of the date respectively the time~.",
    "Only changes with a valid result are accepted. Without administration rights",
    "the system refuses the change, and the clock shown runs on unchanged.",
    "You can use this screen as a weekday ~calendar (from 1980)~ as well.",
    "~'F1'~ sets the shown date back to the date found when this screen was opened.",
};

}  // namespace

void KORRIGIERE_ZEIT(bool german, uint8_t colour1, uint8_t colour2) {
  if (german) {
    SEITE_BEGINNEN(german, colour1, colour2, true, kTextD, std::size(kTextD));
  } else {
    SEITE_BEGINNEN(german, colour1, colour2, true, kTextE, std::size(kTextE));
  }
  // Start from the clock as it is, and remember its date for F1.
  E_DATUM = HEUTE();
  term::GetTime(E_STD, E_MIN, E_SEK, E_HSEK);
  E_STD_MOD24 = E_STD % 24;
  SCHALT = SCHALTJAHR_GREGORIANISCH(E_DATUM.JAHR);
  M_DATUM = E_DATUM;
  M_SCHALT = SCHALT;
  FELDER_ZEICHNEN(true);
  ANZEIGE(true);
  BEARBEITEN(true, nullptr);
  term::TextAttr = NORMAL;
}

}  // namespace zuf
