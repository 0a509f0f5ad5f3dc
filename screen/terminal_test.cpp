#include "screen/terminal.h"

#include <gtest/gtest.h>

#include "screen/cp850.h"
#include "tests/support/memory_screen.h"

namespace {

using testsupport::MemoryScreen;

TEST(TerminalLayer, ClrScrPaintsTheWholeScreenInTheAttribute) {
  MemoryScreen s;
  term::TextAttr = 30;
  term::ClrScr();
  for (int y = 1; y <= 25; ++y)
    for (int x = 1; x <= 80; ++x) ASSERT_EQ(s->AttrAt(x, y), 30);
  EXPECT_EQ(term::WhereX(), 1);
  EXPECT_EQ(term::WhereY(), 1);
}

TEST(TerminalLayer, GotoOutsideTheWindowLeavesTheCursor) {
  MemoryScreen s;
  term::GotoXY(5, 6);
  term::GotoXY(81, 1);
  term::GotoXY(1, 26);
  EXPECT_EQ(term::WhereX(), 5);
  EXPECT_EQ(term::WhereY(), 6);
}

TEST(TerminalLayer, NumbersAndControlCharacters) {
  MemoryScreen s;
  term::GotoXY(1, 1);
  term::WriteInt(7);
  term::WriteInt(2025);
  EXPECT_EQ(s->Text(1, 1, 5), "72025");
  term::Write("ab\x08\x08X");
  EXPECT_EQ(s->Text(6, 1, 2), "Xb");
  term::Write("\rZ");
  EXPECT_EQ(s->Text(1, 1, 1), "Z");
}

TEST(TerminalLayer, LastRowLineEndScrolls) {
  MemoryScreen s;
  term::GotoXY(1, 1);
  term::Write("top");
  term::GotoXY(1, 25);
  term::WriteLn("bottom");
  EXPECT_EQ(s->Text(1, 24, 6), "bottom");
  EXPECT_EQ(term::WhereY(), 25);
}

TEST(TerminalLayer, CodePage850TextsAreOneCellPerCharacter) {
  MemoryScreen s;
  term::GotoXY(1, 1);
  constexpr std::string_view t = "Lösung ╔═╗ ß"_cp;
  static_assert(t.size() == 12);
  term::Write(t);
  EXPECT_EQ(s->CharAt(2, 1), 148);
  EXPECT_EQ(s->CharAt(8, 1), 201);
  EXPECT_EQ(s->Text(1, 1, 12), "Lösung ╔═╗ ß");
}

TEST(TerminalLayer, RandomStaysBelowItsBoundAndRepeatsWithTheSeed) {
  MemoryScreen s;
  term::RandSeed(42);
  uint32_t a[20];
  for (auto& v : a) {
    v = term::Random(7);
    EXPECT_LT(v, 7u);
  }
  term::RandSeed(42);
  for (auto v : a) EXPECT_EQ(term::Random(7), v);
  EXPECT_EQ(term::Random(0), 0u);
  EXPECT_LT(term::Random64(3'000'000'000ULL), 3'000'000'000ULL);
}

TEST(TerminalLayer, AnEmptyScriptEndsTheTestInsteadOfHanging) {
  MemoryScreen s;
  EXPECT_TRUE(testsupport::WaitsForKey([] { term::ReadKey(); }));
  EXPECT_TRUE(testsupport::WaitsForKey([] {
    while (!term::KeyPressed()) {
    }
  }));
}

}  // namespace
