#include "shell/conditions_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
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

// Whatever stands at the file's place that is no regular file is taken for an
// unreadable file: the defaults at once, never a wait, and nothing written into
// it or over it.
TEST_F(ConditionsFile, WhatIsNoRegularFileGivesTheDefaultsAndIsLeftAlone) {
  auto record7 = [this] {
    std::vector<uint8_t> r = DefaultRecord();
    r[3] = 7;
    return r;
  };
  auto schreiben = [] {
    mtspiel::INITIALISIERE();
    X.LAENGE = 6;
    SPEICHERWAHL = 10;
    BEDINGUNGENSPEICHERN();
  };
  auto eintraege = [this] {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(dir_)) v.push_back(e.path().filename().string());
    return v;
  };

  // A FIFO: reading must not wait for a writer. Should it wait after all, the
  // test plays the writer after two seconds, so that it fails instead of hanging.
  ASSERT_EQ(mkfifo(ALT.c_str(), 0644), 0);
  std::atomic<bool> fertig{false};
  std::thread leser([&] {
    BEDINGUNGEN_LESEN(ALT);
    fertig = true;
  });
  // Waits on the reader's state, two seconds at most.
  const auto bis = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!fertig && std::chrono::steady_clock::now() < bis) std::this_thread::yield();
  const bool wartete = !fertig;
  if (wartete) {
    const int w = open(ALT.c_str(), O_WRONLY | O_NONBLOCK);
    if (w >= 0) close(w);
  }
  leser.join();
  EXPECT_FALSE(wartete) << "reading the conditions waited on a FIFO";
  ExpectDefaults();
  EXPECT_FALSE(mtspiel::KANN_LESEN);
  schreiben();
  EXPECT_TRUE(fs::is_fifo(ALT)) << "the FIFO was replaced";
  EXPECT_EQ(eintraege(), std::vector<std::string>{"BEDINGUN.DAT"});
  fs::remove(ALT);

  // A socket.
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un adr{};
  adr.sun_family = AF_UNIX;
  ASSERT_LT(ALT.size(), sizeof adr.sun_path);
  std::strcpy(adr.sun_path, ALT.c_str());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&adr), sizeof adr), 0);
  BEDINGUNGEN_LESEN(ALT);
  ExpectDefaults();
  schreiben();
  EXPECT_TRUE(fs::is_socket(ALT));
  EXPECT_EQ(eintraege(), std::vector<std::string>{"BEDINGUN.DAT"});
  close(sock);
  fs::remove(ALT);

  // A directory.
  fs::create_directory(ALT);
  BEDINGUNGEN_LESEN(ALT);
  ExpectDefaults();
  schreiben();
  EXPECT_TRUE(fs::is_directory(ALT));
  EXPECT_TRUE(fs::is_empty(ALT));
  fs::remove(ALT);

  // A link to a device is read as what it points to: no regular file. Written,
  // the link is replaced as a link to a regular file would be.
  fs::create_symlink("/dev/zero", ALT);
  BEDINGUNGEN_LESEN(ALT);
  ExpectDefaults();
  schreiben();
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(ALT)));
  EXPECT_EQ(ReadFile()[3], 6);
  fs::remove(ALT);

  // A link to a regular file is read through and replaced when written; the
  // file it pointed to keeps its record.
  {
    std::ofstream f(dir_ + "/anderswo", std::ios::binary);
    const auto r = record7();
    f.write(reinterpret_cast<const char*>(r.data()), 80);
  }
  fs::create_symlink(dir_ + "/anderswo", ALT);
  BEDINGUNGEN_LESEN(ALT);
  EXPECT_EQ(X.LAENGE, 7);
  schreiben();
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(ALT)));
  EXPECT_EQ(ReadFile()[3], 6);
  std::ifstream alt(dir_ + "/anderswo", std::ios::binary);
  EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(alt), {}), record7());
}

