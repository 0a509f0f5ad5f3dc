// The real program under faults from outside: signals in every phase, input
// that closes, a terminal smaller than the page, and a directory that cannot
// be written. The terminal must always be given back as found, and the
// conditions file must always hold one whole record (the old or the new one).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/conditions.h"
#include "shell/names.h"
#include "tests/support/conditions_fuzz_check.h"
#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"

namespace {

using testsupport::ExitStatus;
using testsupport::GameDir;
using testsupport::PtyDriver;
namespace fs = std::filesystem;

#ifdef MT_SANITIZED
constexpr int kSlow = 5;
#else
constexpr int kSlow = 1;
#endif

// A valid record; large: length 7 over 9 signs with repetitions, the computer
// guesses (4.8 million codes); search: length 6 (its first searched guess takes
// a while); otherwise the defaults with the computer setting a fixed riddle.
enum class Record { kDefault, kLarge, kSearch };

std::vector<unsigned char> MakeRecord(Record kind) {
  using mtspiel::X;
  mtspiel::INITIALISIERE();
  if (kind != Record::kDefault) {
    X.LAENGE = kind == Record::kLarge ? 7 : 6;
    X.ERSTES = '1';
    X.LETZTES = '9';
    X.WDHG = true;
    X.PC_RAET = true;
    X.PC_STELLT = false;
    X.FEST = true;
    X.ZEITGRENZE = 0;
    const char* name = "anna";
    for (int i = 0; name[i]; ++i) X.NAME1[static_cast<size_t>(i) + 1] = name[i];
  }
  morvandeltrisk::NAMEOK(false);
  std::vector<unsigned char> r(80);
  std::memcpy(r.data(), &X, 80);
  return r;
}

void WriteRecord(const GameDir& dir, const std::vector<unsigned char>& r) {
  std::ofstream f(dir.path() + "/BEDINGUN.DAT", std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(r.data()), static_cast<std::streamsize>(r.size()));
}

std::string SanitizerReport(const std::string& out) {
  for (const char* m : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"}) {
    const size_t at = out.find(m);
    if (at != std::string::npos) return out.substr(at, 1500);
  }
  return "";
}

// The conditions file is the old record or a new whole one, and nothing else
// stayed behind in the directory.
void ExpectOldOrNewRecord(const GameDir& dir, const std::vector<unsigned char>& old) {
  const auto f = dir.ConditionsFile();
  if (f != old) {
    EXPECT_EQ(testsupport::CheckWrittenRecord(f.data(), f.size()), "");
  }
  int entries = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 2) << "only the program and its conditions file, no temporary file";
}

bool StarsOnRow25(PtyDriver& pty) {
  return pty.RowText(25).find('*') != std::string::npos;
}

// ---- Signals -------------------------------------------------------------------

enum class Phase { kLanguage, kMainMenu, kEditing, kLargeSetUp, kSearch, kHumanTyping };

struct SignalCase {
  Phase phase;
  int sig;
};

std::string PhaseName(Phase p) {
  switch (p) {
    case Phase::kLanguage:
      return "LanguageScreen";
    case Phase::kMainMenu:
      return "MainMenu";
    case Phase::kEditing:
      return "EditingConditions";
    case Phase::kLargeSetUp:
      return "SetUpOfALargeStore";
    case Phase::kSearch:
      return "ComputersSearch";
    case Phase::kHumanTyping:
      return "HumanTypingOnTheBoard";
  }
  return "";
}

class ReliabilitySignals : public testing::TestWithParam<SignalCase> {};

