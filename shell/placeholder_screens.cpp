// Placeholders for the main-menu screens that are not built yet: a one-line
// notice, and any key returns to the main menu.
#include "clock/calendar.h"
#include "clock/date_time_setting.h"
#include "screen/colours.h"
#include "screen/instructions.h"
#include "screen/terminal.h"
#include "shell/configuration.h"

namespace {
void Placeholder(const char* what) {
  term::ClrScr();
  term::Write(what);
  term::Write(" - not available yet. Press any key.");
  if (term::ReadKey() == 0) term::ReadKey();
}
}  // namespace

namespace zuf {
void KORRIGIERE_ZEIT(bool, uint8_t, uint8_t) {
  Placeholder("Date/time");
}
void KALENDER(bool, uint8_t, uint8_t, bool&, uint16_t&, uint16_t&, uint16_t&, uint16_t&) {
  Placeholder("Calendar");
}
void TEXTFARBE(bool, bool, uint8_t&, uint8_t&) {
  Placeholder("Colours");
}
}  // namespace zuf

namespace mtd {
void KURZANLEITUNGD(uint8_t, uint8_t) {
  Placeholder("Kurze Spielanleitung");
}
void SPIELANLEITUNGD(uint8_t, uint8_t) {
  Placeholder("Genaue Spielanleitung");
}
}  // namespace mtd

namespace mte {
void KURZANLEITUNGE(uint8_t, uint8_t) {
  Placeholder("Short instructions");
}
void SPIELANLEITUNGE(uint8_t, uint8_t) {
  Placeholder("Detailed instructions");
}
}  // namespace mte

namespace morvandeltrisk {
void KONFIGURATION() {
  Placeholder("Configuration");
}
}  // namespace morvandeltrisk
