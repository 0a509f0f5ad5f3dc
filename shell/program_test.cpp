#include "shell/program.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Sets an environment variable for one test (nullptr: unset) and restores it.
class Env {
 public:
  Env(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~Env() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  bool had_;
  std::string old_;
};

TEST_F(Program, ExitScreenNamesTheFileItWrote) {
  for (bool german : {true, false}) {
    MemoryScreen s;
    s.Keys(german ? "d9" : "e9");
    ASSERT_TRUE(Run());
    EXPECT_EQ(Row(s, 11), german ? " Die Bedingungen Ihres letzten Spiels stehen in der Datei"
                                 : " The conditions of your last game are kept in the file")
        << s->Dump();
    EXPECT_EQ(Row(s, 12), " " + File());
    EXPECT_EQ(fs::file_size(File()), 80u);
  }
}

TEST_F(Program, ExitScreenSaysWhenTheConditionsCouldNotBeSaved) {
  // Neither place can be written, even by root: the program's folder does not
  // exist and a plain file stands where the configuration folder would be.
  PROGRAMMPFAD = dir_ + "/gone/morvandeltrisk";
  std::ofstream(dir_ + "/plain") << "x";
  const Env xdg("XDG_CONFIG_HOME", (dir_ + "/plain").c_str());
  const std::string tried = dir_ + "/plain/morvandeltrisk/BEDINGUN.DAT";
  for (bool german : {true, false}) {
    MemoryScreen s;
    s.Keys(german ? "d9" : "e9");
    ASSERT_TRUE(Run());
    EXPECT_EQ(Row(s, 11), german
                              ? " Die Bedingungen Ihres letzten Spiels konnten nicht in der Datei"
                              : " The conditions of your last game could not be saved in the file")
        << s->Dump();
    EXPECT_EQ(Row(s, 12), " " + tried + (german ? " gespeichert werden." : ""));
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
      << "nothing was written anywhere";
}

TEST_F(Program, ExitScreenSaysWhenThereIsNoPlaceAtAll) {
  PROGRAMMPFAD = dir_ + "/gone/morvandeltrisk";
  const Env xdg("XDG_CONFIG_HOME", nullptr);
  const Env home("HOME", "relative/home");
  for (bool german : {true, false}) {
    MemoryScreen s;
    s.Keys(german ? "d9" : "e9");
    ASSERT_TRUE(Run());
    EXPECT_EQ(Row(s, 11),
              german ? " Die Bedingungen Ihres letzten Spiels konnten nicht gespeichert werden:"
                     : " The conditions of your last game could not be saved:")
        << s->Dump();
    EXPECT_EQ(Row(s, 12),
              german ? " Weder neben dem Programm noch in einem Einstellungsordner ist Platz dafür."
                     : " There is no place for them beside the program or in a settings folder.");
  }
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
