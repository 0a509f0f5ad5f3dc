// The real program on a pseudo-terminal: what the terminal shows, and that the
// terminal is given back as it was found however the program ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"

namespace {

using testsupport::ExitStatus;
using testsupport::PtyDriver;

constexpr const char* kEarlier = "$ earlier output of the user";

using ScratchDir = testsupport::GameDir;

// Starts the game on a terminal that already shows the user's earlier output
// and waits for its first screen.
void StartGame(PtyDriver& pty, const ScratchDir& dir, const std::string& lang = "C.UTF-8") {
  pty.Preload(std::string(kEarlier) + "\r\n");
  ASSERT_TRUE(
      pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=" + lang, "LC_ALL=" + lang}));
  ASSERT_TRUE(pty.WaitForText("Morvandeltrisk", 5000)) << pty.ScreenText();
}

// The terminal is back as it was: same mode, normal screen with the earlier output.
// check_rows is false where something may print below the earlier output.
void ExpectTerminalGivenBack(PtyDriver& pty, bool check_rows = true) {
  EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
  EXPECT_TRUE(pty.AltScreenUsed());
  EXPECT_FALSE(pty.AltScreen()) << "the alternate screen was not left";
  if (!check_rows) return;
  EXPECT_EQ(pty.RowText(1), kEarlier) << pty.ScreenText();
  EXPECT_EQ(pty.ScreenText().find("English:"), std::string::npos)
      << "the game's page must leave with the alternate screen\n"
      << pty.ScreenText();
  // Attributes reset and cursor shown, the last things the program sent.
  const std::string& out = pty.Output();
  EXPECT_NE(out.rfind("\x1b[0m"), std::string::npos);
  EXPECT_NE(out.rfind("\x1b[?25h"), std::string::npos);
}

TEST(TerminalE2E, ShowsItsScreenOnTheAlternateScreenAndEndsOnEsc) {
  ScratchDir dir;
  PtyDriver pty;
  StartGame(pty, dir);
  EXPECT_TRUE(pty.AltScreen());
  EXPECT_NE(pty.RowText(1).find("Morvandeltrisk"), std::string::npos);
  // Without a conditions file the page is white on blue (attribute 31), the
  // title yellow on blue (30): bright colours are bold, blue is index 4.
  testsupport::CellView c = pty.Cell(3, 3);
  EXPECT_EQ(c.fg, 7);
  EXPECT_TRUE(c.bold);
  EXPECT_EQ(c.bg, 4);
  EXPECT_EQ(pty.Cell(5, 1).fg, 3);
  EXPECT_EQ(pty.Cell(40, 12).bg, 4) << "the cleared page is blue";
  // The terminal mode is raw while it runs.
  termios running = pty.ModeNow();
  EXPECT_EQ(running.c_lflag & (ECHO | ICANON | ISIG), 0u);
  EXPECT_EQ(running.c_iflag & IXON, 0u);

  pty.SendKeys("\x1b");
  ExitStatus st = pty.WaitForExit(5000);
  ASSERT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  ExpectTerminalGivenBack(pty);
}

class TerminalSignalE2E : public testing::TestWithParam<int> {};

TEST_P(TerminalSignalE2E, ASignalWhileWaitingEndsItByThatSignalWithTheTerminalRestored) {
  ScratchDir dir;
  PtyDriver pty;
  StartGame(pty, dir);
  pty.Kill(GetParam());
  ExitStatus st = pty.WaitForExit(5000);
  ASSERT_FALSE(st.timed_out);
  bool check_rows = true;
#ifdef MT_SANITIZED
  // The sanitizer's own crash report runs after the terminal is restored and
  // ends the process with an exit code of its own.
  if (GetParam() == SIGSEGV && st.exited) {
    EXPECT_NE(st.code, 0);
    check_rows = false;  // its report is on the screen now
  } else
#endif
  {
    EXPECT_FALSE(st.exited);
    EXPECT_EQ(st.signal, GetParam());
  }
  ExpectTerminalGivenBack(pty, check_rows);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminalSignalE2E,
                         testing::Values(SIGTERM, SIGHUP, SIGQUIT, SIGINT, SIGSEGV),
                         [](const testing::TestParamInfo<int>& i) {
                           return std::string(sigabbrev_np(i.param));
                         });

TEST(TerminalE2E, CtrlCCtrlZAndCtrlBackslashAreKeysNotSignals) {
  // Ctrl-Z and Ctrl-\ mean nothing on the language screen: the program stays and
  // answers the next key. A signal would have stopped or ended it instead.
  ScratchDir dir;
  PtyDriver pty;
  StartGame(pty, dir);
  pty.SendKeys("\x1a\x1c");
  pty.SendKeys("e");
  ASSERT_TRUE(pty.WaitForText("Please choose now:", 5000)) << pty.ScreenText();
  // Ctrl-C in the main menu is the key 9: the program ends normally.
  pty.SendKeys("\x03");
  ExitStatus st = pty.WaitForExit(5000);
  ASSERT_FALSE(st.timed_out);
  EXPECT_TRUE(st.exited) << "raised signal " << st.signal;
  EXPECT_EQ(st.code, 0);
  EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
}

TEST(TerminalE2E, ATerminalSmallerThanThePageClipsInsteadOfFailing) {
  for (auto [cols, rows] : {std::pair{60, 20}, std::pair{79, 24}}) {
    ScratchDir dir;
    PtyDriver pty(cols, rows);
    StartGame(pty, dir);
    pty.SendKeys("\x1b");
    ExitStatus st = pty.WaitForExit(5000);
    ASSERT_FALSE(st.timed_out);
    EXPECT_TRUE(st.exited) << cols << "x" << rows << " signal " << st.signal;
    EXPECT_EQ(st.code, 0);
    // The exit text is wider than the terminal and scrolls the earlier rows away.
    ExpectTerminalGivenBack(pty, false);
  }
}

TEST(TerminalE2E, AResizedTerminalIsRepainted) {
  ScratchDir dir;
  PtyDriver pty(10, 5);
  pty.Preload(std::string(kEarlier) + "\r\n");
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("********", 5000)) << pty.ScreenText();
  EXPECT_EQ(pty.RowText(1), " ********") << "clipped at the tenth column";
  pty.Resize(80, 25);
  EXPECT_TRUE(pty.WaitForText("Morvandeltrisk", 5000)) << pty.ScreenText();
  pty.SendKeys("\x1b");
  ExitStatus st = pty.WaitForExit(5000);
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
}

TEST(TerminalE2E, WithoutATerminalTheOutputIsPlainText) {
  ScratchDir dir;
  // No terminal anywhere: keys from /dev/null (end of input), output to a pipe.
  std::string cmd = "cd '" + dir.path() + "' && exec '" + dir.binary() + "' </dev/null 2>&1";
  FILE* f = popen(cmd.c_str(), "r");
  ASSERT_NE(f, nullptr);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  int st = pclose(f);
  EXPECT_TRUE(WIFEXITED(st));
  EXPECT_EQ(WEXITSTATUS(st), 0);
  // The closed input ends the program as the key 9 would: the exit text is
  // written and the conditions file too.
  EXPECT_NE(out.find(" To leave the program, please press 'Esc'/'Escape'."), std::string::npos)
      << out;
  EXPECT_NE(out.find("Bye-bye!"), std::string::npos) << out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos) << testing::PrintToString(out);
  EXPECT_EQ(dir.ConditionsFile().size(), 80u);
}

}  // namespace
