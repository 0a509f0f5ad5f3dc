#include "clock/calendar.h"

#include <string_view>

#include "clock/date_editor.h"
#include "clock/date_rules.h"
#include "screen/cp850.h"
#include "screen/marked_text.h"
#include "screen/terminal.h"

namespace zuf {
namespace {

// Heading and explanation from row 1; '~' marks the emphasised pieces.
constexpr std::string_view kTextD[] = {
    "~Bitte stellen Sie Ihr virtuelles Spieldatum ein:~",
    "",
    "Bewegen Sie den Cursor mit den ~Pfeiltasten~ auf die Ziffer, die Sie ändern"_cp,
    "möchten, und tippen Sie die richtige ~Ziffer~ ein."_cp,
    "Wenn das virtuelle Datum stimmt, drücken Sie bitte ~\"CR\"/\"ENTER\"~."_cp,
    "Der ~Wochentag~ kann nicht geändert werden, er folgt aus dem Datum."_cp,
    "Hinter dem Jahr steht, ob es ein ~Schaltjahr~ ist."_cp,
    "Jede Ziffer bewirkt eine ~sofortige Änderung des virtuellen Spieldatums~;"_cp,
    "das Spiel zeigt dieses Datum an, die Uhr des Systems bleibt unberührt."_cp,
    "Nur Änderungen mit gültigem Ergebnis werden angenommen."_cp,
    "Sie können diese Seite auch als ~Wochentagskalender von 0000 bis 9999~ benutzen."_cp,
    "~\"F1\"~ setzt das angezeigte virtuelle Datum auf das heutige Datum zurück."_cp,
};
constexpr std::string_view kTextE[] = {
    "~Please set the right virtual date of the game:~",
    "",
    "Please move the cursor with the ~arrow keys~ to the digit you want to change,",
    "and type the right ~digit~.",
    "If the virtual date is o.k., please press ~'CR'/'ENTER'~.",
    "The ~day of the week~ can't be changed, it follows from the date.",
    "Beside the year you can read whether it is a ~leap-year~.",
    "Every digit causes an ~immediate change of the virtual date of the game~;",
    "the game shows this date, and the clock of the system stays untouched.",
    "Only changes with a valid result are accepted.",
    "You can use this screen as a weekday ~calendar from 0000 to 9999~ as well.",
    "~'F1'~ sets the shown virtual date back to the real date of today.",
};
// The change of calendars, below the date rows.
constexpr std::string_view kWechselD[] = {
    "Auf ~Donnerstag, den 4. Oktober 1582~ folgt ~Freitag, der 15. Oktober 1582~.",
    "Damals wurde der bis dahin geltende Julianische Kalender durch den heute",
    "gültigen Gregorianischen Kalender ersetzt."_cp,
};
constexpr std::string_view kWechselE[] = {
    "~Thursday, 4th October 1582~ is followed by ~Friday, 15th October 1582~.",
    "At this time the Gregorian Calendar replaced the Julian Calendar.",
};

// The results handed back to the game, set after every key.
bool* ERG_VIRTUAL = nullptr;
DATUM* ERG_DATUM = nullptr;

// The date on screen becomes the game's date; today's date means no virtual date.
void ERGEBNIS() {
  const bool heute = GLEICHER_TAG(E_DATUM, M_DATUM);
  *ERG_VIRTUAL = !heute;
  *ERG_DATUM = heute ? M_DATUM : E_DATUM;
  if (!heute)
    ERG_DATUM->WOTAG = static_cast<uint16_t>(WOCHENTAG(E_DATUM.JAHR, E_DATUM.MONAT, E_DATUM.TAG));
}

}  // namespace

void KALENDER(bool german, uint8_t colour1, uint8_t colour2, bool& virtualdate, DATUM& datum) {
  if (german) {
    SEITE_BEGINNEN(german, colour1, colour2, false, kTextD, std::size(kTextD));
    ZEILEN_SCHREIBEN(kWechselD, std::size(kWechselD), 23);
  } else {
    SEITE_BEGINNEN(german, colour1, colour2, false, kTextE, std::size(kTextE));
    ZEILEN_SCHREIBEN(kWechselE, std::size(kWechselE), 23);
  }

  // Opening the calendar starts from today and drops an earlier virtual date.
  E_DATUM = HEUTE();
  SCHALT = SCHALTJAHR(E_DATUM.JAHR);
  M_DATUM = E_DATUM;
  M_SCHALT = SCHALT;
  ERG_VIRTUAL = &virtualdate;
  ERG_DATUM = &datum;
  ERGEBNIS();
  FELDER_ZEICHNEN(false);
  // The results follow every key, the end key included, so that a date
  // brought back by F1 is the one the game gets.
  BEARBEITEN(false, ERGEBNIS);
  ERG_VIRTUAL = nullptr;
  ERG_DATUM = nullptr;
  term::TextAttr = NORMAL;
}

}  // namespace zuf
