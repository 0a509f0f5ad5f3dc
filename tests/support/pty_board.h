// End-to-end helper: what the game board in a terminal emulator tells about the
// program's state, so that tests can wait for a state instead of for a time.
#pragma once

#include <string>

#include "tests/support/pty_driver.h"

namespace testsupport {

// The first trial's row on the board.
inline constexpr int kFirstTrialRow = 9;

// Where the board asks for the answer to a trial.
struct AnswerPrompt {
  int row = 0;       // the trial's row
  int s_column = 0;  // the column of its S cell
  bool p = false;    // P is asked (else S)
};

// The program waits for the answer to a trial: the cursor stands in the trial's
// empty P cell ("│ │ │║" from the cell before it on) or empty S cell ("│ ║").
// While the computer searches, the cursor is elsewhere.
bool AnswerAsked(const PtyDriver& pty, AnswerPrompt& at);

// The signs in the code cell of the first trial in row y ("" when none).
std::string TrialCode(const PtyDriver& pty, int y);

}  // namespace testsupport