TEST_P(ReliabilitySignals, EndTheProgramWithTheTerminalAndTheFileWhole) {
  const SignalCase c = GetParam();
  GameDir dir;
  const Record kind = c.phase == Phase::kLargeSetUp ? Record::kLarge
                      : c.phase == Phase::kSearch   ? Record::kSearch
                                                    : Record::kDefault;
  const auto old = MakeRecord(kind);
  WriteRecord(dir, old);
  PtyDriver pty;
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("English:", 5000 * kSlow)) << pty.ScreenText();
  const int t = 10000 * kSlow;
  if (c.phase != Phase::kLanguage) {
    pty.SendKeys("e");
    ASSERT_TRUE(pty.WaitForText("5 - The game starts.", t)) << pty.ScreenText();
  }
  if (c.phase >= Phase::kEditing) {
    pty.SendKeys("5");
    ASSERT_TRUE(pty.WaitForText("(1, 2, 3 or 4)", t)) << pty.ScreenText();
  }
  switch (c.phase) {
    case Phase::kEditing:
      pty.SendKeys("3\r");  // the time limit accepted; the sound is asked now
      pty.Pump(200);
      break;
    case Phase::kLargeSetUp: {
      pty.SendKeys("1");
      bool stars = false;
      for (int i = 0; i < t / 20 && !stars; ++i) {
        pty.Pump(20);
        stars = StarsOnRow25(pty);
      }
      ASSERT_TRUE(stars) << "no progress of the set-up\n" << pty.ScreenText();
      break;
    }
    case Phase::kSearch: {
      pty.SendKeys("1");
      // The set-up shows its stars, then the opening guess waits for its answer.
      bool stars = false, done = false;
      for (int i = 0; i < 3 * t / 20 && !done; ++i) {
        pty.Pump(20);
        if (StarsOnRow25(pty)) stars = true;
        done = stars && !StarsOnRow25(pty);
      }
      ASSERT_TRUE(done) << pty.ScreenText();
      pty.Pump(200);
      pty.SendKeys("0");
      pty.Pump(200);
      pty.SendKeys("0");  // no sign in common: the search starts
      pty.Pump(100 * kSlow);
      break;
    }
    case Phase::kHumanTyping:
      pty.SendKeys("1");
      ASSERT_TRUE(pty.WaitForText("The riddle comes from", t)) << pty.ScreenText();
      pty.Pump(200);
      pty.SendKeys("12");
      pty.Pump(200);
      break;
    default:
      break;
  }
  ASSERT_TRUE(!pty.Exited()) << "ended before the signal\n" << pty.ScreenText();
  pty.Kill(c.sig);
  const ExitStatus st = pty.WaitForExit(10000 * kSlow);
  ASSERT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_EQ(SanitizerReport(pty.Output()), "");
  EXPECT_FALSE(st.exited);
  EXPECT_EQ(st.signal, c.sig);
  EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
  EXPECT_FALSE(pty.AltScreen());
  ExpectOldOrNewRecord(dir, old);
}

std::vector<SignalCase> SignalCases() {
  std::vector<SignalCase> v;
  for (Phase p : {Phase::kLanguage, Phase::kMainMenu, Phase::kEditing, Phase::kLargeSetUp,
                  Phase::kSearch, Phase::kHumanTyping})
    for (int sig : {SIGTERM, SIGHUP}) v.push_back({p, sig});
  return v;
}

INSTANTIATE_TEST_SUITE_P(Phases, ReliabilitySignals, testing::ValuesIn(SignalCases()),
                         [](const testing::TestParamInfo<SignalCase>& i) {
                           return PhaseName(i.param.phase) + "_" + sigabbrev_np(i.param.sig);
                         });

// ---- Closed input ----------------------------------------------------------------

struct ClosedCase {
  const char* name;
  Record record;
  std::vector<std::string> keys;  // typed with pauses, then the input closes
  bool dev_null;                  // input from /dev/null instead of a pipe
};

// Long enough for the program to take in a key and draw; only waits on the
// test side, so the sanitized program needs less than its factor.
#ifdef MT_SANITIZED
const std::string kPause = "0.5";
#else
const std::string kPause = "0.25";
#endif

class ReliabilityClosedInput : public testing::TestWithParam<ClosedCase> {};

