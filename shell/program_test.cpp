#include "shell/program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "game/conditions.h"
#include "shell/screen_pieces.h"
#include "shell/shell_state.h"
#include "tests/support/memory_screen.h"

namespace morvandeltrisk {
namespace {

namespace fs = std::filesystem;
using testsupport::MemoryScreen;
using testsupport::RunsToEnd;

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/mt-program-XXXXXX";
    dir_ = mkdtemp(tmpl);
    PROGRAMMPFAD = dir_ + "/morvandeltrisk";
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string File() { return dir_ + "/BEDINGUN.DAT"; }
  // Runs the whole program on the keys; true when it ended by itself.
  bool Run() {
    return RunsToEnd([] { MORVANDELTRISK(); });
  }
  std::string dir_;
};

// A row of the screen without its trailing blanks.
std::string Row(MemoryScreen& s, int y) {
  std::string r = s->RowUtf8(y);
  return r.substr(0, r.find_last_not_of(' ') + 1);
}

TEST_F(Program, EscOnTheLanguageScreenEndsAndWritesTheFile) {
  MemoryScreen s;
  s.Esc();
  ASSERT_TRUE(Run());
  EXPECT_EQ(fs::file_size(File()), 80u);
  EXPECT_EQ(s->RowUtf8(1).substr(0, PROGRAMMPFAD.size()), PROGRAMMPFAD);
  EXPECT_EQ(Row(s, 3), "Morvandeltrisk  ***  " + Versionstitel() + ",");
  EXPECT_EQ(Row(s, 4), "Version mit Grafik- und Sonderzeichen / version with graphics characters.");
  bool bye = false;
  for (int y = 1; y <= 25; ++y) bye = bye || s->Text(1, y, 9) == "Bye-bye! ";
  EXPECT_TRUE(bye) << s->Dump();
}

TEST(VersionTitle, NamesTheSystemThePointerWidthAndTheVersionInAFixedWidth) {
  // The title lines are laid out around it: its width must not change.
  const std::string t = Versionstitel();
  EXPECT_TRUE(std::regex_match(
      t, std::regex("(Linux|macOS) - (32|64)-Bit - Version  [0-9]{4}-[0-9]{2}-[0-9]{2}")))
      << t;
  EXPECT_EQ(t.find(std::to_string(sizeof(void*) * 8) + "-Bit"), 8u) << t;
}

TEST_F(Program, LanguageScreenLayout) {
  MemoryScreen s;
  // Look at the language screen while it waits for its key.
  ASSERT_TRUE(testsupport::WaitsForKey([] { MORVANDELTRISK(); }));
  EXPECT_EQ(Row(s, 1), " ********  Morvandeltrisk  ***  " + Versionstitel() + ".  ********");
  EXPECT_EQ(s->AttrAt(2, 1), FARBE_HERVOR);
  EXPECT_EQ(Row(s, 19), " Deutsch:");
  EXPECT_EQ(Row(s, 23), " English:");
  EXPECT_EQ(Row(s, 24), " To choose 'English' as language, please press 'e' or 'E'.");
  EXPECT_EQ(Row(s, 25), " To leave the program, please press 'Esc'/'Escape'.");
  EXPECT_EQ(s->CursorY(), 25);
  EXPECT_EQ(s->CursorX(), 52);
}

TEST_F(Program, EnglishAndGermanMenus) {
  {
    MemoryScreen s;
    s.Keys("E");
    EXPECT_TRUE(testsupport::WaitsForKey([] { MORVANDELTRISK(); }));
    EXPECT_EQ(Row(s, 19), "Please choose now:");
    EXPECT_EQ(Row(s, 21), " 1 - Change the language.        5 - The game starts.");
    EXPECT_EQ(Row(s, 23),
              " 3 - Calendar from 0000 to 9999/ 7 - Detailed instruction of the game.(4 pages)");
    EXPECT_EQ(Row(s, 25), " 4 - Lend colour to the game.    9 - End of the game.");
    EXPECT_EQ(Row(s, 1), " Operating instructions:");
  }
  {
    MemoryScreen s;
    s.Keys("D");
    EXPECT_TRUE(testsupport::WaitsForKey([] { MORVANDELTRISK(); }));
    EXPECT_EQ(Row(s, 19), "Bitte wählen Sie:");
    EXPECT_EQ(Row(s, 21), " 1 - Sprache ändern.                      5 - Das Spiel beginnt.");
    EXPECT_EQ(Row(s, 22),
              " 2 - Datum/Uhrzeit anzeigen/einstellen.   6 - Kurze Spielanleitung.  (1 Seite)");
    EXPECT_EQ(Row(s, 25), " 4 - Bringen Sie Farbe ins Spiel.         9 - Programm beenden.");
    EXPECT_EQ(Row(s, 1), " Bedienungsanleitung:");
  }
}

TEST_F(Program, MenuKeys) {
  // 9 ends; Ctrl-C acts as 9; an extended key is ignored; 1 then Esc ends as 9.
  for (const char* keys : {"e9", "e\x03", "e\x1b[A9", "ex9", "d1"}) {
    MemoryScreen s;
    s.Keys(keys);
    if (std::string(keys) == "d1") s.Esc();
    ASSERT_TRUE(Run()) << keys;
    EXPECT_EQ(fs::file_size(File()), 80u) << keys;
    fs::remove(File());
  }
}

TEST_F(Program, EveryReturnToTheMenuWritesThePlayersVacantChoice) {
  MemoryScreen s;
  s.Keys("e");
  EXPECT_TRUE(testsupport::WaitsForKey([] { MORVANDELTRISK(); }));
  std::ifstream f(File(), std::ios::binary);
  std::string r((std::istreambuf_iterator<char>(f)), {});
  ASSERT_EQ(r.size(), 80u);
  EXPECT_EQ(r[10], LEER_WAHL ? 1 : 0);
}

TEST_F(Program, TitlePagesFitTheScreen) {
  for (bool german : {false, true}) {
    MemoryScreen s;
    SPRACHE_DEUTSCH = german;
    term::ClrScr();
    if (german) {
      TITELD();
    } else {
      TITELE();
    }
    // Nothing scrolled: the first row is still the heading, the cursor is on row 25.
    EXPECT_EQ(s->Text(2, 1, 4), german ? "Bedi" : "Oper");
    EXPECT_EQ(s->CursorY(), 25);
    EXPECT_EQ(s->Text(1, 25, 5), " 4 - ");
  }
}

}  // namespace
}  // namespace morvandeltrisk
