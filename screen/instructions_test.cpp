#include "screen/instructions.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "screen/cp850.h"
#include "screen/marked_text.h"
#include "tests/support/memory_screen.h"

namespace {

using testsupport::MemoryScreen;

const std::string PGUP = "\x1b[5~", PGDN = "\x1b[6~", F1 = "\x1bOP", UP = "\x1b[A";
const std::string BACKSPACE = "\x7f", ESC = "\x1b", CTRL_C = "\x03";

// A page row as the screen shows it: the marks removed, padded to 80 cells.
std::string Bildschirmzeile(std::string_view zeile) {
  std::string s;
  for (char c : zeile)
    if (c != zuf::BETONUNG) s += c;
  s.resize(80, ' ');
  return s;
}

using Routine = void (*)(uint8_t, uint8_t);

struct Anleitung {
  const char* name;
  Routine routine;
  const zuf::SEITE* seiten;
  int anzahl;
};

const Anleitung kAlle[] = {
    {"KURZANLEITUNGD", mtd::KURZANLEITUNGD, mtd::KURZANLEITUNG_SEITEN, 1},
    {"KURZANLEITUNGE", mte::KURZANLEITUNGE, mte::KURZANLEITUNG_SEITEN, 1},
    {"SPIELANLEITUNGD", mtd::SPIELANLEITUNGD, mtd::SPIELANLEITUNG_SEITEN, 4},
    {"SPIELANLEITUNGE", mte::SPIELANLEITUNGE, mte::SPIELANLEITUNG_SEITEN, 4},
};

// The page (1-based) the screen shows, or 0 when it shows none of them.
int SichtbareSeite(MemoryScreen& s, const Anleitung& a) {
  for (int p = 0; p < a.anzahl; ++p) {
    bool gleich = true;
    for (int y = 1; y <= 25 && gleich; ++y)
      gleich = s->Row(y) == Bildschirmzeile(a.seiten[p][static_cast<size_t>(y - 1)]);
    if (gleich) return p + 1;
  }
  return 0;
}

// Runs the routine with the keys; returns the page shown when it waits for
// another key, or -1 when it returned (the reader left).
int Nach(const Anleitung& a, const std::string& tasten) {
  MemoryScreen s;
  s.Keys(tasten);
  bool verlassen = false;
  try {
    a.routine(31, 30);
    verlassen = true;
  } catch (const testsupport::ScriptExhausted&) {
  }
  return verlassen ? -1 : SichtbareSeite(s, a);
}

TEST(Instructions, EveryPageFillsTheScreenExactlyWithoutScrolling) {
  for (const Anleitung& a : kAlle) {
    for (int p = 1; p <= a.anzahl; ++p) {
      for (int z = 0; z < 25; ++z) {
        // The last column stays free: a character there would move the cursor on.
        EXPECT_LE(zuf::BREITE(a.seiten[p - 1][static_cast<size_t>(z)]), 79)
            << a.name << " page " << p << " row " << z + 1;
        // Lead bytes of UTF-8 umlauts (shown as box pieces) mean a literal
        // that was not converted to code page 850.
        EXPECT_EQ(a.seiten[p - 1][static_cast<size_t>(z)].find_first_of("\xC3\xE2"),
                  std::string_view::npos)
            << a.name << " page " << p << " row " << z + 1;
      }
      MemoryScreen s;
      s.Keys(std::string(static_cast<size_t>(p - 1), 'x'));
      EXPECT_TRUE(testsupport::WaitsForKey([&] { a.routine(31, 30); }));
      // Row 1 still holds the page's first row, and so on: nothing scrolled.
      EXPECT_EQ(SichtbareSeite(s, a), p) << a.name << " page " << p << "\n" << s->Dump();
      EXPECT_EQ(s->CursorY(), 25) << a.name << " page " << p;
      EXPECT_GT(s->CursorX(), 1) << a.name << " page " << p << ": the last row ended a line";
    }
  }
}

TEST(Instructions, HeadingsAndKeyWordsAreEmphasised) {
  MemoryScreen s;
  s.Keys("");
  EXPECT_TRUE(testsupport::WaitsForKey([] { mte::KURZANLEITUNGE(0x1F, 0x1E); }));
  EXPECT_EQ(s->Text(26, 1, 29), "***  Rules of the game !  ***");
  EXPECT_EQ(s->AttrAt(26, 1), 0x1E);
  EXPECT_EQ(s->AttrAt(1, 3), 0x1F);
  EXPECT_EQ(s->AttrAt(40, 5), 0x1F);  // the background fills the whole page
}

TEST(Instructions, ShortPagePaging) {
  for (const Anleitung& a : {kAlle[0], kAlle[1]}) {
    EXPECT_EQ(Nach(a, BACKSPACE), 1) << a.name;
    EXPECT_EQ(Nach(a, PGUP), 1) << a.name;
    EXPECT_EQ(Nach(a, F1 + UP), 1) << a.name;
    EXPECT_EQ(Nach(a, "q"), -1) << a.name;
    EXPECT_EQ(Nach(a, PGDN), -1) << a.name;
    EXPECT_EQ(Nach(a, ESC), -1) << a.name;
    EXPECT_EQ(Nach(a, CTRL_C), -1) << a.name;
  }
}

TEST(Instructions, DetailedPagesPaging) {
  for (const Anleitung& a : {kAlle[2], kAlle[3]}) {
    EXPECT_EQ(Nach(a, PGUP), 1) << a.name;
    EXPECT_EQ(Nach(a, BACKSPACE), 1) << a.name;
    EXPECT_EQ(Nach(a, "\r"), 2) << a.name;
    EXPECT_EQ(Nach(a, PGDN), 2) << a.name;
    EXPECT_EQ(Nach(a, "x" + BACKSPACE), 1) << a.name;
    EXPECT_EQ(Nach(a, "x" + PGUP), 1) << a.name;
    EXPECT_EQ(Nach(a, "x" + F1 + UP), 2) << a.name;
    EXPECT_EQ(Nach(a, "xx"), 3) << a.name;
    EXPECT_EQ(Nach(a, "xx" + BACKSPACE), 2) << a.name;
    EXPECT_EQ(Nach(a, "xxq"), 4) << a.name;
    EXPECT_EQ(Nach(a, "xxx" + BACKSPACE), 3) << a.name;
    EXPECT_EQ(Nach(a, "xxx" + PGDN), -1) << a.name;
    EXPECT_EQ(Nach(a, "xxxq"), -1) << a.name;
    EXPECT_EQ(Nach(a, "xxx" + F1), 4) << a.name;
    for (int p = 1; p <= 4; ++p) {
      const std::string vorher(static_cast<size_t>(p - 1), 'x');
      EXPECT_EQ(Nach(a, vorher + ESC), -1) << a.name << " page " << p;
      EXPECT_EQ(Nach(a, vorher + CTRL_C), -1) << a.name << " page " << p;
    }
  }
}

TEST(Instructions, WorkedExamplesAreOnTheirPages) {
  auto enthaelt = [](const zuf::SEITE& seite, std::string_view text) {
    for (std::string_view z : seite)
      if (Bildschirmzeile(z).find(text) != std::string::npos) return true;
    return false;
  };
  EXPECT_TRUE(enthaelt(mte::SPIELANLEITUNG_SEITEN[0], "2473"));
  EXPECT_TRUE(enthaelt(mte::SPIELANLEITUNG_SEITEN[0], "2934"));
  EXPECT_TRUE(enthaelt(mte::SPIELANLEITUNG_SEITEN[0], "S=1+1=2"));
  EXPECT_TRUE(enthaelt(mtd::SPIELANLEITUNG_SEITEN[0], "Z=1+1=2"));
  EXPECT_TRUE(enthaelt(mte::SPIELANLEITUNG_SEITEN[1], "Are vacant signs allowed?"));
  EXPECT_TRUE(enthaelt(mtd::SPIELANLEITUNG_SEITEN[1], "Sind Leerzeichen erlaubt?"));
  EXPECT_TRUE(enthaelt(mte::SPIELANLEITUNG_SEITEN[1], "*a*b"));
  EXPECT_TRUE(enthaelt(mte::SPIELANLEITUNG_SEITEN[3], "Solution: aa   Trials made: 3"));
  EXPECT_TRUE(
      enthaelt(mtd::SPIELANLEITUNG_SEITEN[3], "Hier das Spiel noch einmal im Überblick:"_cp));
  EXPECT_TRUE(enthaelt(mtd::SPIELANLEITUNG_SEITEN[1],
                       "Die vorliegende wesentlich erweiterte Computerversion:"));
}

}  // namespace