TEST_P(ReliabilityClosedInput, EndsAsChoiceNineWould) {
  const ClosedCase& c = GetParam();
  GameDir dir;
  WriteRecord(dir, MakeRecord(c.record));
  std::string script;
  if (c.dev_null) {
    script = "exec '" + dir.binary() + "' </dev/null";
  } else {
    script = "(";
    for (const std::string& k : c.keys) script += "printf '" + k + "'; sleep " + kPause + "; ";
    script += "sleep " + kPause + ") | exec '" + dir.binary() + "'";
  }
  PtyDriver pty;
  ASSERT_TRUE(pty.Start("/bin/sh", {"sh", "-c", script}, dir.path(), {"LANG=C.UTF-8"}));
  // No spinning: the program ends soon after its input closed.
  const ExitStatus st = pty.WaitForExit(15000 * kSlow);
  ASSERT_FALSE(st.timed_out) << "still running after its input closed\n" << pty.ScreenText();
  EXPECT_EQ(SanitizerReport(pty.Output()), "");
  EXPECT_TRUE(st.exited) << "signal " << st.signal;
  EXPECT_EQ(st.code, 0);
  EXPECT_NE(pty.ScreenText().find("Bye-bye!"), std::string::npos) << pty.ScreenText();
  EXPECT_FALSE(pty.AltScreen());
  EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
  const auto f = dir.ConditionsFile();
  EXPECT_EQ(testsupport::CheckWrittenRecord(f.data(), f.size()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Phases, ReliabilityClosedInput,
    testing::Values(
        ClosedCase{"DevNull", Record::kDefault, {}, true},
        ClosedCase{"LanguageScreen", Record::kDefault, {}, false},
        ClosedCase{"MainMenu", Record::kDefault, {"e"}, false},
        ClosedCase{"EditingConditions", Record::kDefault, {"e", "5", "3"}, false},
        ClosedCase{"Instructions", Record::kDefault, {"e", "7"}, false},
        ClosedCase{"HumanTypingOnTheBoard", Record::kDefault, {"e", "5", "1", "12"}, false},
        ClosedCase{"NewGameQuestion", Record::kDefault, {"e", "5", "1", "\\033"}, false},
        ClosedCase{"ComputersSetUp", Record::kLarge, {"e", "5", "1"}, false},
        ClosedCase{
            "ComputerWaitsForAnAnswer", Record::kSearch, {"e", "5", "1", "", "", "", ""}, false},
        ClosedCase{
            "ComputersSearch", Record::kSearch, {"e", "5", "1", "", "", "", "", "0", "0"}, false}),
    [](const testing::TestParamInfo<ClosedCase>& i) { return std::string(i.param.name); });

// ---- A small terminal ---------------------------------------------------------------

TEST(ReliabilitySmallTerminal, AGameStartedInASmallTerminalEndsCleanly) {
  for (auto [cols, rows] : {std::pair{60, 20}, std::pair{79, 24}}) {
    SCOPED_TRACE(std::to_string(cols) + "x" + std::to_string(rows));
    GameDir dir;
    PtyDriver pty(cols, rows);
    ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
    ASSERT_TRUE(pty.WaitForText("The game needs a window", 5000 * kSlow)) << pty.ScreenText();
    // A game against the computer's riddle: the first keys wait behind the notice
    // until the window is large enough; three guesses, then broken off.
    for (const char* k : {"e", "5", "1"}) {
      pty.SendKeys(k);
      pty.Pump(400);
    }
    pty.Resize(80, 25);
    ASSERT_TRUE(pty.WaitForText("The riddle comes from", 5000 * kSlow)) << pty.ScreenText();
    for (const char* k : {"1234", "5678", "9012"}) {
      pty.SendKeys(k);
      pty.Pump(400);
    }
    EXPECT_NE(pty.ScreenText().find("1234"), std::string::npos) << pty.ScreenText();
    ASSERT_FALSE(pty.Exited());
    // Esc breaks off, n declines a new game, 9 ends.
    for (const char* k : {"\x1b", "n", "9"}) {
      pty.SendKeys(k);
      pty.Pump(400);
    }
    const ExitStatus st = pty.WaitForExit(10000 * kSlow);
    ASSERT_FALSE(st.timed_out) << pty.ScreenText();
    EXPECT_EQ(SanitizerReport(pty.Output()), "");
    EXPECT_TRUE(st.exited);
    EXPECT_EQ(st.code, 0);
    EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
    EXPECT_FALSE(pty.AltScreen());
    const auto f = dir.ConditionsFile();
    EXPECT_EQ(testsupport::CheckWrittenRecord(f.data(), f.size()), "");
  }
}

// ---- A directory that cannot be written ---------------------------------------------

// Plays to the conditions screen and back, twice (each return to the main menu
// writes the conditions), and ends; returns the screen after the end.
std::string PlayAndEnd(PtyDriver& pty) {
  const int t = 5000 * kSlow;
  EXPECT_TRUE(pty.WaitForText("English:", t)) << pty.ScreenText();
  pty.SendKeys("e");
  EXPECT_TRUE(pty.WaitForText("5 - The game starts.", t)) << pty.ScreenText();
  for (int i = 0; i < 2; ++i) {
    pty.SendKeys("5");
    EXPECT_TRUE(pty.WaitForText("(1, 2, 3 or 4)", t)) << pty.ScreenText();
    pty.SendKeys("4");
    EXPECT_TRUE(pty.WaitForText("5 - The game starts.", t)) << pty.ScreenText();
  }
  pty.SendKeys("9");
  const ExitStatus st = pty.WaitForExit(t);
  EXPECT_FALSE(st.timed_out);
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
  EXPECT_EQ(SanitizerReport(pty.Output()), "");
  return pty.ScreenText();
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}

TEST(ReliabilityUnwritable, NoPlaceToWriteIsToldNotClaimedAndChangesNothing) {
  // Tests run as root, which ignores permissions: the directory is made
  // read-only by a read-only bind mount of it in a mount namespace of the
  // program's own, which vanishes with the program and leaves nothing behind.
  // The configuration folder would lie inside it, so it cannot be made either.
  if (system("unshare -m true 2>/dev/null") != 0) GTEST_SKIP() << "no mount namespaces here";
  GameDir dir;
  const auto old = MakeRecord(Record::kDefault);
  WriteRecord(dir, old);
  const auto before = Entries(dir.path());
  const std::string d = "'" + dir.path() + "'";
  const std::string script = "mount --bind " + d + " " + d + " && mount -o remount,bind,ro " + d +
                             " " + d + " && exec '" + dir.binary() + "'";
  PtyDriver pty;
  ASSERT_TRUE(pty.Start(
      "/usr/bin/unshare", {"unshare", "-m", "sh", "-c", script}, dir.path(),
      {"LANG=C.UTF-8", "HOME=" + dir.path(), "XDG_CONFIG_HOME=" + dir.path() + "/config"}));
  const std::string end = PlayAndEnd(pty);
  EXPECT_NE(end.find("Bye-bye!"), std::string::npos) << end;
  EXPECT_NE(end.find(" The conditions of your last game could not be saved in the file\n " +
                     dir.path() + "/config/morvandeltrisk/BEDINGUN.DAT\n"),
            std::string::npos)
      << end;
  EXPECT_EQ(end.find("are kept"), std::string::npos) << end;
  EXPECT_EQ(dir.ConditionsFile(), old);
  EXPECT_EQ(Entries(dir.path()), before);
}

TEST(ReliabilityUnwritable, AConditionsFileThatIsADirectoryIsSilentlyIgnored) {
  // Another path that cannot be written, even by root: a directory stands
  // where the conditions file would be.
  GameDir dir;
  fs::create_directory(dir.path() + "/BEDINGUN.DAT");
  PtyDriver pty;
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
  const std::string end = PlayAndEnd(pty);
  EXPECT_NE(end.find("Bye-bye!"), std::string::npos) << end;
  EXPECT_TRUE(fs::is_directory(dir.path() + "/BEDINGUN.DAT"));
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"BEDINGUN.DAT", "morvandeltrisk"}))
      << "no temporary file stays behind";
}

}  // namespace
