// The computer cracks a code that a human keeps in mind and answers, in a real
// terminal emulator, to the end of the game.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/game_dir.h"
#include "tests/support/pty_board.h"
#include "tests/support/pty_driver.h"
#include "tests/support/timing.h"

namespace {

using testsupport::AnswerPrompt;
using testsupport::ExitStatus;
using testsupport::GameDir;
using testsupport::kSlow;
using testsupport::PtyDriver;

void Score(const std::string& g, const std::string& c, int& p, int& s) {
  p = 0;
  int t = 0;
  for (size_t i = 0; i < g.size(); ++i) p += g[i] == c[i];
  for (char x = '0'; x <= '9'; ++x) {
    int a = 0, b = 0;
    for (char y : g) a += y == x;
    for (char y : c) b += y == x;
    t += a < b ? a : b;
  }
  s = t - p;
}

TEST(ComputerGuessE2E, TheComputerCracksACodeAHumanAnswers) {
  const std::string secret = "1234";
  GameDir dir;
  PtyDriver pty;
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("English:", 5000));
  // Conditions: everything kept, the computer guesses, Anna sets the riddle.
  pty.SendKeys("e53\r\r\r\r\r\r\r\rj");
  ASSERT_TRUE(pty.WaitForText("Shall the computer guess? Yes.", 5000)) << pty.ScreenText();
  pty.SendKeys("n");
  ASSERT_TRUE(pty.WaitForText("riddle? No.", 5000)) << pty.ScreenText();
  pty.SendKeys("anna\rj");
  ASSERT_TRUE(pty.WaitForText("1st player,who devises the riddle: Anna", 5000)) << pty.ScreenText();
  pty.SendKeys("1");
  ASSERT_TRUE(pty.WaitForText("The solution comes from", 5000)) << pty.ScreenText();

  int trials = 0;
  int last_row = testsupport::kFirstTrialRow - 1;
  for (; trials < 10; ++trials) {
    // Wait for the computer's next guess to stand, below the last one, with the
    // program waiting for its answer. While it searches, the candidates it
    // examines pass through the row, but the cursor is not in an answer cell.
    // When one code is left, the computer plays it and answers it itself.
    AnswerPrompt at;
    bool over = false;
    ASSERT_TRUE(pty.WaitUntil(
        [&] {
          over = pty.RowText(25).find("New game? Yes.") != std::string::npos;
          return over || (AnswerAsked(pty, at) && at.row > last_row);
        },
        10000 * kSlow))
        << pty.ScreenText();
    if (over) break;
    const std::string code = testsupport::TrialCode(pty, at.row);
    ASSERT_EQ(code.size(), 4u) << pty.ScreenText();
    last_row = at.row;
    int p, s;
    Score(code, secret, p, s);
    // The answers that are already determined are filled in by the program.
    if (at.p) {
      pty.SendKeys(std::to_string(p));
      // Either S is asked now, or the program has filled it in itself.
      AnswerPrompt next;
      ASSERT_TRUE(pty.WaitUntil(
          [&] {
            return pty.Cell(at.s_column, at.row).text != " " ||
                   (AnswerAsked(pty, next) && next.row == at.row && !next.p);
          },
          5000 * kSlow))
          << pty.ScreenText();
    }
    if (pty.Cell(at.s_column, at.row).text == " ") pty.SendKeys(std::to_string(s));
    if (p == 4) {
      ++trials;
      break;
    }
  }
  ASSERT_TRUE(pty.WaitForText("Answer:  1234", 5000)) << pty.ScreenText();
  const std::string result = pty.RowText(25);
  const size_t at = result.find("Trials made: ");
  ASSERT_NE(at, std::string::npos) << result;
  const int made = std::stoi(result.substr(at + 13));
  EXPECT_LE(made, 7) << "the board promises 7 trials or less\n" << pty.ScreenText();
  EXPECT_GE(made, trials);
  pty.SendKeys("n");
  ASSERT_TRUE(pty.WaitForText("Please choose now:", 5000));
  pty.SendKeys("9");
  ExitStatus st = pty.WaitForExit(5000);
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
}

}  // namespace
