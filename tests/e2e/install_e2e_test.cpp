// The installed game: this build tree installed with DESTDIR into a scratch
// folder, its manual page, the installed binary run from a read-only folder (the
// conditions go to the configuration folder) and from a writable one (they stay
// beside it), and the uninstall rule that leaves nothing behind.
//
// Tests run as root, whom permission bits do not stop, so "a folder that cannot
// be written" is made the way it is for everyone: a read-only bind mount of the
// installed bin/ folder, in a mount namespace of the game's own that vanishes
// with it.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "game/conditions.h"
#include "tests/support/pty_driver.h"
#include "tests/support/pty_walks.h"
#include "tests/support/timing.h"

namespace {

using testsupport::ExitStatus;
using testsupport::PtyDriver;
namespace fs = std::filesystem;

using testsupport::kSlow;

std::string Slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

std::string Quoted(const std::string& s) {
  return "'" + s + "'";
}

struct Ran {
  int code = -1;
  std::string out, err;
};

// Runs a shell command line, keeping what it printed.
Ran Shell(const std::string& scratch, const std::string& command) {
  const std::string out = scratch + "/cmd.out", err = scratch + "/cmd.err";
  const int st = system((command + " >" + Quoted(out) + " 2>" + Quoted(err)).c_str());
  Ran r;
  r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  r.out = Slurp(out);
  r.err = Slurp(err);
  fs::remove(out);
  fs::remove(err);
  return r;
}

mode_t Mode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> v;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}

// A valid conditions record of the defaults with the given code length.
std::string Record(int laenge) {
  mtspiel::INITIALISIERE();
  mtspiel::X.LAENGE = static_cast<uint8_t>(laenge);
  std::string r(80, '\0');
  std::memcpy(r.data(), &mtspiel::X, 80);
  return r;
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class Installed : public testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/mt_install_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    dest_ = root_ + "/dest";
    home_ = root_ + "/home";
    fs::create_directory(home_);
    const Ran r = Shell(root_, "DESTDIR=" + Quoted(dest_) + " " + Quoted(MT_CMAKE) + " --install " +
                                   Quoted(MT_BUILD_DIR) + " --prefix /usr/local");
    ASSERT_EQ(r.code, 0) << r.out << r.err;
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Bin() const { return dest_ + "/usr/local/bin"; }
  std::string Binary() const { return Bin() + "/morvandeltrisk"; }

  // Starts the installed game, its bin/ folder read-only when read_only; HOME and
  // XDG_CONFIG_HOME point into the scratch folder. False when it could not start.
  bool Start(PtyDriver& pty, bool read_only, const std::string& xdg) {
    const std::vector<std::string> env = {"LANG=C.UTF-8", "LC_ALL=C.UTF-8", "HOME=" + home_,
                                          "XDG_CONFIG_HOME=" + xdg};
    if (!read_only) return pty.Start(Binary(), {Binary()}, root_, env);
    const std::string b = Quoted(Bin());
    const std::string script = "mount --bind " + b + " " + b + " && mount -o remount,bind,ro " + b +
                               " " + b + " && exec " + Quoted(Binary());
    return pty.Start("/usr/bin/unshare", {"unshare", "-m", "sh", "-c", script}, root_, env);
  }

  // Chooses English, goes to the main menu and ends there; returns the exit screen.
  std::string PlayToTheMenuAndOut(PtyDriver& pty) {
    EXPECT_TRUE(testsupport::ToTheEnglishMenu(pty, 5000 * kSlow)) << pty.ScreenText();
    return testsupport::EndFromTheMenu(pty, 5000 * kSlow);
  }

  // One run of the game from the read-only bin/ folder.
  std::string RunReadOnly(const std::string& xdg) {
    PtyDriver pty;
    if (!Start(pty, true, xdg)) {
      ADD_FAILURE() << "could not start";
      return "";
    }
    return PlayToTheMenuAndOut(pty);
  }

  static bool MountNamespaces() { return system("unshare -m true 2>/dev/null") == 0; }

  std::string root_, dest_, home_;
};

