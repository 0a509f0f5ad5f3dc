// Sequences a terminal sends on its own or for keys the game has no use for:
// on every kind of screen they must change nothing.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"
#include "tests/support/timing.h"

namespace {

using testsupport::ExitStatus;
using testsupport::kSlow;
using testsupport::PtyDriver;

constexpr int kWait = 5000 * kSlow;
constexpr const char* kMenu = "9 - End of the game.";  // the main menu

// Shift-Tab, the answer to a device attributes query, focus in and out, an OSC
// string (a colour report) in both endings, and the bracketed-paste markers.
constexpr const char* kForeign[] = {
    "\x1b[Z",       "\x1b[?64;1;2;6c", "\x1b[I",    "\x1b[O", "\x1b]11;rgb:0000/0000/0000\x1b\\",
    "\x1b]0;x\x07", "\x1b[200~",       "\x1b[201~",
};

// Sends them apart, as a terminal would, each one whole. Whether they changed
// anything shows in what the key sent after them does: the program reads its
// input in order, so by the time that key's effect is on the screen every
// sequence before it has been dealt with.
void SendForeign(PtyDriver& pty) {
  for (const char* s : kForeign) {
    pty.SendKeys(s);
    pty.Pump(60);
  }
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
  // The English menu must follow the "e" sent after them.
  SendForeign(pty);
  pty.SendKeys("e");
  ASSERT_TRUE(pty.WaitForText(kMenu, kWait)) << pty.ScreenText();
  ASSERT_FALSE(pty.Exited());

  // The board, while a trial is typed: Esc would break the game off and show
  // the code, a digit would go into the trial. The trial typed after them must
  // stand whole in the first row, answered.
  pty.SendKeys("5");
  ASSERT_TRUE(pty.WaitForText("(1, 2, 3 or 4)", kWait)) << pty.ScreenText();
  pty.SendKeys("1");
  ASSERT_TRUE(pty.WaitForText("The riddle comes from", kWait)) << pty.ScreenText();
  SendForeign(pty);
  pty.SendKeys("1234");
  const auto answered = [&] {
    const std::string row = pty.RowText(9);
    const std::string trial = "  1│  1234   │";
    const size_t at = row.find(trial);
    return at != std::string::npos && at + trial.size() < row.size() &&
           std::isdigit(static_cast<unsigned char>(row[at + trial.size()]));
  };
  ASSERT_TRUE(pty.WaitUntil(answered, kWait)) << pty.ScreenText();
  EXPECT_FALSE(CodeShown(pty)) << "the game was broken off\n" << pty.ScreenText();

  // The new-game question after a break-off: Esc or "n" would answer no, and
  // the menu would come instead of the conditions that the "y" after them asks for.
  pty.SendKeys("\x1b");
  ASSERT_TRUE(pty.WaitUntil([&] { return CodeShown(pty); }, kWait)) << pty.ScreenText();
  ASSERT_TRUE(
      pty.WaitUntil([&] { return pty.RowText(25).find("ame? Yes.") != std::string::npos; }, kWait))
      << pty.ScreenText();
  SendForeign(pty);
  ASSERT_FALSE(pty.Exited());
  pty.SendKeys("y");
  ASSERT_TRUE(pty.WaitForText("(1, 2, 3 or 4)", kWait)) << pty.ScreenText();
  EXPECT_EQ(pty.ScreenText().find(kMenu), std::string::npos);
  pty.SendKeys("4");
  ASSERT_TRUE(pty.WaitForText(kMenu, kWait)) << pty.ScreenText();
  pty.SendKeys("9");
  const ExitStatus st = pty.WaitForExit(kWait);
  ASSERT_FALSE(st.timed_out);
  EXPECT_EQ(st.code, 0);
}

}  // namespace
