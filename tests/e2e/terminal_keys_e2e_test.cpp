// Sequences a terminal sends on its own or for keys the game has no use for:
// on every kind of screen they must change nothing.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"

namespace {

using testsupport::ExitStatus;
using testsupport::PtyDriver;

#ifdef MT_SANITIZED
constexpr int kSlow = 4;  // the sanitized program is several times slower
#else
constexpr int kSlow = 1;
#endif
constexpr int kWait = 5000 * kSlow;

// Shift-Tab, the answer to a device attributes query, focus in and out, an OSC
// string (a colour report) in both endings, and the bracketed-paste markers.
constexpr const char* kForeign[] = {
    "\x1b[Z",       "\x1b[?64;1;2;6c", "\x1b[I",    "\x1b[O", "\x1b]11;rgb:0000/0000/0000\x1b\\",
    "\x1b]0;x\x07", "\x1b[200~",       "\x1b[201~",
};

void SendForeign(PtyDriver& pty) {
  for (const char* s : kForeign) {
    pty.SendKeys(s);
    pty.Pump(60);
  }
  pty.Pump(300 * kSlow);
}

// Whether the status row shows the code after "Answer:", as it does once a
// game has ended or was broken off.
bool CodeShown(const PtyDriver& pty) {
  const std::string row = pty.RowText(25);
  const size_t at = row.find("Answer:");
  if (at == std::string::npos) return false;
  return row.substr(at + 7, 12).find_first_of("0123456789") != std::string::npos;
}

TEST(TerminalKeysE2E, SequencesWithoutAKeyChangeNothingOnAnyScreen) {
  testsupport::GameDir dir;
  PtyDriver pty;
  ASSERT_TRUE(
      pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("English:", kWait)) << pty.ScreenText();

  // The language screen: Esc would end the program, a letter choose a language.
  pty.Pump(100);
  const std::string language = pty.ScreenText();
  SendForeign(pty);
  ASSERT_FALSE(pty.Exited()) << pty.ScreenText();
  EXPECT_EQ(pty.ScreenText(), language);

  // The board, while a trial is typed: Esc would break the game off and show
  // the code, a digit would go into the trial.
  for (const char* k : {"e", "5", "1"}) {
    pty.SendKeys(k);
    pty.Pump(300 * kSlow);
  }
  ASSERT_TRUE(pty.WaitForText("The riddle comes from", kWait)) << pty.ScreenText();
  SendForeign(pty);
  pty.SendKeys("1234");
  ASSERT_TRUE(pty.WaitForText("1234", kWait)) << pty.ScreenText();
  pty.Pump(300 * kSlow);
  EXPECT_FALSE(CodeShown(pty)) << "the game was broken off\n" << pty.ScreenText();
  EXPECT_NE(pty.ScreenText().find("1│  1234"), std::string::npos) << pty.ScreenText();

  // The new-game question after a break-off: Esc or a letter would answer it.
  pty.SendKeys("\x1b");
  for (int i = 0; i < 100 && !CodeShown(pty); ++i) pty.Pump(50 * kSlow);
  ASSERT_TRUE(CodeShown(pty)) << pty.ScreenText();
  pty.Pump(300 * kSlow);
  const std::string question = pty.RowText(25);
  SendForeign(pty);
  ASSERT_FALSE(pty.Exited());
  EXPECT_EQ(pty.RowText(25), question) << pty.ScreenText();
  EXPECT_EQ(pty.ScreenText().find("Please choose now:"), std::string::npos);
  pty.SendKeys("n");
  ASSERT_TRUE(pty.WaitForText("Please choose now:", kWait)) << pty.ScreenText();
  pty.SendKeys("9");
  const ExitStatus st = pty.WaitForExit(kWait);
  ASSERT_FALSE(st.timed_out);
  EXPECT_EQ(st.code, 0);
}

}  // namespace
