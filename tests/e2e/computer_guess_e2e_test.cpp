// The computer cracks a code that a human keeps in mind and answers, in a real
// terminal emulator, to the end of the game.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"

namespace {

using testsupport::ExitStatus;
using testsupport::GameDir;
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

// The newest trial on the board whose answer is still open: its code and row.
bool OpenTrial(const PtyDriver& pty, std::string& code, int& row, bool& p_open) {
  static const std::regex cell("│  ([0-9]{4})   │(.)│(.)║");
  for (int y = 9; y <= 23; ++y) {
    const std::string r = pty.RowText(y);
    for (std::sregex_iterator m(r.begin(), r.end(), cell), e; m != e; ++m) {
      if ((*m)[3] == " ") {
        code = (*m)[1];
        row = y;
        p_open = (*m)[2] == " ";
        return true;
      }
    }
  }
  return false;
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
  int last_row = 8;
  for (; trials < 10; ++trials) {
    std::string code;
    int row = 0;
    bool p_open = false;
    // Wait for the computer's next guess to stand, answer open, below the last one.
    // When one code is left, the computer plays it and answers it itself.
    bool found = false, over = false;
    for (int w = 0; w < 200 && !found && !over; ++w) {
      pty.Pump(50);
      found = OpenTrial(pty, code, row, p_open) && row > last_row;
      over = pty.RowText(25).find("New game? Yes.") != std::string::npos;
    }
    if (over) break;
    ASSERT_TRUE(found) << pty.ScreenText();
    pty.Pump(150);  // the search may still show the candidates it examines
    ASSERT_TRUE(OpenTrial(pty, code, row, p_open)) << pty.ScreenText();
    last_row = row;
    int p, s;
    Score(code, secret, p, s);
    // The answers that are already determined are filled in by the program.
    if (p_open) pty.SendKeys(std::to_string(p));
    pty.Pump(150);
    std::string again;
    int row2;
    bool p2;
    if (OpenTrial(pty, again, row2, p2) && row2 == row) pty.SendKeys(std::to_string(s));
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
