#include "screen/terminal.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

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

TEST(TerminalLayer, Utf8IsDecodedAndBrokenBytesAreSingledOut) {
  auto zerlegen = [](std::string_view s) {
    std::vector<int32_t> v;
    for (size_t i = 0; i < s.size();) v.push_back(term::NextUtf8(s, i));
    return v;
  };
  EXPECT_EQ(zerlegen("aü目☃\xf0\x9f\x98\x80"),
            (std::vector<int32_t>{'a', 0xFC, 0x76EE, 0x2603, 0x1F600}));
  // A lone continuation byte, a cut sequence, an overlong form, a surrogate,
  // a value beyond U+10FFFF: each of their bytes on its own.
  EXPECT_EQ(zerlegen("\x80"), (std::vector<int32_t>{-1}));
  EXPECT_EQ(zerlegen("\xe7\x9b"), (std::vector<int32_t>{-1, -1}));
  EXPECT_EQ(zerlegen("\xc1\xbf"), (std::vector<int32_t>{-1, -1}));
  EXPECT_EQ(zerlegen("\xe0\x80\xaf"), (std::vector<int32_t>{-1, -1, -1}));
  EXPECT_EQ(zerlegen("\xed\xa0\x80"), (std::vector<int32_t>{-1, -1, -1}));
  EXPECT_EQ(zerlegen("\xf4\x90\x80\x80"), (std::vector<int32_t>{-1, -1, -1, -1}));
  EXPECT_EQ(zerlegen("\xc3x"), (std::vector<int32_t>{-1, 'x'}));
}

TEST(TerminalLayer, Utf8EncodingOfEveryLengthDecodesBack) {
  for (char32_t c : {0x00u, 0x7Fu, 0x80u, 0x7FFu, 0x800u, 0xFFFFu, 0x10000u, 0x1F600u, 0x10FFFFu}) {
    char buf[4];
    const int n = term::EncodeUtf8(c, buf);
    EXPECT_EQ(n, c < 0x80      ? 1
                 : c < 0x800   ? 2
                 : c < 0x10000 ? 3
                               : 4)
        << std::hex << static_cast<uint32_t>(c);
    size_t i = 0;
    EXPECT_EQ(term::NextUtf8(std::string_view(buf, static_cast<size_t>(n)), i),
              static_cast<int32_t>(c))
        << std::hex << static_cast<uint32_t>(c);
    EXPECT_EQ(i, static_cast<size_t>(n));
  }
}

