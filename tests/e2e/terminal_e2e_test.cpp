// The real program on a pseudo-terminal: what the terminal shows, and that the
// terminal is given back as it was found however the program ends.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"
#include "tests/support/pty_walks.h"
#include "tests/support/timing.h"

namespace {

using testsupport::ExitStatus;
using testsupport::kSlow;
using testsupport::PtyDriver;

constexpr const char* kEarlier = "$ earlier output of the user";

using ScratchDir = testsupport::GameDir;

// Starts the game on a terminal that already shows the user's earlier output,
// with colours allowed whatever the test's own environment says.
void Launch(PtyDriver& pty, const ScratchDir& dir, std::vector<std::string> env = {}) {
  pty.Preload(std::string(kEarlier) + "\r\n");
  for (std::string var : {"LANG=C.UTF-8", "LC_ALL=C.UTF-8", "NO_COLOR="}) {
    const std::string name = var.substr(0, var.find('=') + 1);
    bool given = false;
    for (const std::string& e : env) given = given || e.rfind(name, 0) == 0;
    if (!given) env.push_back(var);
  }
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), env));
}

// Launches the game and waits for its first screen, drawn to the end.
void StartGame(PtyDriver& pty, const ScratchDir& dir) {
  Launch(pty, dir);
  ASSERT_TRUE(pty.WaitForText("English:", 5000 * kSlow)) << pty.ScreenText();
}

// Keys sent one by one, apart as a person types them, so that a lone Esc is
// read as the key and not as the start of a sequence.
void TypeApart(PtyDriver& pty, std::initializer_list<const char*> keys) {
  for (const char* k : keys) {
    pty.SendKeys(k);
    pty.Pump(60);
  }
}

// Waits until the program has read every key sent so far. Ctrl-L never
// reaches the game: the program repaints what it shows at once, the notice of
// a window too small included. It reads its input in order, so once a
// scribble over the screen is gone again, every key before Ctrl-L was read.
bool KeysTaken(PtyDriver& pty) {
  pty.Pump(0);
  pty.Preload("\x1b[1;1H#KEYS-TAKEN#");
  pty.SendKeys("\x0c");
  return pty.WaitUntil([&] { return pty.RowText(1).find("#KEYS-TAKEN#") == std::string::npos; },
                       5000 * kSlow);
}

// Texts that only the game's pages show (not its exit text).
constexpr const char* kPageTexts[] = {"English:",           "Deutsch:",
                                      "Please choose now:", "Morvandeltrisk is a game",
                                      "Bitte wählen Sie:",  "The game needs a window"};

