#include "tests/support/pty_board.h"

#include <regex>

namespace testsupport {

bool AnswerAsked(const PtyDriver& pty, AnswerPrompt& at) {
  const int x = pty.CursorX(), y = pty.CursorY();
  auto cell = [&](int dx) { return pty.Cell(x + dx, y).text; };
  if (cell(0) != " " || cell(-1) != "│") return false;
  if (cell(1) == "│" && cell(2) == " " && cell(3) == "║") {
    at = {y, x + 2, true};
    return true;
  }
  if (cell(1) == "║") {
    at = {y, x, false};
    return true;
  }
  return false;
}

std::string TrialCode(const PtyDriver& pty, int y) {
  static const std::regex code("│ +([0-9a-z*.]+) +│.│.║");
  const std::string row = pty.RowText(y);
  std::smatch m;
  return std::regex_search(row, m, code) ? m[1].str() : "";
}

}  // namespace testsupport
