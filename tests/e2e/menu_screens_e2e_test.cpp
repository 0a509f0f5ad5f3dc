// Every screen of the main menu entered, used and left in a real terminal
// emulator, with the main menu drawn again afterwards.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"

namespace {

using testsupport::ExitStatus;
using testsupport::GameDir;
using testsupport::PtyDriver;

constexpr const char* kMenu = "Please choose now:";

// Clears the emulator's picture of the menu so that its next drawing is seen.
void BackInMenu(PtyDriver& pty) {
  ASSERT_TRUE(pty.WaitForText(" 9 - End of the game.", 5000)) << pty.ScreenText();
  ASSERT_TRUE(pty.WaitForText(kMenu, 5000)) << pty.ScreenText();
}

TEST(MenuScreensE2E, EachScreenIsEnteredUsedAndLeft) {
  GameDir dir;
  PtyDriver pty;
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("English:", 5000));
  pty.SendKeys("e");
  BackInMenu(pty);

  // 2: date and time; a cursor key, then Enter.
  pty.SendKeys("2");
  ASSERT_TRUE(pty.WaitForText("Please set the right date and time", 5000)) << pty.ScreenText();
  pty.SendKeys("\x1b[C\r");
  BackInMenu(pty);

  // 3: calendar and virtual date; F1, then Enter.
  pty.SendKeys("3");
  ASSERT_TRUE(pty.WaitForText("Please set the right virtual date of the game:", 5000))
      << pty.ScreenText();
  pty.SendKeys("\x1bOP\r");
  BackInMenu(pty);

  // 4: colours; Enter leaves.
  pty.SendKeys("4");
  ASSERT_TRUE(pty.WaitForText("emphasized text", 5000)) << pty.ScreenText();
  pty.SendKeys("\r");
  BackInMenu(pty);

  // 6: the short instructions; any letter leaves.
  pty.SendKeys("6");
  ASSERT_TRUE(pty.WaitForText("Rules of the game !", 5000)) << pty.ScreenText();
  pty.SendKeys("x");
  BackInMenu(pty);

  // 7: the detailed instructions; PgDn to page 2, then Ctrl-C.
  pty.SendKeys("7");
  ASSERT_TRUE(pty.WaitForText("Course of the game:", 5000)) << pty.ScreenText();
  pty.SendKeys("\x1b[6~");
  ASSERT_TRUE(pty.WaitForText("Differences to the original game:", 5000)) << pty.ScreenText();
  pty.SendKeys("\x03");
  BackInMenu(pty);

  // 8: configuration; choose 64 MiB and keep it with Enter.
  pty.SendKeys("8");
  ASSERT_TRUE(pty.WaitForText("Configuration", 5000)) << pty.ScreenText();
  pty.SendKeys("3");
  ASSERT_TRUE(pty.WaitForText("3 (*):  64 MiB", 5000)) << pty.ScreenText();
  pty.SendKeys("\r");
  BackInMenu(pty);

  // The next conditions screen shows the new budget and its capacity row.
  pty.SendKeys("5");
  ASSERT_TRUE(pty.WaitForText(" 64 MiB ║", 5000)) << pty.ScreenText();
  EXPECT_NE(
      pty.RowText(8).find("Max. number of allowed signs:   36   36   28   14    9    6    5    4"),
      std::string::npos)
      << pty.RowText(8);
  pty.SendKeys("4");
  BackInMenu(pty);
  pty.SendKeys("9");
  ExitStatus st = pty.WaitForExit(5000);
  ASSERT_FALSE(st.timed_out);
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  const auto f = dir.ConditionsFile();
  ASSERT_EQ(f.size(), 80u);
  EXPECT_EQ(f[5], 3);  // the memory choice was kept
}

}  // namespace
