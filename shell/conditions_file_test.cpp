#include "shell/conditions_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "game/conditions.h"
#include "game/signs.h"
#include "shell/shell_state.h"

namespace morvandeltrisk {
namespace {

using mtspiel::X;
namespace fs = std::filesystem;

class ConditionsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/mt-conditions-XXXXXX";
    dir_ = mkdtemp(tmpl);
    ALT = dir_ + "/BEDINGUN.DAT";
  }
  void TearDown() override {
    chmod(dir_.c_str(), 0755);
    fs::remove_all(dir_);
  }
  void WriteFile(const std::vector<uint8_t>& bytes) {
    std::ofstream f(ALT, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<uint8_t> ReadFile() {
    std::ifstream f(ALT, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
  }
  // A valid record of the defaults, as the program writes it.
  std::vector<uint8_t> DefaultRecord() {
    mtspiel::INITIALISIERE();
    std::vector<uint8_t> r(80);
    std::memcpy(r.data(), &X, 80);
    return r;
  }
  void ExpectDefaults() {
    EXPECT_EQ(X.LAENGE, 4);
    EXPECT_EQ(X.ERSTES, '0');
    EXPECT_EQ(X.LETZTES, '9');
    EXPECT_FALSE(X.WDHG);
    EXPECT_FALSE(X.LEER);
    EXPECT_TRUE(X.PC_STELLT);
    EXPECT_FALSE(X.PC_RAET);
    EXPECT_TRUE(X.FEST);
    EXPECT_FALSE(X.TON);
    EXPECT_EQ(X.ZEITGRENZE, 1);
    EXPECT_EQ(mtspiel::ZEITLIMIT, 1000);
    EXPECT_EQ(X.SPEICHER, 10);
    EXPECT_EQ(mtspiel::MAXFARBE, 10);
  }
  std::string dir_;
};

TEST_F(ConditionsFile, MissingEmptyOrShortFilesGiveTheDefaults) {
  BEDINGUNGEN_LESEN(ALT);
  ExpectDefaults();
  WriteFile({});
  BEDINGUNGEN_LESEN(ALT);
  ExpectDefaults();
  std::vector<uint8_t> r = DefaultRecord();
  r[3] = 7;
  r.resize(79);
  WriteFile(r);
  BEDINGUNGEN_LESEN(ALT);
  ExpectDefaults();
}

TEST_F(ConditionsFile, AnOversizedFileGivesItsFirstRecord) {
  std::vector<uint8_t> r = DefaultRecord();
  r[3] = 6;
  r.insert(r.end(), 80, 0xEE);
  WriteFile(r);
  BEDINGUNGEN_LESEN(ALT);
  EXPECT_EQ(X.LAENGE, 6);
}

TEST_F(ConditionsFile, RepairsFieldByField) {
  std::vector<uint8_t> r = DefaultRecord();
  r[6] = 'C';
  r[7] = 'H';
  r[2] = 12;
  r[4] = 0;
  r[5] = 16;
  WriteFile(r);
  BEDINGUNGEN_LESEN(ALT);
  EXPECT_EQ(X.ERSTES, 'c');
  EXPECT_EQ(X.LETZTES, 'h');
  EXPECT_EQ(mtspiel::MAXFARBE, 6);
  EXPECT_EQ(X.ZEITGRENZE, 6);
  EXPECT_EQ(mtspiel::ZEITLIMIT, 6000);
  EXPECT_EQ(X.RESERVE, 8);
  EXPECT_EQ(X.SPEICHER, 10);

  r = DefaultRecord();
  r[6] = '3';
  r[7] = '#';  // becomes the first sign: a set of one sign becomes '0'..'5'
  WriteFile(r);
  BEDINGUNGEN_LESEN(ALT);
  EXPECT_EQ(X.ERSTES, '0');
  EXPECT_EQ(X.LETZTES, '5');
  r[6] = 'q';
  WriteFile(r);
  BEDINGUNGEN_LESEN(ALT);
  EXPECT_EQ(X.ERSTES, 'a');
  EXPECT_EQ(X.LETZTES, 'f');

  r = DefaultRecord();
  r[6] = '0';
  r[7] = '5';
  r[3] = 7;  // longer than the set: repetitions must be on
  WriteFile(r);
  BEDINGUNGEN_LESEN(ALT);
  EXPECT_TRUE(X.WDHG);
  EXPECT_EQ(X.LAENGE, 7);
}

TEST_F(ConditionsFile, AnyBytesReadIntoRangeAndWriteBackUnchanged) {
  std::mt19937 rng(7);
  for (int run = 0; run < 2000; ++run) {
    std::vector<uint8_t> r(rng() % 170);
    for (auto& b : r) b = static_cast<uint8_t>(rng());
    WriteFile(r);
    BEDINGUNGEN_LESEN(ALT);
    FARBEN_PRUEFEN(true);
    ASSERT_GE(X.LAENGE, 2);
    ASSERT_LE(X.LAENGE, 9);
    ASSERT_GE(X.RESERVE, 1);
    ASSERT_LE(X.RESERVE, 8);
    ASSERT_GE(X.SPEICHER, 1);
    ASSERT_LE(X.SPEICHER, 15);
    ASSERT_LE(X.ZEITGRENZE, 9);
    ASSERT_NE(X.ERSTES, X.LETZTES);
    ASSERT_TRUE(mtspiel::NR(X.ERSTES) == 1);
    ASSERT_GE(mtspiel::MAXFARBE, 2);
    ASSERT_LE(mtspiel::MAXFARBE, 36);
    ASSERT_TRUE(X.LAENGE <= mtspiel::MAXFARBE || X.WDHG);
    ASSERT_LT(X.ATTR_NORMAL, 128);
    ASSERT_NE(X.ATTR_NORMAL & 15, X.ATTR_NORMAL >> 4);
    ASSERT_EQ(mtspiel::ZEITLIMIT, X.ZEITGRENZE * 1000);
    // What was read and repaired is written back and reads the same.
    SPEICHERWAHL = X.SPEICHER;
    FARBE_NORMAL = X.ATTR_NORMAL;
    FARBE_HERVOR = X.ATTR_HERVOR;
    LEER_WAHL = X.LEER;
    BEDINGUNGENSPEICHERN();
    std::vector<uint8_t> written = ReadFile();
    ASSERT_EQ(written.size(), 80u);
    BEDINGUNGEN_LESEN(ALT);
    std::vector<uint8_t> again(80);
    std::memcpy(again.data(), &X, 80);
    ASSERT_EQ(again, written);
  }
}

TEST_F(ConditionsFile, WritingKeepsThePlayersOwnChoices) {
  mtspiel::INITIALISIERE();
  LEER_WAHL = true;
  X.LEER = false;  // a game switched the vacant sign off
  SPEICHERWAHL = 3;
  FARBE_NORMAL = 0x17;
  FARBE_HERVOR = 0x1E;
  BEDINGUNGENSPEICHERN();
  EXPECT_FALSE(X.LEER);  // the running game keeps its own setting
  std::vector<uint8_t> r = ReadFile();
  ASSERT_EQ(r.size(), 80u);
  EXPECT_EQ(r[10], 1);
  EXPECT_EQ(r[5], 3);
  EXPECT_EQ(r[0], 0x17);
  EXPECT_EQ(r[1], 0x1E);
  // No temporary file stays behind.
  int files = 0;
  for (auto& e : fs::directory_iterator(dir_)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST_F(ConditionsFile, AnUnwritableDirectoryIsSilentlyIgnored) {
  if (geteuid() == 0) {
    // root writes anyway; a path under a missing directory cannot be written by anybody
    ALT = dir_ + "/missing/BEDINGUN.DAT";
  } else {
    chmod(dir_.c_str(), 0555);
  }
  mtspiel::INITIALISIERE();
  X.LAENGE = 5;
  ALT_GESCHRIEBEN = true;
  BEDINGUNGENSPEICHERN();
  EXPECT_EQ(X.LAENGE, 5);
  EXPECT_FALSE(fs::exists(ALT));
  EXPECT_FALSE(ALT_GESCHRIEBEN) << "the exit screen must not claim the file was kept";
}

TEST_F(ConditionsFile, WrittenForEveryoneToReadBesideTheProgramForItsOwnerElsewhere) {
  mtspiel::INITIALISIERE();
  for (bool privat : {false, true}) {
    ALT_PRIVAT = privat;
    ALT_GESCHRIEBEN = false;
    BEDINGUNGENSPEICHERN();
    EXPECT_TRUE(ALT_GESCHRIEBEN);
    struct stat st;
    ASSERT_EQ(stat(ALT.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, privat ? 0600u : 0644u);
  }
  ALT_PRIVAT = false;
}

TEST_F(ConditionsFile, ColourRepairs) {
  X.ATTR_NORMAL = 0x91;  // blink bit and equal colours
  X.ATTR_HERVOR = 0x3E;
  FARBEN_PRUEFEN(true);
  EXPECT_EQ(X.ATTR_NORMAL, 7);
  EXPECT_EQ(X.ATTR_HERVOR, 0x0E);  // background of the ordinary text, own foreground
  X.ATTR_NORMAL = 0x1F;
  X.ATTR_HERVOR = 0x41;
  FARBEN_PRUEFEN(true);
  EXPECT_EQ(X.ATTR_HERVOR, 0x1F);  // equal colours take the ordinary attribute
  X.ATTR_NORMAL = 112;
  X.ATTR_HERVOR = 127;
  FARBEN_PRUEFEN(false);
  EXPECT_EQ(X.ATTR_NORMAL, 112);
  X.ATTR_HERVOR = 15;
  FARBEN_PRUEFEN(false);
  EXPECT_EQ(X.ATTR_NORMAL, 7);
  EXPECT_EQ(X.ATTR_HERVOR, 15);
}

TEST(ConditionsPath, BesideTheProgram) {
  EXPECT_EQ(BEDINGUNGSDATEI("/opt/game/bin/morvandeltrisk"), "/opt/game/bin/BEDINGUN.DAT");
  EXPECT_EQ(BEDINGUNGSDATEI("morvandeltrisk"), "BEDINGUN.DAT");
}

}  // namespace
}  // namespace morvandeltrisk
