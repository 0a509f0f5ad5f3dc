// The game's screens as a user sees them in a real terminal emulator: the
// language screen, the two main menus, the exit screen, the conditions file,
// and a whole game between two human players.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "game/conditions.h"
#include "shell/names.h"
#include "shell/screen_pieces.h"
#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"

namespace {

using testsupport::ExitStatus;
using testsupport::GameDir;
using testsupport::PtyDriver;

void Start(PtyDriver& pty, const GameDir& dir) {
  pty.Preload("$ earlier output\r\n");
  ASSERT_TRUE(
      pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("English:", 5000)) << pty.ScreenText();
}

void ExpectNormalEnd(PtyDriver& pty) {
  ExitStatus st = pty.WaitForExit(5000);
  ASSERT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
  EXPECT_FALSE(pty.AltScreen());
}

TEST(ShellE2E, LanguageScreenMenusAndExitScreen) {
  GameDir dir;
  PtyDriver pty;
  Start(pty, dir);
  EXPECT_EQ(pty.RowText(1),
            " ********  Morvandeltrisk  ***  " + morvandeltrisk::Versionstitel() + ".  ********");
  // Code page 850 umlauts arrive as the right characters on a UTF-8 terminal.
  EXPECT_EQ(pty.RowText(20),
            " Um \"Deutsch\" als Sprache zu wählen, drücken Sie bitte \"d\" oder \"D\".");
  EXPECT_EQ(pty.RowText(24), " To choose 'English' as language, please press 'e' or 'E'.");
  EXPECT_EQ(pty.RowText(25), " To leave the program, please press 'Esc'/'Escape'.");

  // Up is an extended key and means nothing here; Esc would have ended the
  // program before it could take the E.
  pty.SendKeys("\x1b[A");
  pty.SendKeys("E");
  ASSERT_TRUE(pty.WaitForText("Please choose now:", 5000)) << pty.ScreenText();
  EXPECT_EQ(pty.RowText(21), " 1 - Change the language.        5 - The game starts.");
  EXPECT_EQ(pty.RowText(25), " 4 - Lend colour to the game.    9 - End of the game.");

  pty.SendKeys("1");
  ASSERT_TRUE(pty.WaitForText("English:", 5000));
  pty.SendKeys("d");
  ASSERT_TRUE(pty.WaitForText("Bitte wählen Sie:", 5000)) << pty.ScreenText();
  EXPECT_EQ(pty.RowText(21), " 1 - Sprache ändern.                      5 - Das Spiel beginnt.");
  EXPECT_EQ(pty.RowText(22),
            " 2 - Datum/Uhrzeit anzeigen/einstellen.   6 - Kurze Spielanleitung.  (1 Seite)");

  pty.SendKeys(
      "\x1b[B"
      "9");
  ExpectNormalEnd(pty);
  // The exit screen stays below the user's earlier output.
  EXPECT_EQ(pty.RowText(1), "$ earlier output");
  EXPECT_EQ(pty.RowText(2), dir.binary());
  EXPECT_EQ(pty.RowText(4), "Morvandeltrisk  ***  " + morvandeltrisk::Versionstitel() + ",");
  EXPECT_EQ(pty.RowText(5),
            "Version mit Grafik- und Sonderzeichen / version with graphics characters.");
  EXPECT_NE(pty.ScreenText().find("Bye-bye!"), std::string::npos) << pty.ScreenText();
  EXPECT_EQ(dir.ConditionsFile().size(), 80u);
}

TEST(ShellE2E, EscOnTheLanguageScreenEndsAndWritesTheFile) {
  GameDir dir;
  PtyDriver pty;
  Start(pty, dir);
  pty.SendKeys("\x1b");
  ExpectNormalEnd(pty);
  EXPECT_NE(pty.ScreenText().find("Bye-bye!"), std::string::npos);
  const auto f = dir.ConditionsFile();
  ASSERT_EQ(f.size(), 80u);
  EXPECT_EQ(f[3], 4);    // the default length
  EXPECT_EQ(f[6], '0');  // and sign set
  EXPECT_EQ(f[7], '9');
}

TEST(ShellE2E, AGameBetweenTwoHumansWithAFixedCode) {
  GameDir dir;
  PtyDriver pty;
  Start(pty, dir);
  pty.SendKeys("e5");
  ASSERT_TRUE(pty.WaitForText("Please choose now (1, 2, 3 or 4):", 5000)) << pty.ScreenText();
  // Edit: keep time, sound, signs, length, repetition, vacant sign and the fixed
  // answer; the computer does not guess (the codebreaker's name is Bert), nor set
  // the riddle (Anna sets it), and Anna types the answer 1234.
  pty.SendKeys("3\r\r\r\r\r\r\r\r");
  pty.SendKeys("n");
  ASSERT_TRUE(pty.WaitForText("Shall the computer guess? No.", 5000)) << pty.ScreenText();
  pty.SendKeys("bert\rj");
  pty.SendKeys("n");
  ASSERT_TRUE(pty.WaitForText("riddle? No.", 5000)) << pty.ScreenText();
  pty.SendKeys("anna\rj");
  pty.SendKeys("1234");
  ASSERT_TRUE(pty.WaitForText(" Answer: 1234", 5000)) << pty.ScreenText();
  pty.SendKeys("1");
  ASSERT_TRUE(pty.WaitForText("The riddle comes from", 5000)) << pty.ScreenText();
  pty.SendKeys("5678");
  ASSERT_TRUE(pty.WaitForText("5678   │0│0", 5000)) << pty.ScreenText();
  pty.SendKeys("4321");
  ASSERT_TRUE(pty.WaitForText("4321   │0│4", 5000)) << pty.ScreenText();
  pty.SendKeys("1234");
  ASSERT_TRUE(pty.WaitForText("Trials made:  3", 5000)) << pty.ScreenText();
  EXPECT_NE(pty.RowText(9).find("█║  1│  5678   │0│0║"), std::string::npos) << pty.RowText(9);
  EXPECT_NE(pty.RowText(11).find("█║  3│  1234   │4│0║"), std::string::npos) << pty.RowText(11);
  EXPECT_EQ(pty.RowText(13),
            "║ Anna.                               ║█║   │         │ │ ║█║   │         │ │ ║");
  EXPECT_EQ(pty.RowText(15),
            "║ Bert.                               ║█║   │         │ │ ║█║   │         │ │ ║");
  EXPECT_EQ(pty.RowText(25).substr(0, 13), "Answer:  1234");
  // No new game: back to the main menu, then end.
  pty.SendKeys("n");
  ASSERT_TRUE(pty.WaitForText("Please choose now:", 5000)) << pty.ScreenText();
  pty.SendKeys("9");
  ExpectNormalEnd(pty);
  const auto f = dir.ConditionsFile();
  ASSERT_EQ(f.size(), 80u);
  EXPECT_EQ(f[11], 0);  // the computer does not set the riddle
  EXPECT_EQ(f[12], 0);  // nor guess
  EXPECT_EQ(f[13], 1);  // the answer is fixed
  EXPECT_EQ(std::string(f.begin() + 14, f.begin() + 20), " Anna ");
  EXPECT_EQ(std::string(f.begin() + 47, f.begin() + 53), " Bert ");
}

// Two humans with a fixed answer: Backspace in the game menu re-enters the
// answer field at its last sign. The signs before it stay on screen, and the
// code on screen is the code of the game.
class ShellE2EAnswer : public testing::TestWithParam<bool> {};

TEST_P(ShellE2EAnswer, TheReenteredAnswerFieldShowsTheCodeInForce) {
  const bool german = GetParam();
  GameDir dir;
  {
    using mtspiel::X;
    mtspiel::INITIALISIERE();
    X.PC_STELLT = false;
    X.PC_RAET = false;
    X.FEST = true;
    const char* names[2] = {"anna", "bert"};
    for (int i = 0; i < 4; ++i) {
      X.NAME1[static_cast<size_t>(i) + 1] = names[0][i];
      X.NAME2[static_cast<size_t>(i) + 1] = names[1][i];
    }
    morvandeltrisk::NAMEOK(false);
    std::ofstream f(dir.path() + "/BEDINGUN.DAT", std::ios::binary);
    f.write(reinterpret_cast<const char*>(&X), 80);
  }
  PtyDriver pty;
  Start(pty, dir);
  pty.SendKeys(german ? "d5" : "e5");
  // The encoder keeps the roles and types the answer 9876.
  ASSERT_TRUE(pty.WaitForText(german ? "Bed. ändern" : "Change conditons", 5000))
      << pty.ScreenText();
  pty.SendKeys("\r9876");
  const std::string field = german ? " Lösung: " : " Answer: ";
  ASSERT_TRUE(pty.WaitForText(field + "9876", 5000)) << pty.ScreenText();
  pty.SendKeys("\x7f");  // Backspace in the game menu
  ASSERT_TRUE(pty.WaitForText(field + "987.", 5000)) << pty.ScreenText();
  EXPECT_EQ(pty.ScreenText().find(field + "...."), std::string::npos);
  pty.SendKeys("5");
  ASSERT_TRUE(pty.WaitForText(field + "9875", 5000)) << pty.ScreenText();
  // The game is played against what the field shows.
  pty.SendKeys("1");
  ASSERT_TRUE(pty.WaitForText(german ? "Spielbeginn:" : "Game start:", 5000)) << pty.ScreenText();
  pty.SendKeys("9875");
  ASSERT_TRUE(pty.WaitForText(german ? "Versuche: 1" : "Trials made:  1", 5000))
      << pty.ScreenText();
  EXPECT_NE(pty.RowText(9).find("9875   │4│0"), std::string::npos) << pty.RowText(9);
  EXPECT_EQ(pty.RowText(25).find(german ? "Lösung:  9875" : "Answer:  9875"), 0u)
      << pty.RowText(25);
  pty.SendKeys("n");
  ASSERT_TRUE(pty.WaitForText(german ? "Bitte wählen Sie:" : "Please choose now:", 5000))
      << pty.ScreenText();
  pty.SendKeys("9");
  ExpectNormalEnd(pty);
}

INSTANTIATE_TEST_SUITE_P(Languages, ShellE2EAnswer, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& i) {
                           return std::string(i.param ? "German" : "English");
                         });

}  // namespace
