// The game in a terminal whose locale is ISO-8859-1: Latin-1 umlauts, ASCII
// boxes, and never a byte that such a terminal takes for a control code.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <string>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"
#include "tests/support/timing.h"

namespace {

using testsupport::ExitStatus;
using testsupport::kSlow;
using testsupport::PtyDriver;

constexpr int kWait = 5000 * kSlow;
constexpr const char* kLocale = "de_DE.ISO-8859-1";

// Runs a shell command; its output and whether it succeeded.
bool Run(const std::string& cmd, std::string& out) {
  out.clear();
  FILE* f = popen((cmd + " 2>&1").c_str(), "r");
  if (!f) return false;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  const int st = pclose(f);
  return WIFEXITED(st) && WEXITSTATUS(st) == 0;
}

// Compiles the locale into dir (used through LOCPATH, so the system's locales
// stay as they are). Returns an empty string on success, else why it failed.
std::string GenerateLocale(const std::string& dir) {
  std::string out;
  // -c: the German locale sources raise warnings that do not matter here.
  Run("localedef -c -i de_DE -f ISO-8859-1 '" + dir + "/" + kLocale + "'", out);
  std::string charmap;
  if (!Run("LOCPATH='" + dir + "' LC_ALL=" + kLocale + " locale charmap", charmap) ||
      charmap.find("ISO-8859-1") == std::string::npos)
    return "localedef: " + out + " / locale charmap: " + charmap;
  return "";
}

TEST(TerminalLocaleE2E, AnIso88591TerminalGetsLatin1AndNoControlBytes) {
  testsupport::GameDir dir;
  const std::string locales = dir.path() + "/locales";
  ASSERT_EQ(system(("mkdir -p '" + locales + "'").c_str()), 0);
  const std::string failed = GenerateLocale(locales);
  if (!failed.empty())
    GTEST_SKIP() << "no " << kLocale << " locale could be generated (package locales?): " << failed;

  PtyDriver pty(80, 25, /*utf8=*/false);
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(),
                        {"LANG=" + std::string(kLocale), "LC_ALL=" + std::string(kLocale),
                         "LOCPATH=" + locales, "NO_COLOR="}));
  ASSERT_TRUE(pty.WaitForText("English:", kWait)) << pty.ScreenText();
  // The umlauts of the language screen as Latin-1 bytes.
  EXPECT_NE(pty.Output().find("w\xE4hlen,"), std::string::npos);
  EXPECT_NE(pty.Output().find("dr\xFC"
                              "cken"),
            std::string::npos);
  // d, then 5: the German conditions screen with its boxes. Its box characters
  // used to be UTF-8, whose bytes such a terminal took for control codes.
  pty.SendKeys("d");
  ASSERT_TRUE(pty.WaitForText("5 - Das Spiel beginnt.", kWait)) << pty.ScreenText();
  pty.SendKeys("5");
  ASSERT_TRUE(pty.WaitForText("(1, 2, 3 oder 4)", kWait)) << pty.ScreenText();
  // Every column where it belongs, once the page is complete.
  const std::string titel =
      "|                               Morvandeltrisk                      |   8 GiB |";
  EXPECT_TRUE(pty.WaitUntil(
      [&] { return pty.RowText(1).substr(0, 4) == "+---" && pty.RowText(2) == titel; }, kWait))
      << pty.ScreenText();
  ASSERT_FALSE(pty.Exited()) << pty.ScreenText();
  pty.SendKeys("4");
  ASSERT_TRUE(pty.WaitForText("5 - Das Spiel beginnt.", kWait)) << pty.ScreenText();
  pty.SendKeys("9");
  const ExitStatus st = pty.WaitForExit(kWait);
  ASSERT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_EQ(st.code, 0);
  const std::string& out = pty.Output();
  EXPECT_NE(out.find("Danke f\xFCrs Spielen!"), std::string::npos);
  for (size_t i = 0; i < out.size(); ++i) {
    const auto b = static_cast<unsigned char>(out[i]);
    ASSERT_FALSE(b >= 0x80 && b <= 0x9F)
        << "byte " << int(b) << " at " << i << ": "
        << testing::PrintToString(out.substr(i < 40 ? 0 : i - 40, 80));
  }
}

}  // namespace
