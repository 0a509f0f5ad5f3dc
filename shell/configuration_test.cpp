#include "shell/configuration.h"

#include <gtest/gtest.h>

#include <string>

#include "game/conditions.h"
#include "shell/shell_state.h"
#include "tests/support/memory_screen.h"

namespace {

using morvandeltrisk::SPEICHERWAHL;
using testsupport::MemoryScreen;

const std::string UP = "\x1b[A", DOWN = "\x1b[B", RIGHT = "\x1b[C", LEFT = "\x1b[D";

// The choice after the keys, starting from start; the page is left with Enter.
int Wahl(int start, const std::string& tasten, const std::string& ende = "\r") {
  MemoryScreen s;
  SPEICHERWAHL = static_cast<uint8_t>(start);
  mtspiel::X.SPEICHER = SPEICHERWAHL;
  s.Keys(tasten + ende);
  EXPECT_TRUE(testsupport::RunsToEnd(morvandeltrisk::KONFIGURATION));
  EXPECT_EQ(mtspiel::X.SPEICHER, SPEICHERWAHL);
  return SPEICHERWAHL;
}

TEST(Configuration, CursorKeysWrapAround) {
  EXPECT_EQ(Wahl(8, DOWN), 1);
  EXPECT_EQ(Wahl(15, DOWN), 9);
  EXPECT_EQ(Wahl(8, RIGHT), 15);
  EXPECT_EQ(Wahl(8, LEFT), 15);
  EXPECT_EQ(Wahl(1, UP), 8);
  EXPECT_EQ(Wahl(9, UP), 15);
  EXPECT_EQ(Wahl(3, RIGHT), 11);
  EXPECT_EQ(Wahl(12, LEFT), 4);
  EXPECT_EQ(Wahl(15, RIGHT), 7);
  EXPECT_EQ(Wahl(4, DOWN + DOWN), 6);
  EXPECT_EQ(Wahl(6, "\x1b[1;5B"), 7);  // Ctrl-Down
}

TEST(Configuration, DigitsAndLettersChooseDirectly) {
  EXPECT_EQ(Wahl(10, "5"), 5);
  EXPECT_EQ(Wahl(10, "a"), 9);
  EXPECT_EQ(Wahl(10, "G"), 15);
  EXPECT_EQ(Wahl(10, "9h0 \x1bOP\x1b[5~"), 10);  // nothing here means anything
}

TEST(Configuration, EveryEndKeyKeepsTheChoice) {
  EXPECT_EQ(Wahl(10, DOWN + "3", "\x1b"), 3);
  EXPECT_EQ(Wahl(10, DOWN + "3", "\x03"), 3);
  EXPECT_EQ(Wahl(10, DOWN, "\x1b"), 11);
}

TEST(Configuration, MarkFollowsTheChoice) {
  MemoryScreen s;
  morvandeltrisk::SPRACHE_DEUTSCH = false;
  morvandeltrisk::FARBE_NORMAL = 31;
  morvandeltrisk::FARBE_HERVOR = 30;
  SPEICHERWAHL = 10;
  s.Keys(DOWN + DOWN + "7");
  EXPECT_TRUE(testsupport::WaitsForKey(morvandeltrisk::KONFIGURATION));
  EXPECT_EQ(s->Text(3, 17, 50), "1 ( ):   1 MiB        64-bit:       a ( ):   4 GiB");
  EXPECT_EQ(s->Text(3, 23, 14), "7 (*):   1 GiB");
  EXPECT_EQ(s->AttrAt(3, 23), 30);
  EXPECT_EQ(s->Text(39, 18, 14), "b ( ):   8 GiB");
  EXPECT_EQ(s->Text(39, 20, 14), "d ( ):  32 GiB");
  EXPECT_EQ(s->AttrAt(39, 18), 31);
  EXPECT_EQ(s->Text(3, 24, 14), "8 ( ):   2 GiB");
  EXPECT_EQ(s->CursorX(), 3);
  EXPECT_EQ(s->CursorY(), 23);
}

}  // namespace
