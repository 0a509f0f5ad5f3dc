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
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "game/conditions.h"
#include "shell/names.h"
#include "tests/support/conditions_fuzz_check.h"
#include "tests/support/game_dir.h"
#include "tests/support/pty_board.h"
#include "tests/support/pty_driver.h"
#include "tests/support/pty_walks.h"
#include "tests/support/timing.h"

namespace {

using testsupport::AnswerAsked;
using testsupport::AnswerPrompt;
using testsupport::ExitStatus;
using testsupport::GameDir;
using testsupport::kFirstTrialRow;
using testsupport::kSlow;
using testsupport::PtyDriver;
namespace fs = std::filesystem;

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

bool StarsOnRow25(const PtyDriver& pty) {
  return pty.RowText(25).find('*') != std::string::npos;
}

// The cursor waits on the conditions screen's field of that label, at its
// value text.
bool CursorOnField(const PtyDriver& pty, const std::string& label, const std::string& value) {
  const int x = pty.CursorX(), y = pty.CursorY();
  std::string shown;
  for (size_t i = 0; i < value.size(); ++i) shown += pty.Cell(x + static_cast<int>(i), y).text;
  return pty.RowText(y).find(label) != std::string::npos && shown == value;
}

// Starts a game whose computer guesses, answers its opening guess with no sign
// in common, and returns once the program has taken the answer: its search for
// the next guess runs.
void StartTheComputersSearch(PtyDriver& pty, int t) {
  pty.SendKeys("1");
  AnswerPrompt at;
  // The set-up shows its stars, then the opening guess waits for its answer.
  ASSERT_TRUE(pty.WaitUntil([&] { return AnswerAsked(pty, at) && at.p; }, 3 * t))
      << pty.ScreenText();
  const AnswerPrompt opening = at;
  pty.SendKeys("0");
  ASSERT_TRUE(pty.WaitUntil([&] { return AnswerAsked(pty, at) && !at.p; }, t)) << pty.ScreenText();
  pty.SendKeys("0");
  ASSERT_TRUE(pty.WaitUntil([&] { return pty.Cell(opening.s_column, opening.row).text == "0"; }, t))
      << pty.ScreenText();
}

// Starts a game against the computer's riddle and types the first two signs of
// the first trial; returns once they stand on the board.
void TypeTheFirstSigns(PtyDriver& pty, int t) {
  pty.SendKeys("1");
  ASSERT_TRUE(pty.WaitForText("The riddle comes from", t)) << pty.ScreenText();
  pty.SendKeys("12");
  ASSERT_TRUE(pty.WaitUntil([&] { return testsupport::TrialCode(pty, kFirstTrialRow) == "12"; }, t))
      << pty.ScreenText();
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

void PrintTo(const SignalCase& c, std::ostream* os) {
  *os << PhaseName(c.phase) << ", SIG" << sigabbrev_np(c.sig);
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
      ASSERT_TRUE(pty.WaitUntil([&] { return CursorOnField(pty, " Sound ", "No."); }, t))
          << pty.ScreenText();
      break;
    case Phase::kLargeSetUp:
      pty.SendKeys("1");
      ASSERT_TRUE(pty.WaitUntil([&] { return StarsOnRow25(pty); }, t))
          << "no progress of the set-up\n"
          << pty.ScreenText();
      break;
    case Phase::kSearch:
      StartTheComputersSearch(pty, t);
      break;
    case Phase::kHumanTyping:
      TypeTheFirstSigns(pty, t);
      break;
    default:
      break;
  }
  if (HasFatalFailure()) return;
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

// One key (or none) typed into the program's input, and the screen state that
// shows the program has taken it.
struct Step {
  std::string keys;
  std::function<bool(const PtyDriver&)> reached;
};

bool Shows(const PtyDriver& pty, const std::string& text) {
  return pty.ScreenText().find(text) != std::string::npos;
}

const Step kLanguageScreen{"", [](const PtyDriver& p) { return Shows(p, "English:"); }};
const Step kMainMenu{"e", [](const PtyDriver& p) { return Shows(p, "5 - The game starts."); }};
const Step kConditions{"5", [](const PtyDriver& p) { return Shows(p, "(1, 2, 3 or 4)"); }};

struct ClosedCase {
  const char* name;
  Record record;
  std::vector<Step> steps;  // typed one after the other, then the input closes
  bool dev_null;            // input from /dev/null instead of a pipe
  // Runs further keys that need more than a screen text (the computer's search).
  void (*then)(PtyDriver&, int) = nullptr;
};

void PrintTo(const ClosedCase& c, std::ostream* os) {
  *os << c.name;
}

class ReliabilityClosedInput : public testing::TestWithParam<ClosedCase> {};

TEST_P(ReliabilityClosedInput, EndsAsChoiceNineWould) {
  const ClosedCase& c = GetParam();
  GameDir dir;
  WriteRecord(dir, MakeRecord(c.record));
  PtyDriver pty;
  const int t = 10000 * kSlow;
  if (c.dev_null) {
    const std::string script = "exec '" + dir.binary() + "' </dev/null";
    ASSERT_TRUE(pty.Start("/bin/sh", {"sh", "-c", script}, dir.path(), {"LANG=C.UTF-8"}));
  } else {
    pty.InputFromPipe();
    ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
    // Each key once the program shows it has taken the one before, so that the
    // input closes in the phase the case is named after.
    for (const Step& step : c.steps) {
      pty.SendKeys(step.keys);
      ASSERT_TRUE(pty.WaitUntil([&] { return step.reached(pty); }, t))
          << "typed '" << step.keys << "'\n"
          << pty.ScreenText();
    }
    if (c.then) c.then(pty, t);
    if (HasFatalFailure()) return;
    ASSERT_FALSE(pty.Exited()) << "ended before its input closed\n" << pty.ScreenText();
    pty.CloseInput();
  }
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

std::vector<ClosedCase> ClosedCases() {
  const Step editing{"3", [](const PtyDriver& p) { return CursorOnField(p, "Timelimit", "10"); }};
  const Step instructions{"7", [](const PtyDriver& p) { return Shows(p, "Page 1 of 4."); }};
  const Step board{"1", [](const PtyDriver& p) { return Shows(p, "The riddle comes from"); }};
  const Step typed{
      "12", [](const PtyDriver& p) { return testsupport::TrialCode(p, kFirstTrialRow) == "12"; }};
  const Step broken_off{"\x1b", [](const PtyDriver& p) { return Shows(p, "Game end"); }};
  const Step set_up{"1", [](const PtyDriver& p) { return StarsOnRow25(p); }};
  const Step answer_asked{"1", [](const PtyDriver& p) {
                            AnswerPrompt at;
                            return AnswerAsked(p, at) && at.p;
                          }};
  const Step start[] = {kLanguageScreen, kMainMenu, kConditions};
  auto from_start = [&](std::initializer_list<Step> more, size_t n = 3) {
    std::vector<Step> v(start, start + n);
    v.insert(v.end(), more);
    return v;
  };
  return {
      {"DevNull", Record::kDefault, {}, true},
      {"LanguageScreen", Record::kDefault, from_start({}, 1), false},
      {"MainMenu", Record::kDefault, from_start({}, 2), false},
      {"EditingConditions", Record::kDefault, from_start({editing}), false},
      {"Instructions", Record::kDefault, from_start({instructions}, 2), false},
      {"HumanTypingOnTheBoard", Record::kDefault, from_start({board, typed}), false},
      {"NewGameQuestion", Record::kDefault, from_start({board, broken_off}), false},
      {"ComputersSetUp", Record::kLarge, from_start({set_up}), false},
      {"ComputerWaitsForAnAnswer", Record::kSearch, from_start({answer_asked}), false},
      {"ComputersSearch", Record::kSearch, from_start({}), false,
       [](PtyDriver& pty, int t) { StartTheComputersSearch(pty, t); }},
  };
}

INSTANTIATE_TEST_SUITE_P(Phases, ReliabilityClosedInput, testing::ValuesIn(ClosedCases()),
                         [](const testing::TestParamInfo<ClosedCase>& i) {
                           return std::string(i.param.name);
                         });

// ---- A small terminal ---------------------------------------------------------------

TEST(ReliabilitySmallTerminal, AGameStartedInASmallTerminalEndsCleanly) {
  for (auto [cols, rows] : {std::pair{60, 20}, std::pair{79, 24}}) {
    SCOPED_TRACE(std::to_string(cols) + "x" + std::to_string(rows));
    GameDir dir;
    PtyDriver pty(cols, rows);
    ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
    ASSERT_TRUE(pty.WaitForText("The game needs a window", 5000 * kSlow)) << pty.ScreenText();
    // A game against the computer's riddle: three guesses, then broken off by
    // Esc; n declines a new game. The first key waits behind the notice until
    // the window is large enough; each later one once the page shows the one
    // before was taken.
    auto type = [&](const char* k, const char* shown) {
      pty.SendKeys(k);
      return pty.WaitForText(shown, 5000 * kSlow);
    };
    pty.SendKeys("e");
    pty.Resize(80, 25);
    ASSERT_TRUE(pty.WaitForText("Operating instructions:", 5000 * kSlow)) << pty.ScreenText();
    ASSERT_TRUE(type("5", "Please choose now (1, 2")) << pty.ScreenText();
    ASSERT_TRUE(type("1", "The riddle comes from")) << pty.ScreenText();
    ASSERT_TRUE(type("1234", "2│  ....")) << pty.ScreenText();
    ASSERT_TRUE(type("5678", "3│  ....")) << pty.ScreenText();
    ASSERT_TRUE(type("9012", "4│  ....")) << pty.ScreenText();
    EXPECT_NE(pty.ScreenText().find("1234"), std::string::npos) << pty.ScreenText();
    ASSERT_FALSE(pty.Exited());
    ASSERT_TRUE(type("\x1b", "Game end")) << pty.ScreenText();
    ASSERT_TRUE(type("n", "Operating instructions:")) << pty.ScreenText();
    pty.SendKeys("9");
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
  EXPECT_TRUE(testsupport::ToTheEnglishMenu(pty, t)) << pty.ScreenText();
  for (int i = 0; i < 2; ++i) {
    pty.SendKeys("5");
    EXPECT_TRUE(pty.WaitForText("(1, 2, 3 or 4)", t)) << pty.ScreenText();
    pty.SendKeys("4");
    EXPECT_TRUE(pty.WaitForText("5 - The game starts.", t)) << pty.ScreenText();
  }
  const std::string screen = testsupport::EndFromTheMenu(pty, t);
  EXPECT_EQ(SanitizerReport(pty.Output()), "");
  return screen;
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
