// The instruction pages: short (one page) and detailed (four pages), German and English.
#pragma once

#include <cstdint>

#include "screen/instruction_pages.h"

namespace mtd {
// The rules on one page; any key but Backspace, PgUp and extended keys leaves.
void KURZANLEITUNGD(uint8_t colour1, uint8_t colour2);
// The detailed instructions on four pages, with the paging keys.
void SPIELANLEITUNGD(uint8_t colour1, uint8_t colour2);
// The page texts, exposed so that their size can be checked.
extern const zuf::SEITE KURZANLEITUNG_SEITEN[1];
extern const zuf::SEITE SPIELANLEITUNG_SEITEN[4];
}  // namespace mtd

namespace mte {
void KURZANLEITUNGE(uint8_t colour1, uint8_t colour2);
void SPIELANLEITUNGE(uint8_t colour1, uint8_t colour2);
extern const zuf::SEITE KURZANLEITUNG_SEITEN[1];
extern const zuf::SEITE SPIELANLEITUNG_SEITEN[4];
}  // namespace mte
