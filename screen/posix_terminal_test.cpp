#include "screen/posix_terminal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <memory>
#include <span>
#include <string>

#include "screen/cp850.h"
#include "screen/terminal.h"

namespace {

// A backend whose output and input are pipes the test holds the other ends of.
struct PipedBackend {
  int out[2] = {-1, -1};
  int in[2] = {-1, -1};
  std::unique_ptr<term::Backend> b;

  explicit PipedBackend(term::OutputStyle style = term::OutputStyle::kScreen,
                        const std::string& codeset = "UTF-8", int columns = 80, int rows = 25,
                        bool colour = true) {
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(in), 0);
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    term::PosixOptions o;
    o.in_fd = in[0];
    o.out_fd = out[1];
    o.style = style;
    o.codeset = codeset;
    o.colour = colour;
    o.columns = columns;
    o.rows = rows;
    b = term::NewPosixBackend(o);
  }
  ~PipedBackend() {
    if (term::CurrentBackend() == b.get()) term::SetBackend(nullptr);
    for (int fd : {out[0], out[1], in[0], in[1]})
      if (fd >= 0) close(fd);
  }
  // Everything written since the last call.
  std::string Output() {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
  }
  void Type(const std::string& bytes) {
    ASSERT_EQ(write(in[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
};

size_t Count(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

TEST(PosixTerminal, AttributesMapToSgrAndAreSentOnlyWhenTheyChange) {
  struct Case {
    uint8_t attr;
    const char* sgr;
  };
  // Bright foregrounds are the bright colours, never bold: a terminal that draws
  // bold without brightening would show eight colours twice.
  const Case cases[] = {
      {0x07, "\x1b[0;37;40m"},    // light grey on black
      {0x1E, "\x1b[0;93;44m"},    // yellow (bright brown) on blue
      {0x24, "\x1b[0;31;42m"},    // red on green
      {0x87, "\x1b[0;5;37;40m"},  // blinking
      {0xF9, "\x1b[0;5;94;47m"},  // light blue on grey, blinking
      {0x63, "\x1b[0;36;43m"},    // cyan on brown
      {0x08, "\x1b[0;90;40m"},    // dark grey on black
      {0x7F, "\x1b[0;97;47m"},    // white on light grey
  };
  // Without colours (NO_COLOR): bright is bold, a light background reverse, text
  // in the colour of its background concealed; never a colour code.
  const Case mono_cases[] = {
      {0x07, "\x1b[0m"},   {0x0F, "\x1b[0;1m"},   {0x70, "\x1b[0;7m"}, {0x7F, "\x1b[0;1;7m"},
      {0x00, "\x1b[0;8m"}, {0x77, "\x1b[0;7;8m"}, {0x87, "\x1b[0;5m"}, {0x1E, "\x1b[0;1;7m"},
  };
  for (bool colour : {true, false}) {
    for (const Case& c :
         colour ? std::span<const Case>(cases) : std::span<const Case>(mono_cases)) {
      PipedBackend p(term::OutputStyle::kScreen, "UTF-8", 80, 25, colour);
      p.b->PutCell(1, 1, 'a', c.attr);
      p.b->PutCell(2, 1, 'b', c.attr);
      p.b->PutCell(3, 1, 'c', c.attr);
      p.b->Flush();
      std::string out = p.Output();
      // The attribute in force for the text is the last one sent before it.
      size_t text = out.find("abc");
      ASSERT_NE(text, std::string::npos);
      size_t sgr = out.rfind("\x1b[0", text);
      ASSERT_NE(sgr, std::string::npos);
      EXPECT_EQ(out.substr(sgr, out.find('m', sgr) + 1 - sgr), c.sgr)
          << "attribute " << int(c.attr) << " gave " << testing::PrintToString(out);
    }
  }
  // Switching back and forth sends a sequence per change, not per cell.
  PipedBackend p;
  p.b->Flush();
  p.Output();
  for (int x = 1; x <= 4; ++x) p.b->PutCell(x, 2, 'x', 0x1E);
  for (int x = 5; x <= 8; ++x) p.b->PutCell(x, 2, 'y', 0x07);
  p.b->Flush();
  std::string out = p.Output();
  EXPECT_EQ(Count(out, "\x1b[0;"), 2u) << testing::PrintToString(out);
  EXPECT_NE(out.find("xxxx\x1b[0;37;40myyyy"), std::string::npos);
}

TEST(PosixTerminal, OnlyChangedCellsAreSentAndAnIdleFlushWritesNothing) {
  PipedBackend p;
  p.b->PutCell(10, 5, 'Q', 7);
  p.b->Flush();
  std::string first = p.Output();
  EXPECT_NE(first.find("\x1b[?1049h"), std::string::npos) << "alternate screen entered";
  EXPECT_NE(first.find("Q"), std::string::npos);
  p.b->Flush();
  EXPECT_EQ(p.Output(), "");
  // Redrawing the same text after a clear in the same colours sends nothing new.
  p.b->Clear(7);
  p.b->PutCell(10, 5, 'Q', 7);
  p.b->Flush();
  EXPECT_EQ(p.Output().find('Q'), std::string::npos);
  // A clear in another background clears the whole terminal in that colour.
  p.b->Clear(0x10);
  p.b->Flush();
  std::string blue = p.Output();
  EXPECT_NE(blue.find("\x1b[0;30;44m\x1b[2J"), std::string::npos) << testing::PrintToString(blue);
}

TEST(PosixTerminal, CodePage850IsTranslatedToUtf8UnlessTheLocaleIsCodePage850) {
  const uint8_t bytes[] = {0xC9, 0xCD, 0xBB, 0x84, 0x94, 0x81, 0xE1, 0xDB, 0x9B, 0x80};
  const char* utf8 = "╔═╗äöüß█øÇ";
  {
    PipedBackend p;
    for (int i = 0; i < 10; ++i) p.b->PutCell(1 + i, 1, bytes[i], 7);
    p.b->Flush();
    std::string out = p.Output();
    EXPECT_NE(out.find(utf8), std::string::npos) << testing::PrintToString(out);
    // No C1 control byte may reach a UTF-8 terminal on its own.
    EXPECT_EQ(out.find('\x9b'), std::string::npos);
  }
  {
    PipedBackend p(term::OutputStyle::kScreen, "IBM850");
    for (int i = 0; i < 10; ++i) p.b->PutCell(1 + i, 1, bytes[i], 7);
    p.b->Flush();
    std::string out = p.Output();
    EXPECT_NE(out.find(std::string(reinterpret_cast<const char*>(bytes), 10)), std::string::npos);
  }
  // Control bytes in a cell show as the console's glyphs, never as controls.
  PipedBackend p;
  p.b->PutCell(1, 1, 27, 7);
  p.b->PutCell(2, 1, 1, 7);
  p.b->Flush();
  EXPECT_NE(p.Output().find("←☺"), std::string::npos);

  EXPECT_TRUE(term::CodesetIsCp850("IBM850"));
  EXPECT_TRUE(term::CodesetIsCp850("cp850"));
  EXPECT_TRUE(term::CodesetIsCp850("IBM-850"));
  EXPECT_FALSE(term::CodesetIsCp850("UTF-8"));
  EXPECT_FALSE(term::CodesetIsCp850("ISO-8859-1"));
  EXPECT_FALSE(term::CodesetIsCp850("ANSI_X3.4-1968"));
  // The C and POSIX locales get UTF-8 too.
  EXPECT_TRUE(term::CodesetMeansUtf8("UTF-8"));
  EXPECT_TRUE(term::CodesetMeansUtf8("utf8"));
  EXPECT_TRUE(term::CodesetMeansUtf8("ANSI_X3.4-1968"));
  EXPECT_TRUE(term::CodesetMeansUtf8(""));
  EXPECT_FALSE(term::CodesetMeansUtf8("ISO-8859-1"));
  EXPECT_FALSE(term::CodesetMeansUtf8("KOI8-R"));
  EXPECT_EQ(term::CodesetOfLocaleName("de_DE.ISO-8859-1"), "ISO-8859-1");
  EXPECT_EQ(term::CodesetOfLocaleName("de_DE.ISO-8859-15@euro"), "ISO-8859-15");
  EXPECT_EQ(term::CodesetOfLocaleName("C.UTF-8"), "UTF-8");
  EXPECT_EQ(term::CodesetOfLocaleName("de_DE"), "");
  EXPECT_EQ(term::CodesetOfLocaleName("POSIX"), "");
}

// Every byte the program may put in a cell, in a backend of the given codeset,
// in an attribute that makes every cell count.
std::string AllCells(const std::string& codeset) {
  PipedBackend p(term::OutputStyle::kScreen, codeset);
  for (int ch = 0; ch < 256; ++ch)
    p.b->PutCell(1 + ch % 80, 1 + ch / 80, static_cast<uint8_t>(ch), 0x1F);
  p.b->Flush();
  return p.Output();
}

TEST(PosixTerminal, AnEightBitCodesetGetsItsOwnBytesAndAsciiForWhatItLacks) {
  // Ä Ö Ü ä ö ü ß, then box and block characters.
  const uint8_t text[] = {0x8E, 0x99, 0x9A, 0x84, 0x94, 0x81, 0xE1, 0xC9, 0xCD,
                          0xBB, 0xBA, 0xC8, 0xBC, 0xB3, 0xC4, 0xC5, 0xDB, 0xB0};
  struct Expect {
    const char* codeset;
    const char* bytes;
  };
  const Expect expected[] = {
      {"ISO-8859-1", "\xC4\xD6\xDC\xE4\xF6\xFC\xDF+-+|++|-+##"},
      {"ISO-8859-15", "\xC4\xD6\xDC\xE4\xF6\xFC\xDF+-+|++|-+##"},
      // KOI8-R has box characters, but they would not line up with ours.
      {"KOI8-R", "AOUaous+-+|++|-+##"},
      {"no such codeset", "AOUaous+-+|++|-+##"},
  };
  for (const Expect& e : expected) {
    PipedBackend p(term::OutputStyle::kScreen, e.codeset);
    for (size_t i = 0; i < sizeof text; ++i) p.b->PutCell(1 + static_cast<int>(i), 1, text[i], 7);
    p.b->Flush();
    std::string out = p.Output();
    EXPECT_NE(out.find(e.bytes), std::string::npos)
        << e.codeset << ": " << testing::PrintToString(out);
    // No 8-bit control code, whatever is in the cells: one byte per cell.
    std::string all = AllCells(e.codeset);
    for (char c : all)
      ASSERT_FALSE(static_cast<uint8_t>(c) >= 0x80 && static_cast<uint8_t>(c) <= 0x9F)
          << e.codeset << ": " << testing::PrintToString(all);
    for (int row = 1; row <= 4; ++row) {
      const std::string at = "\x1b[" + std::to_string(row) + ";1H";
      size_t from = all.find(at);
      ASSERT_NE(from, std::string::npos) << row;
      from += at.size();
      if (all.compare(from, 4, "\x1b[0;") == 0) from = all.find('m', from) + 1;
      size_t cells = 0;
      for (size_t i = from; i < all.size() && all[i] != '\x1b'; ++i) ++cells;
      EXPECT_EQ(cells, row < 4 ? 80u : 16u) << e.codeset << " row " << row;
    }
  }
}

TEST(PosixTerminal, TypedCharactersOfAnEightBitCodesetArriveAsCodePage850) {
  PipedBackend p(term::OutputStyle::kScreen, "ISO-8859-1");
  p.Type("\xE4\xDF\x9A\xA4x");
  EXPECT_EQ(p.b->ReadByte(0), 0x84);  // ä
  EXPECT_EQ(p.b->ReadByte(0), 0xE1);  // ß
  EXPECT_EQ(p.b->ReadByte(0), 0xCF);  // ¤; the control code 0x9A was dropped
  EXPECT_EQ(p.b->ReadByte(0), 'x');
  PipedBackend k(term::OutputStyle::kScreen, "KOI8-R");
  k.Type("\xC1\xD7y");  // two Cyrillic letters: code page 850 has neither
  EXPECT_EQ(k.b->ReadByte(0), 'y');
}

TEST(PosixTerminal, ASmallTerminalShowsTheNoticeInsteadOfAClippedPage) {
  struct Size {
    int cols, rows;
  };
  for (Size size : {Size{79, 24}, Size{80, 24}, Size{40, 10}, Size{12, 3}}) {
    SCOPED_TRACE(std::to_string(size.cols) + "x" + std::to_string(size.rows));
    PipedBackend p(term::OutputStyle::kScreen, "UTF-8", size.cols, size.rows);
    term::SetBackend(p.b.get());
    EXPECT_TRUE(p.b->PageHidden());
    term::TextAttr = 0x1E;
    term::ClrScr();
    term::GotoXY(1, 1);
    term::Write("Seite");
    term::Flush();
    std::string out = p.Output();
    EXPECT_EQ(out.find("Seite"), std::string::npos) << testing::PrintToString(out);
    EXPECT_EQ(out.find("\x1b[0;"), std::string::npos) << "the notice is in the terminal's colours";
    // Nothing is put beyond the window.
    for (size_t at = out.find("\x1b["); at != std::string::npos; at = out.find("\x1b[", at + 1)) {
      int row = 0, col = 0;
      if (std::sscanf(out.c_str() + at, "\x1b[%d;%dH", &row, &col) == 2) {
        EXPECT_LE(row, size.rows);
        EXPECT_LE(col, size.cols);
        const size_t text_end = out.find('\x1b', at + 1);
        const size_t text_start = out.find('H', at) + 1;
        EXPECT_LE(col - 1 + static_cast<int>(text_end - text_start), size.cols);
      }
    }
    if (size.cols >= 70) {
      const std::string n = std::to_string(size.cols) + " x " + std::to_string(size.rows);
      EXPECT_NE(out.find("The game needs a window of 80 x 25 characters; this one has " + n + "."),
                std::string::npos)
          << testing::PrintToString(out);
      EXPECT_NE(
          out.find("Das Spiel braucht ein Fenster von 80 x 25 Zeichen; dieses hat " + n + "."),
          std::string::npos);
      EXPECT_NE(out.find("Ctrl-C ends the program."), std::string::npos);
      EXPECT_NE(out.find("Strg-C beendet das Programm."), std::string::npos);
    } else if (size.cols == 40) {
      // Wrapped, centred, the sizes kept together.
      EXPECT_NE(out.find("\x1b[2;4HThe game needs a window of 80 x 25"), std::string::npos)
          << testing::PrintToString(out);
      EXPECT_NE(out.find("\x1b[7;3H80 x 25 Zeichen; dieses hat 40 x 10."), std::string::npos);
      EXPECT_NE(out.find("\x1b[4;9HCtrl-C ends the program."), std::string::npos);
    }
    // Drawing on the hidden page sends nothing.
    term::Write("mehr");
    term::Flush();
    EXPECT_EQ(p.Output(), "");
    term::SetBackend(nullptr);
  }
}

TEST(PosixTerminal, ALargerTerminalKeepsThePageAtTheTopLeftAndLeavesTheRestAlone) {
  PipedBackend p(term::OutputStyle::kScreen, "UTF-8", 100, 30);
  term::SetBackend(p.b.get());
  EXPECT_FALSE(p.b->PageHidden());
  term::TextAttr = 0x1E;
  term::ClrScr();
  term::GotoXY(80, 25);
  term::Write("z");
  term::Flush();
  std::string out = p.Output();
  // Cleared in the terminal's own colours; the page's blanks are cells.
  EXPECT_NE(out.find("\x1b[0m\x1b[2J"), std::string::npos) << testing::PrintToString(out);
  EXPECT_EQ(out.find("\x1b[0;93;44m\x1b[2J"), std::string::npos);
  EXPECT_NE(out.find("\x1b[1;1H\x1b[0;93;44m" + std::string(80, ' ')), std::string::npos);
  EXPECT_NE(out.find(std::string(79, ' ') + "z"), std::string::npos);
  EXPECT_EQ(out.find(";81H"), std::string::npos);
  EXPECT_EQ(out.find("\x1b[26;"), std::string::npos);
  // Another clear needs no clear of the terminal.
  term::TextAttr = 0x2E;
  term::ClrScr();
  term::Flush();
  EXPECT_EQ(p.Output().find("\x1b[2J"), std::string::npos);
  term::SetBackend(nullptr);
}

TEST(PosixTerminal, WithoutColoursTheBackendIsMonochrome) {
  PipedBackend p(term::OutputStyle::kScreen, "UTF-8", 80, 25, /*colour=*/false);
  term::SetBackend(p.b.get());
  EXPECT_EQ(term::LastMode, 7) << "the program takes the monochrome text mode";
  for (uint8_t a : {0x07, 0x0F, 0x70, 0x7F, 0x1E, 0xF9}) {
    term::TextAttr = a;
    term::ClrScr();
    term::Write("text");
  }
  term::Flush();
  std::string out = p.Output();
  for (size_t at = out.find("\x1b["); at != std::string::npos; at = out.find("\x1b[", at + 1)) {
    const size_t end = out.find_first_of("ABCDHJKmhl", at + 2);
    if (out[end] != 'm') continue;
    const std::string params = out.substr(at + 2, end - at - 2);
    for (const char* colour : {";3", ";4", ";9", ";10"})
      EXPECT_EQ(params.find(colour), std::string::npos) << testing::PrintToString(out);
  }
  term::SetBackend(nullptr);
}

// A pseudo-terminal as the output, so that the backend can read a size that the
// test changes.
struct PtyBackend {
  int master = -1, slave = -1;
  int in[2] = {-1, -1};
  std::unique_ptr<term::Backend> b;

  PtyBackend(int columns, int rows) {
    winsize ws{};
    ws.ws_col = static_cast<unsigned short>(columns);
    ws.ws_row = static_cast<unsigned short>(rows);
    EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, &ws), 0);
    fcntl(master, F_SETFL, O_NONBLOCK);
    EXPECT_EQ(pipe(in), 0);
    term::PosixOptions o;
    o.in_fd = in[0];
    o.out_fd = slave;
    o.columns = columns;
    o.rows = rows;
    b = term::NewPosixBackend(o);
  }
  ~PtyBackend() {
    if (term::CurrentBackend() == b.get()) term::SetBackend(nullptr);
    for (int fd : {master, slave, in[0], in[1]})
      if (fd >= 0) close(fd);
  }
  std::string Output() {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(master, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
  }
  void Resize(int columns, int rows) {
    winsize ws{};
    ws.ws_col = static_cast<unsigned short>(columns);
    ws.ws_row = static_cast<unsigned short>(rows);
    ioctl(master, TIOCSWINSZ, &ws);
  }
  void Type(const std::string& bytes) {
    ASSERT_EQ(write(in[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
};

TEST(PosixTerminal, KeysWaitBehindTheNoticeAndCtrlLRepaintsWhateverIsShown) {
  PtyBackend p(80, 24);
  term::SetBackend(p.b.get());
  term::TextAttr = 0x1F;
  term::ClrScr();
  term::GotoXY(1, 25);
  term::Write("Zeile 25");
  EXPECT_FALSE(term::KeyPressed());
  EXPECT_NE(p.Output().find("this one has 80 x 24."), std::string::npos);
  // Keys typed meanwhile are held; Ctrl-L draws the notice again.
  p.Type("5\x1b[A\x0c");
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(term::KeyPressed());
  std::string again = p.Output();
  EXPECT_NE(again.find("\x1b[2J"), std::string::npos);
  EXPECT_NE(again.find("this one has 80 x 24."), std::string::npos);
  // The window grows (the layer learns it on Ctrl-L here, on SIGWINCH for the
  // real terminal): the page appears whole and the held keys come in order.
  p.Resize(80, 25);
  p.Type("\x0c");
  EXPECT_TRUE(term::KeyWait(50));
  std::string page = p.Output();
  EXPECT_NE(page.find("\x1b[0;97;44m\x1b[2J\x1b[25;1HZeile"), std::string::npos)
      << testing::PrintToString(page);
  EXPECT_EQ(term::ReadKey(), '5');
  EXPECT_EQ(term::ReadKey(), 0);
  EXPECT_EQ(term::ReadKey(), term::EXT_UP);
  EXPECT_FALSE(term::KeyPressed());
  // Ctrl-L on the page: cleared and every cell sent again.
  p.Type("\x0c");
  EXPECT_FALSE(term::KeyPressed());
  std::string repaint = p.Output();
  EXPECT_NE(repaint.find("\x1b[2J"), std::string::npos);
  EXPECT_NE(repaint.find("\x1b[25;1HZeile"), std::string::npos);
}

TEST(PosixTerminal, AfterTheTerminalIsGivenBackTheExitTextIsPlainLines) {
  PipedBackend p;
  term::SetBackend(p.b.get());
  term::TextAttr = 0x1E;
  term::ClrScr();
  term::GotoXY(30, 12);
  term::Write("game screen");
  term::Flush();
  p.Output();

  term::RestoreTerminal();
  std::string leave = p.Output();
  EXPECT_NE(leave.find("\x1b[?1049l"), std::string::npos);
  EXPECT_NE(leave.find("\x1b[0m"), std::string::npos);
  EXPECT_NE(leave.find("\x1b[?25h"), std::string::npos);

  term::TextAttr = 7;
  term::ClrScr();
  term::WriteLn("/opt/mt/morvandeltrisk");
  term::WriteLn();
  term::Write("Morvandeltrisk");
  term::Write(",");
  term::WriteLn();
  term::WriteLn("  Grüße"_cp);
  term::WriteLn("Bye-bye!");
  term::WriteLn();
  term::Flush();
  term::RestoreTerminal();  // again: nothing more happens
  term::Flush();
  EXPECT_EQ(p.Output(), "/opt/mt/morvandeltrisk\n\nMorvandeltrisk,\n  Grüße\nBye-bye!\n\n");
}

// The program's path on the exit screen: as the file system has it, in the
// terminal's own encoding, whole, with nothing in it that could act on the
// terminal.
TEST(PosixTerminal, SystemTextOnTheExitScreenKeepsItsOwnEncoding) {
  const std::string pfad = "/home/ü/Ünïcødé 目录 ☃/morvandeltrisk";
  const std::string lang = "/" + std::string(5000, 'x') + "/morvandeltrisk";
  auto exitText = [](PipedBackend& p, const std::string& text) {
    term::SetBackend(p.b.get());
    term::ClrScr();
    term::Flush();
    term::RestoreTerminal();
    p.Output();
    term::ClrScr();
    term::WriteLnSystemText(text);
    term::WriteLn("Bye-bye!");
    term::Flush();
    return p.Output();
  };
  {
    PipedBackend p;  // a UTF-8 terminal
    EXPECT_EQ(exitText(p, pfad), pfad + "\nBye-bye!\n");
    EXPECT_EQ(exitText(p, lang), lang + "\nBye-bye!\n");
    // Escape sequences, C1 controls and bytes that are no UTF-8 show as '?'.
    EXPECT_EQ(exitText(p,
                       "/a\x1b[2Jb/\xc2\x9b"
                       "31m/\xff\xc3/x"),
              "/a?[2Jb/?31m/?"
              "?/x\nBye-bye!\n");
  }
  {
    PipedBackend p(term::OutputStyle::kScreen, "IBM850");  // a code page 850 terminal
    EXPECT_EQ(exitText(p, "/Ünïcødé 目录 ☃/x"),
              "/\x9an\x8b"
              "c\x9b"
              "d\x82 ?? ?/x\nBye-bye!\n");
    // A name that is no UTF-8 is taken as the code page's own bytes.
    EXPECT_EQ(exitText(p, "/\x9an\x1b/x"), "/\x9an?/x\nBye-bye!\n");
  }
  {
    PipedBackend p(term::OutputStyle::kScreen, "ISO-8859-1");  // an 8-bit terminal
    // What Latin-1 has comes as its byte, the rest as '?'; never a C1 byte.
    EXPECT_EQ(exitText(p, "/Ünïcødé 目录 ☃/x"),
              "/\xdcn\xef"
              "c\xf8"
              "d\xe9 ?? ?/x\nBye-bye!\n");
    EXPECT_EQ(exitText(p, "/\xe9t\x9b/x"), "/\xe9t?/x\nBye-bye!\n");
  }
  {
    PipedBackend p(term::OutputStyle::kPlainText);  // output into a file
    EXPECT_EQ(exitText(p, pfad), pfad + "\nBye-bye!\n");
  }
}

TEST(PosixTerminal, WithoutATerminalPagesAreWrittenAsPlainLines) {
  PipedBackend p(term::OutputStyle::kPlainText);
  term::SetBackend(p.b.get());
  term::TextAttr = 0x1E;
  term::ClrScr();
  term::GotoXY(3, 1);
  term::Write("Titel");
  term::GotoXY(1, 3);
  term::Write("╔═╗"_cp);
  term::Sound(440);
  term::Flush();
  EXPECT_EQ(p.Output(), "") << "pages are written when finished";
  term::ClrScr();  // the page is finished
  term::Write("zweite Seite");
  term::RestoreTerminal();
  term::ClrScr();
  term::WriteLn("Bye-bye!");
  term::Flush();
  std::string out = p.Output();
  EXPECT_EQ(out, "  Titel\n\n╔═╗\n\nzweite Seite\nBye-bye!\n");
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
}

TEST(PosixTerminal, InputBytesTimeoutsAndEndOfInput) {
  PipedBackend p;
  p.Type("a\x1b[A");
  EXPECT_EQ(p.b->ReadByte(0), 'a');
  EXPECT_EQ(p.b->ReadByte(0), 27);
  EXPECT_EQ(p.b->ReadByte(0), '[');
  EXPECT_EQ(p.b->ReadByte(0), 'A');
  EXPECT_EQ(p.b->ReadByte(0), term::Backend::kNoByte);

  // A wait really waits in the kernel: it takes its time but no processor time.
  timespec w0, c0, w1, c1;
  clock_gettime(CLOCK_MONOTONIC, &w0);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
  EXPECT_EQ(p.b->ReadByte(120), term::Backend::kNoByte);
  clock_gettime(CLOCK_MONOTONIC, &w1);
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
  double wall = (w1.tv_sec - w0.tv_sec) * 1e3 + (w1.tv_nsec - w0.tv_nsec) / 1e6;
  double cpu = (c1.tv_sec - c0.tv_sec) * 1e3 + (c1.tv_nsec - c0.tv_nsec) / 1e6;
  EXPECT_GE(wall, 115.0);
  EXPECT_LT(cpu, 30.0);

  // Typed UTF-8 arrives as code page 850; what it lacks is swallowed.
  p.Type("ä€ß\xff");
  EXPECT_EQ(p.b->ReadByte(0), 0x84);
  EXPECT_EQ(p.b->ReadByte(0), 0xE1);  // the euro sign was dropped
  EXPECT_EQ(p.b->ReadByte(0), 0xFF);  // no UTF-8 at all: as it came
  p.Type("\xc3x");                    // a broken character
  EXPECT_EQ(p.b->ReadByte(0), 0xC3);
  EXPECT_EQ(p.b->ReadByte(0), 'x');

  close(p.in[1]);
  p.in[1] = -1;
  EXPECT_EQ(p.b->ReadByte(-1), term::Backend::kEndOfInput);
  EXPECT_EQ(p.b->ReadByte(0), term::Backend::kEndOfInput);
}

TEST(PosixTerminal, TheLayerReportsClosedInputOnceAndDeliversEsc) {
  static int closed_calls = 0;
  closed_calls = 0;
  PipedBackend p;
  term::SetBackend(p.b.get());
  term::SetInputClosedHandler([] { ++closed_calls; });
  p.Type("\x1b[D\x7f");
  close(p.in[1]);
  p.in[1] = -1;
  EXPECT_EQ(term::ReadKey(), 0);
  EXPECT_EQ(term::ReadKey(), 75);
  EXPECT_EQ(term::ReadKey(), 8);
  EXPECT_EQ(term::ReadKey(), 27);
  EXPECT_EQ(term::ReadKey(), 27);
  EXPECT_EQ(closed_calls, 1);
  term::SetInputClosedHandler(nullptr);
}

}  // namespace
