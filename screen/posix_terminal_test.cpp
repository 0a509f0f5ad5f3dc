#include "screen/posix_terminal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <memory>
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
                        bool raw_cp850 = false, int columns = 80, int rows = 25) {
    EXPECT_EQ(pipe(out), 0);
    EXPECT_EQ(pipe(in), 0);
    fcntl(out[0], F_SETFL, O_NONBLOCK);
    term::PosixOptions o;
    o.in_fd = in[0];
    o.out_fd = out[1];
    o.style = style;
    o.raw_cp850 = raw_cp850;
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
  const Case cases[] = {
      {0x07, "\x1b[0;37;40m"},      // light grey on black
      {0x1E, "\x1b[0;1;33;44m"},    // yellow (bright brown) on blue
      {0x24, "\x1b[0;31;42m"},      // red on green
      {0x87, "\x1b[0;5;37;40m"},    // blinking
      {0xF9, "\x1b[0;1;5;34;47m"},  // light blue on grey, blinking
      {0x63, "\x1b[0;36;43m"},      // cyan on brown
  };
  for (const Case& c : cases) {
    PipedBackend p;
    p.b->PutCell(1, 1, 'a', c.attr);
    p.b->PutCell(2, 1, 'b', c.attr);
    p.b->PutCell(3, 1, 'c', c.attr);
    p.b->Flush();
    std::string out = p.Output();
    // The attribute in force for the text is the last one sent before it.
    size_t text = out.find("abc");
    ASSERT_NE(text, std::string::npos);
    size_t sgr = out.rfind("\x1b[0;", text);
    ASSERT_NE(sgr, std::string::npos);
    EXPECT_EQ(out.substr(sgr, out.find('m', sgr) + 1 - sgr), c.sgr)
        << "attribute " << int(c.attr) << " gave " << testing::PrintToString(out);
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
    PipedBackend p(term::OutputStyle::kScreen, /*raw_cp850=*/true);
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
}

TEST(PosixTerminal, CellsBeyondASmallTerminalAreDropped) {
  PipedBackend p(term::OutputStyle::kScreen, false, 60, 20);
  term::SetBackend(p.b.get());
  term::GotoXY(58, 1);
  term::Write("abcdefgh");  // runs past column 60
  term::GotoXY(1, 25);
  term::Write("Zeile 25");
  term::GotoXY(80, 25);
  term::Flush();
  std::string out = p.Output();
  EXPECT_NE(out.find("abc"), std::string::npos);
  EXPECT_EQ(out.find("d"), std::string::npos) << testing::PrintToString(out);
  EXPECT_EQ(out.find("Zeile"), std::string::npos);
  // The cursor is put at the nearest place the terminal has.
  EXPECT_NE(out.find("\x1b[20;60H"), std::string::npos) << testing::PrintToString(out);
  EXPECT_EQ(out.find("\x1b[25;"), std::string::npos);
  EXPECT_EQ(out.find(";61H"), std::string::npos);
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
    PipedBackend p(term::OutputStyle::kScreen, true);  // a code page 850 terminal
    EXPECT_EQ(exitText(p, "/Ünïcødé 目录 ☃/x"),
              "/\x9an\x8b"
              "c\x9b"
              "d\x82 ?? ?/x\nBye-bye!\n");
    // A name that is no UTF-8 is taken as the code page's own bytes.
    EXPECT_EQ(exitText(p, "/\x9an\x1b/x"), "/\x9an?/x\nBye-bye!\n");
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
