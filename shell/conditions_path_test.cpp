#include "shell/conditions_path.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace morvandeltrisk {
namespace {

namespace fs = std::filesystem;

mode_t Mode(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class ConditionsPlace : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/mt-place-XXXXXX";
    dir_ = mkdtemp(tmpl);
    fs::create_directory(dir_ + "/bin");
    fs::create_directory(dir_ + "/home");
  }
  void TearDown() override { fs::remove_all(dir_); }
  // A program whose folder can be written, and one whose folder cannot: root
  // writes everywhere, but nobody creates a file in a folder that does not exist.
  std::string Writable() { return dir_ + "/bin/morvandeltrisk"; }
  std::string Unwritable() { return dir_ + "/gone/morvandeltrisk"; }
  std::string dir_;
};

TEST(ConfigurationFolder, FollowsXdgConfigHomeThenHome) {
  EXPECT_EQ(KONFIGURATIONSORDNER("/x/cfg", "/home/u"), "/x/cfg/morvandeltrisk");
  // Unset, empty and relative XDG_CONFIG_HOME all fall back to the home folder.
  EXPECT_EQ(KONFIGURATIONSORDNER(nullptr, "/home/u"), "/home/u/.config/morvandeltrisk");
  EXPECT_EQ(KONFIGURATIONSORDNER("", "/home/u"), "/home/u/.config/morvandeltrisk");
  EXPECT_EQ(KONFIGURATIONSORDNER("cfg", "/home/u"), "/home/u/.config/morvandeltrisk");
  // A relative HOME is no place; an empty or missing one is taken from the
  // password database.
  EXPECT_EQ(KONFIGURATIONSORDNER(nullptr, "u"), "");
  const passwd* pw = getpwuid(geteuid());
  ASSERT_NE(pw, nullptr);
  EXPECT_EQ(KONFIGURATIONSORDNER(nullptr, ""), std::string(pw->pw_dir) + "/.config/morvandeltrisk");
  EXPECT_EQ(KONFIGURATIONSORDNER(nullptr, nullptr),
            std::string(pw->pw_dir) + "/.config/morvandeltrisk");
}

TEST_F(ConditionsPlace, BesideAProgramWhoseFolderCanBeWritten) {
  const std::string xdg = dir_ + "/cfg";
  const BEDINGUNGSORT ort = BEDINGUNGSORT_FINDEN(Writable(), xdg.c_str(), nullptr, true);
  EXPECT_EQ(ort.datei, dir_ + "/bin/BEDINGUN.DAT");
  EXPECT_EQ(ort.vorlage, "");
  EXPECT_FALSE(ort.privat);
  EXPECT_FALSE(fs::exists(xdg)) << "the configuration folder is left alone";
  EXPECT_EQ(LESEDATEI(ort), ort.datei);
}

TEST_F(ConditionsPlace, OtherwiseInTheConfigurationFolderCreatedForItsOwnerOnly) {
  // Owner-only and usable, whatever the umask: one that takes the owner's write
  // permission away would otherwise leave a folder the game cannot write to.
  const mode_t umask_before = umask(0277);
  const std::string xdg = dir_ + "/x/cfg";
  const BEDINGUNGSORT ort = BEDINGUNGSORT_FINDEN(Unwritable(), xdg.c_str(), nullptr, true);
  umask(umask_before);
  EXPECT_EQ(ort.datei, xdg + "/morvandeltrisk/BEDINGUN.DAT");
  EXPECT_EQ(ort.vorlage, dir_ + "/gone/BEDINGUN.DAT");
  EXPECT_TRUE(ort.privat);
  EXPECT_EQ(Mode(dir_ + "/x"), 0700u);
  EXPECT_EQ(Mode(xdg), 0700u);
  EXPECT_EQ(Mode(xdg + "/morvandeltrisk"), 0700u);
}

TEST_F(ConditionsPlace, UnderTheHomeFolderOnlyConfigAndTheGamesFolderAreCreated) {
  const std::string home = dir_ + "/home";
  BEDINGUNGSORT ort = BEDINGUNGSORT_FINDEN(Unwritable(), "", home.c_str(), true);
  EXPECT_EQ(ort.datei, home + "/.config/morvandeltrisk/BEDINGUN.DAT");
  EXPECT_EQ(Mode(home + "/.config"), 0700u);
  EXPECT_EQ(Mode(home + "/.config/morvandeltrisk"), 0700u);

  // A home folder that does not exist is not made up.
  const std::string missing = dir_ + "/nohome";
  ort = BEDINGUNGSORT_FINDEN(Unwritable(), nullptr, missing.c_str(), true);
  EXPECT_EQ(ort.datei, missing + "/.config/morvandeltrisk/BEDINGUN.DAT");
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(ConditionsPlace, AnExistingFolderKeepsItsPermissionsAndLinksAreResolved) {
  const std::string real = dir_ + "/real";
  fs::create_directories(real + "/morvandeltrisk");
  chmod((real + "/morvandeltrisk").c_str(), 0755);
  fs::create_directory_symlink(real, dir_ + "/link");
  const std::string xdg = dir_ + "/link";
  const BEDINGUNGSORT ort = BEDINGUNGSORT_FINDEN(Unwritable(), xdg.c_str(), nullptr, true);
  EXPECT_EQ(ort.datei, real + "/morvandeltrisk/BEDINGUN.DAT") << "the real path is named";
  EXPECT_EQ(Mode(real + "/morvandeltrisk"), 0755u);
}

TEST_F(ConditionsPlace, WithoutCreatingNothingIsTouched) {
  const std::string xdg = dir_ + "/cfg";
  const BEDINGUNGSORT ort = BEDINGUNGSORT_FINDEN(Unwritable(), xdg.c_str(), nullptr, false);
  EXPECT_EQ(ort.datei, xdg + "/morvandeltrisk/BEDINGUN.DAT");
  EXPECT_FALSE(fs::exists(xdg));
}

TEST_F(ConditionsPlace, AFileInTheWayLeavesThePlaceNamedButUnusable) {
  const std::string xdg = dir_ + "/plain";
  std::ofstream(xdg) << "x";
  const BEDINGUNGSORT ort = BEDINGUNGSORT_FINDEN(Unwritable(), xdg.c_str(), nullptr, true);
  EXPECT_EQ(ort.datei, xdg + "/morvandeltrisk/BEDINGUN.DAT");
  EXPECT_TRUE(fs::is_regular_file(xdg));
}

TEST_F(ConditionsPlace, TheFileBesideTheProgramIsOnlyTheStartingPoint) {
  BEDINGUNGSORT ort;
  ort.datei = dir_ + "/cfg/BEDINGUN.DAT";
  ort.vorlage = dir_ + "/bin/BEDINGUN.DAT";
  EXPECT_EQ(LESEDATEI(ort), ort.vorlage) << "no file in the configuration folder yet";
  fs::create_directory(dir_ + "/cfg");
  std::ofstream(ort.datei) << "";
  EXPECT_EQ(LESEDATEI(ort), ort.datei) << "once there, that file is read, even empty";
  ort.datei.clear();
  EXPECT_EQ(LESEDATEI(ort), ort.vorlage) << "no place to write: the old file is still read";
}

}  // namespace
}  // namespace morvandeltrisk
