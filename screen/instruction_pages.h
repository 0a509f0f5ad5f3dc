// The pages of the instructions and their paging keys, shared by the German
// and the English texts.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zuf {

// One page: 25 rows of at most 79 cells; '~' switches to and from the
// emphasised attribute (see screen/marked_text.h).
using SEITE = std::array<std::string_view, 25>;

// Clears the screen and writes a page: 24 rows each with a line end and the
// 25th without one, so that the screen never scrolls.
void SEITE_ZEIGEN(const SEITE& seite, uint8_t normal, uint8_t hervor);

// Shows pages 1..anzahl from the first and pages through them until the
// reader leaves: Backspace and PgUp go back (not from the first page), PgDn
// and every other plain key go on (from the last page they leave), Esc and
// Ctrl-C leave from every page, other extended keys do nothing.
void SEITEN_BLAETTERN(const SEITE* seiten, int anzahl, uint8_t normal, uint8_t hervor);

}  // namespace zuf