TEST_F(Installed, FilesManualPageAndUninstall) {
  const std::string pre = dest_ + "/usr/local";
  EXPECT_EQ(Mode(Binary()) & 0111, 0111u) << "the binary is executable for everyone";
  const std::string page = pre + "/share/man/man6/morvandeltrisk.6";
  ASSERT_TRUE(fs::is_regular_file(page));
  EXPECT_EQ(Slurp(pre + "/share/doc/morvandeltrisk/README.md"),
            Slurp(std::string(MT_SOURCE_DIR) + "/README.md"));
  const std::string licence = Slurp(pre + "/share/doc/morvandeltrisk/LICENSE");
  EXPECT_EQ(licence.rfind("MIT License\n", 0), 0u) << licence;
  EXPECT_NE(licence.find("WITHOUT WARRANTY OF ANY KIND"), std::string::npos);

  // The installed page renders, and groff has not one warning about it.
  const Ran man = Shell(root_, "MANROFFOPT=-ww MANWIDTH=80 man -l " + Quoted(page));
  EXPECT_EQ(man.code, 0) << man.err;
  EXPECT_EQ(man.err, "");
  EXPECT_NE(man.out.find("MORVANDELTRISK(6)"), std::string::npos) << man.out;
  EXPECT_NE(man.out.find("~/.config/morvandeltrisk/BEDINGUN.DAT"), std::string::npos) << man.out;

  const Ran version = Shell(root_, Quoted(Binary()) + " --version");
  EXPECT_EQ(version.out, "Morvandeltrisk 2025-06-21\n");

  // A game run as root from the installed, writable bin/ leaves its conditions
  // file there; uninstalling takes that along with everything it installed.
  PtyDriver pty;
  ASSERT_TRUE(Start(pty, false, root_ + "/xdg"));
  PlayToTheMenuAndOut(pty);
  ASSERT_TRUE(fs::exists(Bin() + "/BEDINGUN.DAT"));
  const Ran un = Shell(root_, "make -s -C " + Quoted(MT_SOURCE_DIR) +
                                  " uninstall PREFIX=/usr/local DESTDIR=" + Quoted(dest_));
  EXPECT_EQ(un.code, 0) << un.out << un.err;
  std::vector<std::string> left;
  for (const auto& e : fs::recursive_directory_iterator(dest_))
    if (!e.is_directory()) left.push_back(e.path().string());
  EXPECT_EQ(left, std::vector<std::string>{}) << "uninstall left files behind";
}

TEST_F(Installed, AWritableFolderKeepsTheConditionsBesideTheBinary) {
  PtyDriver pty;
  const std::string xdg = root_ + "/xdg";
  ASSERT_TRUE(Start(pty, false, xdg));
  const std::string end = PlayToTheMenuAndOut(pty);
  EXPECT_EQ(Slurp(Bin() + "/BEDINGUN.DAT").size(), 80u);
  EXPECT_EQ(Mode(Bin() + "/BEDINGUN.DAT"), 0644u);
  EXPECT_FALSE(fs::exists(xdg)) << "no configuration folder is made";
  EXPECT_FALSE(fs::exists(home_ + "/.config"));
  EXPECT_NE(end.find(" The conditions of your last game are kept in the file\n " + Bin() +
                     "/BEDINGUN.DAT\n"),
            std::string::npos)
      << end;
}

TEST_F(Installed, AReadOnlyFolderKeepsTheConditionsInTheConfigurationFolder) {
  if (!MountNamespaces()) GTEST_SKIP() << "no mount namespaces here";
  // XDG_CONFIG_HOME set, and empty (then ~/.config).
  for (const std::string& xdg : {root_ + "/xdg", std::string()}) {
    const std::string folder = (xdg.empty() ? home_ + "/.config" : xdg) + "/morvandeltrisk";
    const std::string file = folder + "/BEDINGUN.DAT";
    const std::string end = RunReadOnly(xdg);
    EXPECT_EQ(Slurp(file).size(), 80u) << file;
    EXPECT_EQ(Mode(file), 0600u) << "the file is its owner's only";
    EXPECT_EQ(Mode(folder), 0700u) << "and so is its folder";
    EXPECT_EQ(Entries(Bin()), std::vector<std::string>{"morvandeltrisk"});
    EXPECT_NE(end.find(" The conditions of your last game are kept in the file\n " + file + "\n"),
              std::string::npos)
        << end;
  }
}

TEST_F(Installed, TheFileBesideAReadOnlyBinaryIsTheStartingPointOnly) {
  if (!MountNamespaces()) GTEST_SKIP() << "no mount namespaces here";
  const std::string xdg = root_ + "/xdg";
  const std::string file = xdg + "/morvandeltrisk/BEDINGUN.DAT";
  // Conditions of a code of length 6 beside the binary, none in the configuration folder.
  Write(Bin() + "/BEDINGUN.DAT", Record(6));
  RunReadOnly(xdg);
  std::string kept = Slurp(file);
  ASSERT_EQ(kept.size(), 80u);
  EXPECT_EQ(kept[3], 6) << "the first run starts from the file beside the binary";
  // From now on the configuration folder's file is read, not the one beside the binary.
  Write(file, Record(5));
  RunReadOnly(xdg);
  kept = Slurp(file);
  ASSERT_EQ(kept.size(), 80u);
  EXPECT_EQ(kept[3], 5);
  EXPECT_EQ(Slurp(Bin() + "/BEDINGUN.DAT"), Record(6)) << "the file beside stays as it was";
}

}  // namespace