TEST(TerminalLayer, SystemTextOnAScreenOfCells) {
  MemoryScreen s;
  term::GotoXY(1, 1);
  term::WriteLnSystemText("/Ünïcødé 目录/\x1b\xff");
  EXPECT_EQ(s->Text(1, 1, 15),
            "/Ünïcødé ??"
            "/?? ");
  EXPECT_EQ(term::WhereX(), 1);
  EXPECT_EQ(term::WhereY(), 2);
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

// The bulk draws of the shuffle and the fast path for powers of two must give
// exactly the numbers of the plain rejection rule on the same generator: the
// candidate order of every game depends on it. Bounds just above 2^62 and at
// 2^63 reject about half of the raw outputs, so the redraws are exercised too.
TEST(TerminalLayer, RandomFollowsTheRejectionRuleForEveryBound) {
  MemoryScreen s;
  const uint64_t grenzen[] = {1,
                              2,
                              7,
                              256,
                              257,
                              uint64_t{1} << 25,
                              3'000'000'000ULL,
                              (uint64_t{1} << 62) + 1,
                              uint64_t{1} << 63,
                              (uint64_t{1} << 63) + 1,
                              UINT64_MAX};
  term::RandSeed(99);
  std::mt19937_64 ref(99);
  for (int runde = 0; runde < 200; ++runde) {
    for (uint64_t n : grenzen) {
      uint64_t x;
      do {
        x = ref();
      } while (x >= UINT64_MAX - UINT64_MAX % n);
      ASSERT_EQ(term::Random64(n), x % n) << "bound " << n << " round " << runde;
    }
    uint64_t roh[3];
    term::RandomRaw(roh, 3);
    for (uint64_t r : roh) ASSERT_EQ(r, ref());
    uint64_t x;
    do {
      x = ref();
    } while (x >= term::RandomBound(1000));
    ASSERT_EQ(term::Random(1000), x % 1000);
  }
  EXPECT_EQ(term::RandomBound(uint64_t{1} << 25), 0 - (uint64_t{1} << 25));
  EXPECT_EQ(term::RandomBound(1), UINT64_MAX);
}

// An in-memory terminal whose page can be hidden, as the real one hides it
// behind its notice while the window is too small.
class HidingTerminal : public term::MemoryTerminal {
 public:
  bool hidden = false;
  int redraws = 0;
  bool PageHidden() override { return hidden; }
  void Redraw() override { ++redraws; }
};

int quits = 0;

TEST(TerminalLayer, KeysAreHeldWhileThePageIsHiddenAndCtrlCThenEndsTheProgram) {
  HidingTerminal t;
  term::SetBackend(&t);
  quits = 0;
  term::SetQuitHandler([] { ++quits; });
  t.hidden = true;
  t.PushKeys("5\x1b[A");
  for (int i = 0; i < 6; ++i) EXPECT_FALSE(term::KeyPressed());
  EXPECT_FALSE(term::KeyWait(10));
  EXPECT_EQ(t.PendingKeys(), 0u) << "the keys were read and are held";
  t.PushKeys("\x0c");
  EXPECT_FALSE(term::KeyPressed());
  EXPECT_EQ(t.redraws, 1);
  // The handler would end the program; this one returns, so the key is held.
  t.PushKeys("\x03");
  EXPECT_FALSE(term::KeyPressed());
  EXPECT_EQ(quits, 1);
  // Shown again: everything held comes, in order.
  t.hidden = false;
  EXPECT_TRUE(term::KeyPressed());
  EXPECT_EQ(term::ReadKey(), '5');
  EXPECT_EQ(term::ReadKey(), 0);
  EXPECT_EQ(term::ReadKey(), term::EXT_UP);
  EXPECT_EQ(term::ReadKey(), term::KEY_CTRL_C);
  EXPECT_FALSE(term::KeyPressed());
  // On the page Ctrl-C is a key like any other, and Ctrl-L never arrives.
  t.PushKeys("a\x0c\x03");
  EXPECT_EQ(term::ReadKey(), 'a');
  EXPECT_EQ(term::ReadKey(), term::KEY_CTRL_C);
  EXPECT_EQ(t.redraws, 2);
  EXPECT_EQ(quits, 1);
  term::SetQuitHandler(nullptr);
  term::SetBackend(nullptr);
}

// The generator is the standard 64-bit Mersenne twister, number for number,
// whatever the seed and however the numbers are taken (singly or in runs that
// cross the generator's blocks of 312, or end anywhere within them), with its
// vector loops and with its plain ones.
TEST(TerminalLayer, TheGeneratorIsTheStandardMersenneTwister) {
  MemoryScreen s;
  for (bool vektoren : {true, false}) {
    term::RandomVectors = vektoren;
    for (uint64_t seed : {uint64_t{0}, uint64_t{1}, uint64_t{20250621}, UINT64_MAX}) {
      term::RandSeed(seed);
      std::mt19937_64 ref(seed);
      std::vector<uint64_t> roh;
      for (size_t lauf : {size_t{1}, size_t{311}, size_t{312}, size_t{313}, size_t{3}, size_t{5000},
                          size_t{0}, size_t{626}}) {
        roh.assign(lauf, 0);
        term::RandomRaw(roh.data(), lauf);
        for (uint64_t r : roh)
          ASSERT_EQ(r, ref()) << "seed " << seed << " run " << lauf << " vectors " << vektoren;
        ASSERT_EQ(term::Random64(UINT64_MAX), ref() % UINT64_MAX) << "seed " << seed;
      }
    }
  }
  term::RandomVectors = true;
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