// Nothing of the game's pages or of the notice went into the scrollback.
void ExpectCleanScrollback(const PtyDriver& pty) {
  const std::string sb = pty.ScrollbackText();
  for (const char* t : kPageTexts)
    EXPECT_EQ(sb.find(t), std::string::npos) << "\"" << t << "\" in the scrollback:\n" << sb;
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
  // title yellow on blue (30): bright colours are the bright palette entries
  // (white 15, yellow 11), not bold; blue is index 4.
  testsupport::CellView c = pty.Cell(3, 3);
  EXPECT_EQ(c.fg, 15);
  EXPECT_FALSE(c.bold);
  EXPECT_EQ(c.bg, 4);
  EXPECT_EQ(pty.Cell(5, 1).fg, 11);
  EXPECT_FALSE(pty.Cell(5, 1).bold);
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

class TerminalTooSmallE2E : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(TerminalTooSmallE2E, ANoticeStandsInsteadOfTheClippedPageAndCtrlCEndsCleanly) {
  const auto [cols, rows] = GetParam();
  const std::string size = std::to_string(cols) + " x " + std::to_string(rows) + ".";
  ScratchDir dir;
  PtyDriver pty(cols, rows);
  Launch(pty, dir);
  ASSERT_TRUE(pty.WaitForText("this one has " + size, 5000 * kSlow)) << pty.ScreenText();
  EXPECT_TRUE(pty.WaitForText("dieses hat " + size, 1000)) << pty.ScreenText();
  EXPECT_TRUE(pty.WaitForText("Ctrl-C ends the program.", 1000)) << pty.ScreenText();
  EXPECT_TRUE(pty.WaitForText("Strg-C beendet das Programm.", 1000)) << pty.ScreenText();
  // Keys are held: "e" would leave the language screen, Esc would end the program.
  TypeApart(pty, {"e", "\x1b"});
  ASSERT_TRUE(KeysTaken(pty)) << pty.ScreenText();
  ASSERT_FALSE(pty.Exited()) << "Esc reached the program under the notice";
  for (const char* t : kPageTexts) {
    if (std::string(t) == "The game needs a window") continue;
    EXPECT_EQ(pty.ScreenText().find(t), std::string::npos) << t << "\n" << pty.ScreenText();
  }
  // Ctrl-C ends the program as choice 9 does.
  pty.SendKeys("\x03");
  ExitStatus st = pty.WaitForExit(5000 * kSlow);
  ASSERT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_TRUE(st.exited) << "signal " << st.signal;
  EXPECT_EQ(st.code, 0);
  EXPECT_EQ(dir.ConditionsFile().size(), 80u) << "the conditions file is written";
  EXPECT_NE((pty.ScrollbackText() + pty.ScreenText()).find("Bye-bye!"), std::string::npos)
      << pty.ScreenText();
  // The exit text is wider than a narrow terminal and may scroll the earlier rows away.
  ExpectTerminalGivenBack(pty, false);
  ExpectCleanScrollback(pty);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TerminalTooSmallE2E,
                         testing::Values(std::pair{80, 24}, std::pair{40, 10}, std::pair{79, 25}),
                         [](const testing::TestParamInfo<std::pair<int, int>>& i) {
                           return std::to_string(i.param.first) + "x" +
                                  std::to_string(i.param.second);
                         });

TEST(TerminalE2E, WhenTheWindowGrowsThePageAppearsWholeAndHeldKeysTakeEffect) {
  ScratchDir dir;
  PtyDriver pty(80, 24);
  Launch(pty, dir);
  ASSERT_TRUE(pty.WaitForText("this one has 80 x 24.", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("e");
  ASSERT_TRUE(KeysTaken(pty)) << pty.ScreenText();
  pty.Resize(80, 25);
  // The language screen, then at once the English main menu, with its last row.
  ASSERT_TRUE(pty.WaitForText("Please choose now:", 5000 * kSlow)) << pty.ScreenText();
  EXPECT_NE(pty.RowText(25).find("9 - End of the game."), std::string::npos) << pty.ScreenText();
  EXPECT_EQ(pty.ScreenText().find("The game needs"), std::string::npos) << pty.ScreenText();
  EXPECT_EQ(pty.Cell(1, 25).bg, 4) << "the page's colours";

  // Larger: the page stays at the top left and nothing beside it is painted.
  // The terminal fills the new cells as it likes; the program's repaint must
  // leave them blank in the terminal's own colours, with the page as it was.
  pty.Resize(100, 30);
  constexpr std::pair<int, int> kBeside[] = {{81, 1}, {100, 12}, {1, 26}, {90, 30}};
  const auto repainted = [&] {
    for (auto [x, y] : kBeside)
      if (pty.Cell(x, y).bg != -1 || pty.Cell(x, y).text != " ") return false;
    return pty.RowText(25).find("9 - End of the game.") != std::string::npos;
  };
  EXPECT_TRUE(pty.WaitUntil(repainted, 5000 * kSlow)) << pty.ScreenText();
  for (auto [x, y] : kBeside) {
    EXPECT_EQ(pty.Cell(x, y).bg, -1) << x << "," << y;
    EXPECT_EQ(pty.Cell(x, y).text, " ") << x << "," << y;
  }
  // Smaller again: the notice, and the key 9 waits for the window to grow.
  pty.Resize(60, 20);
  ASSERT_TRUE(pty.WaitForText("60 x 20.", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("9");
  ASSERT_TRUE(KeysTaken(pty)) << pty.ScreenText();
  ASSERT_FALSE(pty.Exited());
  pty.Resize(80, 25);
  ExitStatus st = pty.WaitForExit(5000 * kSlow);
  ASSERT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  ExpectTerminalGivenBack(pty);
  ExpectCleanScrollback(pty);
}

// A run without colours keeps the player's colours in the conditions file: the
// monochrome pair it showed instead is not saved over them.
TEST(TerminalE2E, NoColorLeavesTheSavedColoursAsTheyWere) {
  ScratchDir dir;
  auto run = [&](std::vector<std::string> env) {
    PtyDriver pty;
    Launch(pty, dir, std::move(env));
    ASSERT_TRUE(testsupport::ToTheEnglishMenu(pty, 5000 * kSlow)) << pty.ScreenText();
    pty.SendKeys("9");
    ExitStatus st = pty.WaitForExit(5000 * kSlow);
    ASSERT_FALSE(st.timed_out) << pty.ScreenText();
    EXPECT_EQ(st.code, 0);
  };
  run({});
  const std::vector<unsigned char> farbig = dir.ConditionsFile();
  ASSERT_GE(farbig.size(), 2u);
  run({"NO_COLOR=1"});
  const std::vector<unsigned char> danach = dir.ConditionsFile();
  ASSERT_GE(danach.size(), 2u);
  EXPECT_EQ(danach[0], farbig[0]);  // ordinary text
  EXPECT_EQ(danach[1], farbig[1]);  // emphasised text
  EXPECT_NE(farbig[0], 7) << "the first run should have saved a colour pair";
}

TEST(TerminalE2E, WithNoColorSetNoColourCodeIsSent) {
  ScratchDir dir;
  PtyDriver pty;
  Launch(pty, dir, {"NO_COLOR=1"});
  // The colour screen offers the monochrome choices only: black, light grey, white.
  ASSERT_TRUE(testsupport::ToTheEnglishMenu(pty, 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("4");
  ASSERT_TRUE(pty.WaitForText("emphasized text", 5000 * kSlow)) << pty.ScreenText();
  EXPECT_NE(pty.ScreenText().find("c/C"), std::string::npos) << pty.ScreenText();
  EXPECT_EQ(pty.ScreenText().find("d/D"), std::string::npos) << pty.ScreenText();
  EXPECT_EQ(pty.Cell(45, 6).fg, -1);
  EXPECT_EQ(pty.Cell(45, 6).bg, -1);
  pty.SendKeys("\r");
  ASSERT_TRUE(pty.WaitForText("Please choose now:", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("9");
  ExitStatus st = pty.WaitForExit(5000 * kSlow);
  ASSERT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_EQ(st.code, 0);
  // Every SGR sequence of the whole run: no colour parameter in any.
  const std::string& out = pty.Output();
  int sgr = 0;
  for (size_t at = out.find("\x1b["); at != std::string::npos; at = out.find("\x1b[", at + 1)) {
    size_t end = at + 2;
    while (end < out.size() && (out[end] < 0x40 || out[end] > 0x7E)) ++end;
    if (end >= out.size() || out[end] != 'm') continue;
    ++sgr;
    std::string params = out.substr(at + 2, end - at - 2);
    size_t from = 0;
    for (;;) {
      const size_t semi = params.find(';', from);
      const int p = std::atoi(params.substr(from, semi - from).c_str());
      EXPECT_FALSE((p >= 30 && p <= 49) || (p >= 90 && p <= 107))
          << "colour code " << p << " in " << testing::PrintToString(out.substr(at, end - at + 1));
      if (semi == std::string::npos) break;
      from = semi + 1;
    }
  }
  EXPECT_GT(sgr, 0);
}

TEST(TerminalE2E, CtrlLRepaintsAScreenSpoiledBehindTheProgramsBack) {
  ScratchDir dir;
  PtyDriver pty;
  StartGame(pty, dir);
  const std::string clean = pty.ScreenText();
  // Another program writes over the screen (a message to all terminals, say).
  pty.Preload(
      "\x1b[5;10H\x1b[41m*** MESSAGE FROM SOMEONE ***\x1b[0m\x1b[12;1H\x1b[2K\x1b[20;70Hxyz");
  ASSERT_NE(pty.ScreenText(), clean);
  pty.SendKeys("\x0c");
  EXPECT_TRUE(pty.WaitUntil([&] { return pty.ScreenText() == clean; }, 5000 * kSlow))
      << pty.ScreenText();
  EXPECT_EQ(pty.Cell(12, 5).bg, 4);
  // The key itself changed nothing: the language screen still waits.
  pty.SendKeys("e");
  EXPECT_TRUE(pty.WaitForText("Please choose now:", 5000 * kSlow)) << pty.ScreenText();
  // On a page where any key turns the page, Ctrl-L only repaints.
  pty.SendKeys("7");
  ASSERT_TRUE(pty.WaitForText("Page 1 of 4.", 5000 * kSlow)) << pty.ScreenText();
  ASSERT_TRUE(pty.WaitForText("Leave: Esc.", 5000 * kSlow)) << pty.ScreenText();
  const std::string page = pty.ScreenText();
  pty.Preload("\x1b[1;1HGARBAGE\x1b[25;1H\x1b[2K");
  pty.SendKeys("\x0c");
  EXPECT_TRUE(pty.WaitUntil([&] { return pty.ScreenText() == page; }, 5000 * kSlow))
      << pty.ScreenText();
  pty.SendKeys("\x1b");
  ASSERT_TRUE(pty.WaitForText("Please choose now:", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("9");
  EXPECT_EQ(pty.WaitForExit(5000 * kSlow).code, 0);
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
