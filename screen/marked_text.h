// Texts with emphasised pieces: a '~' switches between the ordinary and the
// emphasised attribute, so that a row of a page can be kept as one literal.
#pragma once

#include <cstdint>
#include <string_view>

namespace zuf {

inline constexpr char BETONUNG = '~';

// Which pieces of a marked text are written.
enum TEILE { ALLE, NUR_NORMAL, NUR_HERVOR };

// Writes a marked text at the cursor, starting in the ordinary attribute. With
// NUR_NORMAL or NUR_HERVOR the other pieces are skipped by moving the cursor
// over them, so that they stay on screen as they were. Leaves TextAttr ordinary.
void SCHREIBE_MARKIERT(std::string_view text, uint8_t normal, uint8_t hervor, TEILE teile = ALLE);

// The number of screen cells a marked text takes (the marks take none).
int BREITE(std::string_view text);

}  // namespace zuf
