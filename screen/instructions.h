// The instruction pages: short (one page) and detailed (four pages), German and English.
#pragma once

#include <cstdint>

namespace mtd {
void KURZANLEITUNGD(uint8_t colour1, uint8_t colour2);
void SPIELANLEITUNGD(uint8_t colour1, uint8_t colour2);
}  // namespace mtd

namespace mte {
void KURZANLEITUNGE(uint8_t colour1, uint8_t colour2);
void SPIELANLEITUNGE(uint8_t colour1, uint8_t colour2);
}  // namespace mte
