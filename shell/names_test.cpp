#include "shell/names.h"

#include <gtest/gtest.h>

#include <string>

#include "game/conditions.h"
#include "tests/support/memory_screen.h"

namespace morvandeltrisk {
namespace {

using mtspiel::NAMENSFELD;
using mtspiel::X;
using testsupport::MemoryScreen;
using testsupport::RunsToEnd;

NAMENSFELD Name(const std::string& s) {
  NAMENSFELD n;
  n.fill(' ');
  for (size_t i = 0; i < s.size() && i < 31; ++i) n[i + 1] = s[i];
  return n;
}

std::string Text(const NAMENSFELD& n) {
  std::string s(n.data() + 1, 31);
  return s.substr(0, s.find_last_not_of(' ') + 1);
}

std::string Shaped(const std::string& s) {
  NAMENSFELD n = Name(s);
  CLEAR_NAME(n);
  EXPECT_EQ(n[0], ' ');
  EXPECT_EQ(n[32], ' ');
  return Text(n);
}

TEST(ClearName, ShapesStoredNames) {
  EXPECT_EQ(Shaped("anna maria"), "Anna Maria");
  EXPECT_EQ(Shaped("ANNA-MARIA"), "Anna-Maria");
  EXPECT_EQ(Shaped("j. doe"), "J. Doe");
  EXPECT_EQ(Shaped("mary_ann"), "Mary-Ann");
  EXPECT_EQ(Shaped(" leading blank"), "");
  // Digits become blanks, and a resulting doubled blank drops the rest.
  EXPECT_EQ(Shaped("max 2 moritz"), "Max");
  EXPECT_EQ(Shaped("ab1cd"), "Ab Cd");
  // Characters above 127 (an umlaut in code page 850) likewise.
  EXPECT_EQ(Shaped("m\x81ller"), "M. Ler");
  EXPECT_EQ(Shaped("a:b"), "A.");  // a period must be followed by a blank
  EXPECT_EQ(Shaped("tom  jerry"), "Tom");
}

TEST(ClearName, EndOfTheField) {
  EXPECT_EQ(Shaped(std::string(30, 'a') + "-"), "A" + std::string(29, 'a'));
  // A separator at position 30 takes position 31 with it.
  EXPECT_EQ(Shaped(std::string(29, 'a') + " b"), "A" + std::string(28, 'a'));
}

TEST(NameOk, SwapTwiceGivesTheNamesBack) {
  X.NAME1 = Name("Anna");
  X.NAME2 = Name("Bert");
  NAMEOK(true);
  EXPECT_EQ(Text(X.NAME1), "Bert");
  EXPECT_EQ(Text(X.NAME2), "Anna");
  NAMEOK(true);
  EXPECT_EQ(Text(X.NAME1), "Anna");
  EXPECT_EQ(Text(X.NAME2), "Bert");
}

// Types keys into an empty NAME2 and returns the name and the ending key.
std::pair<std::string, char> Typed(MemoryScreen& s, const std::string& keys) {
  X.NAME2.fill(' ');
  s.Keys(keys);
  char taste = 0;
  EXPECT_TRUE(RunsToEnd([&] { LESE_NAMEN(2, X.NAME2, taste); }));
  return {Text(X.NAME2), taste};
}

TEST(NameEditor, ShapesWhileTyping) {
  MemoryScreen s;
  mtspiel::SP_D = false;
  EXPECT_EQ(Typed(s, "a \rj"), std::make_pair(std::string("A."), 'j'));
  EXPECT_EQ(s->Text(38, 24, 3), "A. ");
  EXPECT_EQ(Typed(s, "a bert\ry"), std::make_pair(std::string("A. Bert"), 'j'));
  EXPECT_EQ(Typed(s, " anna\r\r"),
            std::make_pair(std::string("Anna"), 'j'));  // blank first: nothing
  EXPECT_EQ(Typed(s, "ANNA  b\rj"), std::make_pair(std::string("Anna B."), 'j'));
  EXPECT_EQ(Typed(s, "anna -maria\rj"), std::make_pair(std::string("Anna-Maria"), 'j'));
  EXPECT_EQ(Typed(s, "x.y\rj"), std::make_pair(std::string("X. Y."), 'j'));
  EXPECT_EQ(Typed(s, "bob\x08x\rj"), std::make_pair(std::string("Box"), 'j'));
  EXPECT_EQ(Typed(s, "a \x08\x08z\rj"), std::make_pair(std::string("Z."), 'j'));
  EXPECT_EQ(s->Text(38, 24, 31), "Z." + std::string(29, ' '));
}

TEST(NameEditor, EndingKeys) {
  MemoryScreen s;
  // Backspace on position 1 goes back to the previous field.
  EXPECT_EQ(Typed(s, "\x08").second, term::KEY_BACKSPACE);
  // Ctrl-C in the editor ends with code 2.
  EXPECT_EQ(Typed(s, "ab\x03").second, 2);
  // At the confirmation: Esc means Backspace, Ctrl-C means Esc.
  EXPECT_EQ(Typed(s, "ab\r\x1b").second, term::KEY_BACKSPACE);
  EXPECT_EQ(Typed(s, "ab\r\x03").second, term::KEY_ESC);
}

TEST(NameEditor, ConfirmingAndRejectingAShownName) {
  MemoryScreen s;
  X.NAME1 = Name("Anna");
  s.Keys("z");
  char taste = 0;
  ASSERT_TRUE(RunsToEnd([&] { LESE_NAMEN(1, X.NAME1, taste); }));
  EXPECT_EQ(taste, 'j');
  EXPECT_EQ(Text(X.NAME1), "Anna");
  // 'n' empties the name and starts the editor at position 1.
  s.Keys("nbob\rj");
  ASSERT_TRUE(RunsToEnd([&] { LESE_NAMEN(1, X.NAME1, taste); }));
  EXPECT_EQ(Text(X.NAME1), "Bob");
  EXPECT_EQ(s->Text(38, 23, 31), "Bob" + std::string(28, ' '));
  // Backspace resumes behind the last character.
  s.Keys(
      "\x08"
      "by\rj");
  ASSERT_TRUE(RunsToEnd([&] { LESE_NAMEN(1, X.NAME1, taste); }));
  EXPECT_EQ(Text(X.NAME1), "Bobby");
}

TEST(NameEditor, ComputerLines) {
  MemoryScreen s;
  mtspiel::SP_D = true;
  SCHREIBE_PC(true, false);
  EXPECT_EQ(s->Text(38, 23, 31), "*** Der Computer ***           ");
  mtspiel::SP_D = false;
  SCHREIBE_PC(false, true);
  EXPECT_EQ(s->Text(38, 24, 31), "*** The computer ***           ");
}

}  // namespace
}  // namespace morvandeltrisk
