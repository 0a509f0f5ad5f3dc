// The command line of the real program: --help and --version answer on standard
// output, anything else is refused on standard error with status 2, and none of
// them touches the terminal the program was started from.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"

namespace {

using testsupport::ExitStatus;
using testsupport::GameDir;
using testsupport::PtyDriver;

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

struct Answer {
  ExitStatus status;
  std::string out, err;
  std::string terminal;  // what reached the terminal
  std::string mode_change;
};

// Runs the game's binary with args on a terminal, its standard output going to
// stdout_target (a file in the scratch folder unless given) and its errors to a
// file.
Answer Ask(const GameDir& dir, std::vector<std::string> args, std::string stdout_target = "") {
  if (stdout_target.empty()) stdout_target = dir.path() + "/out";
  const std::string script =
      "exec \"$0\" \"$@\" >'" + stdout_target + "' 2>'" + dir.path() + "/err'";
  std::vector<std::string> argv = {"sh", "-c", script, dir.binary()};
  argv.insert(argv.end(), args.begin(), args.end());
  PtyDriver pty;
  Answer a;
  if (!pty.Start("/bin/sh", argv, dir.path(), {"LANG=C.UTF-8"})) return a;
  a.status = pty.WaitForExit(5000);
  a.out = Slurp(dir.path() + "/out");
  a.err = Slurp(dir.path() + "/err");
  a.terminal = pty.Output();
  a.mode_change = PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow());
  return a;
}

void ExpectTerminalUntouched(const Answer& a) {
  EXPECT_FALSE(a.status.timed_out) << "the game started instead of answering";
  EXPECT_EQ(a.terminal, "");
  EXPECT_EQ(a.mode_change, "");
}

TEST(CommandLine, HelpAndVersionAnswerOnStandardOutput) {
  GameDir dir;
  Answer a = Ask(dir, {"--help"});
  ExpectTerminalUntouched(a);
  EXPECT_TRUE(a.status.exited);
  EXPECT_EQ(a.status.code, 0);
  EXPECT_EQ(a.out.rfind("Usage: morvandeltrisk [--help | --version]\n", 0), 0u) << a.out;
  // The place of the conditions file for this very binary: its folder can be written.
  EXPECT_NE(a.out.find("\n  " + dir.path() + "/BEDINGUN.DAT\n"), std::string::npos) << a.out;
  EXPECT_NE(a.out.find("5 starts the game"), std::string::npos) << a.out;
  EXPECT_EQ(a.err, "");
  EXPECT_FALSE(dir.HasConditionsFile()) << "asking for help writes nothing";

  a = Ask(dir, {"--version"});
  ExpectTerminalUntouched(a);
  EXPECT_EQ(a.status.code, 0);
  EXPECT_EQ(a.out, "Morvandeltrisk 2025-06-21\n");
  EXPECT_EQ(a.err, "");
}

TEST(CommandLine, OtherArgumentsAreRefusedWithStatusTwo) {
  GameDir dir;
  const std::vector<std::vector<std::string>> cases = {
      {"--bogus"}, {"-h"}, {""}, {"--help", "extra"}, {"--version", "--help"}};
  for (const auto& args : cases) {
    const Answer a = Ask(dir, args);
    const std::string name = args[0] + (args.size() > 1 ? " " + args[1] : "");
    ExpectTerminalUntouched(a);
    EXPECT_TRUE(a.status.exited) << name;
    EXPECT_EQ(a.status.code, 2) << name;
    EXPECT_EQ(a.out, "") << name;
    const std::string wrong = args.size() > 1 ? args[1] : args[0];
    EXPECT_EQ(a.err.rfind("morvandeltrisk: ", 0), 0u) << a.err;
    EXPECT_NE(a.err.find("argument '" + wrong + "'\nUsage: morvandeltrisk"), std::string::npos)
        << name << ": " << a.err;
  }
  EXPECT_FALSE(dir.HasConditionsFile());
}

TEST(CommandLine, HelpThatCannotBeWrittenIsNoSuccess) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  GameDir dir;
  const Answer a = Ask(dir, {"--help"}, "/dev/full");
  ExpectTerminalUntouched(a);
  EXPECT_EQ(a.status.code, 1);
  EXPECT_EQ(a.err, "morvandeltrisk: the output could not be written\n");
}

}  // namespace
