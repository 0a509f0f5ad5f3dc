#include "screen/colours.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/memory_screen.h"

namespace {

using testsupport::MemoryScreen;

struct Farben {
  uint8_t normal, hervor;
};

Farben Nach(Farben start, const std::string& tasten, bool farbbildschirm = true,
            bool german = false) {
  MemoryScreen s;
  s.Keys(tasten);
  EXPECT_TRUE(testsupport::RunsToEnd(
      [&] { zuf::TEXTFARBE(german, farbbildschirm, start.normal, start.hervor); }));
  return start;
}

void ErwarteFarben(Farben f, int normal, int hervor, const char* was) {
  EXPECT_EQ(f.normal, normal) << was;
  EXPECT_EQ(f.hervor, hervor) << was;
}

TEST(Colours, KeysThatWouldChangeNothingOrHideTextAreIgnored) {
  const Farben standard{31, 30};  // white and yellow on blue
  ErwarteFarben(Nach(standard, "2\r"), 31, 30, "2: the background is blue already");
  ErwarteFarben(Nach({0x17, 0x1E}, "8\r"), 0x17, 0x1E, "8 while a text is light grey");
  ErwarteFarben(Nach({0x1E, 0x17}, "8\r"), 0x1E, 0x17, "8 while a text is light grey");
  ErwarteFarben(Nach(standard, "p\r"), 31, 30, "p: ordinary text is white already");
  ErwarteFarben(Nach(standard, "c\r"), 31, 30, "c: blue text on blue");
  ErwarteFarben(Nach(standard, "N\r"), 31, 30, "N: emphasised text is yellow already");
  ErwarteFarben(Nach({0x07, 0x0F}, "a\r"), 0x07, 0x0F, "a on a black background");
  ErwarteFarben(Nach(standard, "q9Q0!\x1b[A\r"), 31, 30, "keys outside the table");
}

TEST(Colours, BackgroundChangeKeepsBothForegrounds) {
  ErwarteFarben(Nach({31, 30}, "5\r"), 0x4F, 0x4E, "red background");
  ErwarteFarben(Nach({31, 30}, "1\r"), 0x0F, 0x0E, "black background");
}

TEST(Colours, LettersSetOneForegroundEach) {
  ErwarteFarben(Nach({31, 30}, "n\r"), 0x1E, 30, "yellow ordinary text");
  ErwarteFarben(Nach({31, 30}, "K\r"), 31, 0x15, "magenta emphasised text");
  ErwarteFarben(Nach({31, 30}, "b\x03"), 0x18, 30, "dark grey, left with Ctrl-C");
  ErwarteFarben(Nach({31, 30}, "6h\x1b"), 0x5B, 0x5E, "magenta, light cyan, left with Esc");
}

TEST(Colours, MonochromeOffersThreeColoursAndRepairs) {
  ErwarteFarben(Nach({7, 15}, "2\r", false), 112, 127, "grey background");
  ErwarteFarben(Nach({112, 127}, "1\r", false), 7, 15, "black background");
  ErwarteFarben(Nach({7, 7}, "2\r", false), 112, 112, "grey on grey twice");
  ErwarteFarben(Nach({112, 112}, "1\r", false), 7, 7, "black on black twice");
  ErwarteFarben(Nach({15, 7}, "2\r", false), 127, 112, "white stays, grey turns black");
  ErwarteFarben(Nach({127, 112}, "1\r", false), 15, 7, "white stays, black turns grey");
  ErwarteFarben(Nach({7, 15}, "3d\r", false), 7, 15, "keys beyond the monochrome table");
  ErwarteFarben(Nach({7, 15}, "c\r", false), 15, 15, "white ordinary text");
  ErwarteFarben(Nach({7, 15}, "a\r", false), 7, 15, "black on black");
}

TEST(Colours, TableShowsEachColourInItsRow) {
  MemoryScreen s;
  uint8_t n = 31, h = 30;
  EXPECT_TRUE(testsupport::WaitsForKey([&] { zuf::TEXTFARBE(true, true, n, h); }));
  const int folge[16] = {0, 8, 1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(s->AttrAt(20, 7 + i), folge[i]) << i;
  EXPECT_EQ(s->Text(1, 7, 40), "║        1  ║██████████████║  a/A      ║");
  EXPECT_EQ(s->Text(1, 22, 40), "║           ║██████████████║  p/P      ║");
  EXPECT_EQ(s->Text(1, 4, 13), "║Ziffer für ║");
  EXPECT_EQ(s->AttrAt(1, 4), 7);
}

// Cells written by the screen for the keys, less those of drawing it at first.
long ZellenFuer(const std::string& tasten, uint8_t& n, uint8_t& h) {
  auto zellen = [&](const std::string& k) {
    MemoryScreen s;
    s.Keys(k);
    EXPECT_TRUE(testsupport::WaitsForKey([&] { zuf::TEXTFARBE(false, true, n, h); }));
    return s->CellsWritten();
  };
  uint8_t n0 = n, h0 = h;
  const long anfang = zellen("");
  n = n0;
  h = h0;
  return zellen(tasten) - anfang;
}

TEST(Colours, RedrawsOnlyWhatTheKeyChanged) {
  constexpr long kBox = 40 * 21;  // the explanation box, frame included
  uint8_t n = 31, h = 30;
  const long hervor = ZellenFuer("K", n, h);
  EXPECT_EQ(h, 0x15);
  EXPECT_GT(hervor, 50);   // the three emphasised phrases...
  EXPECT_LT(hervor, 100);  // ...and nothing else
  n = 31, h = 30;
  const long normal = ZellenFuer("h", n, h);
  EXPECT_EQ(n, 0x1B);
  EXPECT_EQ(normal + hervor, kBox);  // everything but the emphasised phrases
  n = 31, h = 30;
  EXPECT_EQ(ZellenFuer("3", n, h), kBox);

  // On screen: the emphasised words keep their colour when ordinary text changes.
  MemoryScreen s;
  n = 31, h = 30;
  s.Keys("h");
  EXPECT_TRUE(testsupport::WaitsForKey([&] { zuf::TEXTFARBE(false, true, n, h); }));
  // English box row 7 reads " and the colour of ~emphasized text~".
  ASSERT_EQ(s->Text(61, 7, 15), "emphasized text");
  EXPECT_EQ(s->AttrAt(61, 7), 30);
  EXPECT_EQ(s->AttrAt(43, 7), 0x1B);
  EXPECT_EQ(s->AttrAt(41, 7), 0x1B);  // the frame
}

}  // namespace