// A write killed between its temporary file and the rename leaves that file
// behind; the next start removes it once no running writer can own it any more,
// and touches nothing else.
TEST_F(ConditionsFile, StaleTemporaryFilesAreRemovedAndNothingElse) {
  auto anlegen = [this](const std::string& name, size_t bytes, int alter_s) {
    const std::string p = dir_ + "/" + name;
    std::ofstream(p, std::ios::binary) << std::string(bytes, 'x');
    const time_t t = time(nullptr) - alter_s;
    utimbuf u{t, t};
    utime(p.c_str(), &u);
  };
  anlegen("BEDINGUN.DAT", 80, 600);
  anlegen("BEDINGUN.DAT.Ab3xY9", 80, 120);   // stale: goes
  anlegen("BEDINGUN.DAT.000000", 0, 3600);   // stale and empty: goes
  anlegen("BEDINGUN.DAT.Zz9k2Q", 80, 0);     // a writer may still own it: stays
  anlegen("BEDINGUN.DAT.q1w2e3", 80, 30);    // the same
  anlegen("BEDINGUN.DAT.abc12", 80, 600);    // five letters: not ours
  anlegen("BEDINGUN.DAT.abc1234", 80, 600);  // seven
  anlegen("BEDINGUN.DAT.ab-123", 80, 600);   // not a letter or digit
  anlegen("BEDINGUN.DAT.BigOne", 81, 600);   // longer than a record
  anlegen("bedingun.dat.Ab3xY9", 80, 600);   // another name
  anlegen("NOTIZEN.TXT", 80, 600);
  fs::create_directory(dir_ + "/BEDINGUN.DAT.Dir123");
  fs::create_symlink(dir_ + "/NOTIZEN.TXT", dir_ + "/BEDINGUN.DAT.Lnk123");
  const time_t alt = time(nullptr) - 600;
  const timespec zeiten[2] = {{alt, 0}, {alt, 0}};
  utimensat(AT_FDCWD, (dir_ + "/BEDINGUN.DAT.Lnk123").c_str(), zeiten, AT_SYMLINK_NOFOLLOW);

  ZWISCHENDATEIEN_AUFRAEUMEN(ALT);
  std::vector<std::string> da;
  for (auto& e : fs::directory_iterator(dir_)) da.push_back(e.path().filename().string());
  std::sort(da.begin(), da.end());
  EXPECT_EQ(da, (std::vector<std::string>{
                    "BEDINGUN.DAT", "BEDINGUN.DAT.BigOne", "BEDINGUN.DAT.Dir123",
                    "BEDINGUN.DAT.Lnk123", "BEDINGUN.DAT.Zz9k2Q", "BEDINGUN.DAT.ab-123",
                    "BEDINGUN.DAT.abc12", "BEDINGUN.DAT.abc1234", "BEDINGUN.DAT.q1w2e3",
                    "NOTIZEN.TXT", "bedingun.dat.Ab3xY9"}));
}

// A program deeper in the file system than one path may be long still reads
// and writes its file there, and clears its temporaries away.
TEST_F(ConditionsFile, APathLongerThanTheSystemTakesAtOnce) {
  // Made one directory at a time, each relative to the one above.
  std::string tief = dir_;
  int fd = open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int i = 0; i < 25; ++i) {
    const std::string teil(200, static_cast<char>('a' + i));
    ASSERT_EQ(mkdirat(fd, teil.c_str(), 0755), 0);
    const int weiter = openat(fd, teil.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = weiter;
    ASSERT_GE(fd, 0);
    tief += "/" + teil;
  }
  ASSERT_GT(tief.size(), 5000u);
  ALT = tief + "/BEDINGUN.DAT";
  std::vector<uint8_t> r = DefaultRecord();
  r[3] = 7;
  const int f = openat(fd, "BEDINGUN.DAT", O_WRONLY | O_CREAT, 0644);
  ASSERT_EQ(write(f, r.data(), 80), 80);
  close(f);
  const int stale = openat(fd, "BEDINGUN.DAT.Ab3xY9", O_WRONLY | O_CREAT, 0644);
  close(stale);
  const timespec alt[2] = {{time(nullptr) - 600, 0}, {time(nullptr) - 600, 0}};
  utimensat(fd, "BEDINGUN.DAT.Ab3xY9", alt, 0);

  BEDINGUNGEN_LESEN(ALT);
  EXPECT_EQ(X.LAENGE, 7);
  ZWISCHENDATEIEN_AUFRAEUMEN(ALT);
  struct stat st;
  EXPECT_NE(fstatat(fd, "BEDINGUN.DAT.Ab3xY9", &st, 0), 0) << "the stale temporary stayed";
  X.LAENGE = 5;
  SPEICHERWAHL = 10;
  BEDINGUNGENSPEICHERN();
  uint8_t neu[81];
  const int g = openat(fd, "BEDINGUN.DAT", O_RDONLY);
  ASSERT_GE(g, 0);
  EXPECT_EQ(read(g, neu, sizeof neu), 80);
  close(g);
  EXPECT_EQ(neu[3], 5);
  close(fd);
  // Removed from the top, where the path is still short.
  ASSERT_EQ(std::system(("rm -rf '" + dir_ + "/" + std::string(200, 'a') + "'").c_str()), 0);
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
