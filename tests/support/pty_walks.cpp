#include "tests/support/pty_walks.h"

#include <gtest/gtest.h>

namespace testsupport {

bool ToTheEnglishMenu(PtyDriver& pty, int limit_ms) {
  if (!pty.WaitForText("English:", limit_ms)) return false;
  pty.SendKeys("e");
  return pty.WaitForText("5 - The game starts.", limit_ms);
}

std::string EndFromTheMenu(PtyDriver& pty, int limit_ms) {
  pty.SendKeys("9");
  const ExitStatus st = pty.WaitForExit(limit_ms);
  EXPECT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
  return pty.ScreenText();
}

}  // namespace testsupport
