#include "screen/marked_text.h"

#include "screen/terminal.h"

namespace zuf {

void SCHREIBE_MARKIERT(std::string_view text, uint8_t normal, uint8_t hervor, TEILE teile) {
  bool betont = false;
  while (!text.empty()) {
    const size_t ende = text.find(BETONUNG);
    const std::string_view stueck = text.substr(0, ende);
    const bool zeigen = teile == ALLE || (teile == NUR_HERVOR) == betont;
    if (zeigen) {
      term::TextAttr = betont ? hervor : normal;
      term::Write(stueck);
    } else if (!stueck.empty()) {
      term::GotoXY(term::WhereX() + static_cast<int>(stueck.size()), term::WhereY());
    }
    if (ende == std::string_view::npos) break;
    text.remove_prefix(ende + 1);
    betont = !betont;
  }
  term::TextAttr = normal;
}

int BREITE(std::string_view text) {
  int n = 0;
  for (char c : text)
    if (c != BETONUNG) ++n;
  return n;
}

}  // namespace zuf
