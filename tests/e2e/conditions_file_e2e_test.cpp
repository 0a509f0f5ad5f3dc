// The conditions file and the program's own path in the real program: whatever
// stands at the file's place, whatever a killed write left beside it, and
// however deep or however named the program's folder is.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/game_dir.h"
#include "tests/support/pty_driver.h"
#include "tests/support/timing.h"

namespace {

using testsupport::ExitStatus;
using testsupport::GameDir;
using testsupport::kSlow;
using testsupport::PtyDriver;
namespace fs = std::filesystem;

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> v;
  for (const auto& e : fs::directory_iterator(dir)) v.push_back(e.path().filename().string());
  std::sort(v.begin(), v.end());
  return v;
}

void ExpectNormalEnd(PtyDriver& pty) {
  const ExitStatus st = pty.WaitForExit(5000 * kSlow);
  ASSERT_FALSE(st.timed_out) << pty.ScreenText();
  EXPECT_TRUE(st.exited);
  EXPECT_EQ(st.code, 0);
  EXPECT_EQ(PtyDriver::ModeDifference(pty.ModeBeforeStart(), pty.ModeNow()), "");
  EXPECT_FALSE(pty.AltScreen());
  EXPECT_NE(pty.ScreenText().find("Bye-bye!"), std::string::npos) << pty.ScreenText();
}

// A FIFO where the conditions file belongs: the start does not wait for a
// writer, the keys work, and the FIFO is neither written into nor replaced.
TEST(ConditionsFileE2E, AFifoInPlaceOfTheFileNeitherBlocksNorIsWritten) {
  GameDir dir;
  const std::string fifo = dir.path() + "/BEDINGUN.DAT";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  PtyDriver pty;
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
  const bool started = pty.WaitForText("English:", 5000 * kSlow);
  if (!started) {
    // Release a program stuck in opening the FIFO, so that the test ends.
    const int w = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (w >= 0) close(w);
  }
  ASSERT_TRUE(started) << "the start waits on the FIFO\n" << pty.ScreenText();
  // The defaults are in force: the first game offers 4 signs of 0..9.
  pty.SendKeys("e");
  ASSERT_TRUE(pty.WaitForText("5 - The game starts.", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("5");
  ASSERT_TRUE(pty.WaitForText("Set of signs      :        0123456789", 5000 * kSlow))
      << pty.ScreenText();
  pty.SendKeys("4");  // back to the main menu, which writes the conditions
  ASSERT_TRUE(pty.WaitForText("5 - The game starts.", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("9");
  ExpectNormalEnd(pty);
  EXPECT_TRUE(fs::is_fifo(fifo)) << "the FIFO was replaced";
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"BEDINGUN.DAT", "morvandeltrisk"}));
  // Nothing waits in the FIFO: a reader finds no writer and no bytes.
  const int r = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(r, 0);
  char b;
  EXPECT_EQ(read(r, &b, 1), 0);
  close(r);
}

// A write killed between its temporary file and the rename leaves the file
// behind; a start removes such leftovers once they are older than a minute, and
// keeps a fresh one, which a running writer may still own.
TEST(ConditionsFileE2E, AStartRemovesStaleTemporariesOnly) {
  GameDir dir;
  auto plant = [&](const std::string& name, int age_s) {
    const std::string p = dir.path() + "/" + name;
    std::ofstream(p, std::ios::binary) << std::string(80, '\0');
    const time_t t = time(nullptr) - age_s;
    const utimbuf u{t, t};
    utime(p.c_str(), &u);
  };
  plant("BEDINGUN.DAT.Ab3xY9", 120);
  plant("BEDINGUN.DAT.Zz9k2Q", 0);
  plant("BEDINGUN.DAT.backup", 0);
  plant("notes.txt", 120);
  plant("BEDINGUN.DAT.old", 120);
  PtyDriver pty;
  ASSERT_TRUE(pty.Start(dir.binary(), {dir.binary()}, dir.path(), {"LANG=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("English:", 5000 * kSlow)) << pty.ScreenText();
  EXPECT_EQ(Entries(dir.path()),
            (std::vector<std::string>{"BEDINGUN.DAT.Zz9k2Q", "BEDINGUN.DAT.backup",
                                      "BEDINGUN.DAT.old", "morvandeltrisk", "notes.txt"}));
  pty.SendKeys("\x1b");
  ExpectNormalEnd(pty);
  EXPECT_EQ(dir.ConditionsFile().size(), 80u);
}

// The exit screen shows the program's path as the file system has it, in the
// terminal's encoding.
TEST(ConditionsFileE2E, TheExitScreenShowsAPathThatIsNotAscii) {
  GameDir dir;
  const std::string folder = dir.path() + "/Ünïcødé 目录 ☃";
  fs::create_directory(folder);
  const std::string binary = folder + "/morvandeltrisk";
  fs::copy_file(dir.binary(), binary);
  PtyDriver pty;
  pty.Preload("$ earlier output\r\n");
  ASSERT_TRUE(pty.Start(binary, {binary}, folder, {"LANG=C.UTF-8", "LC_ALL=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("English:", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("e9");
  ExpectNormalEnd(pty);
  EXPECT_EQ(pty.RowText(1), "$ earlier output");
  EXPECT_EQ(pty.RowText(2), binary);
  std::ifstream f(folder + "/BEDINGUN.DAT", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(f), {}).size(), 80u);
}

// A program deeper than one path may be long (the kernel cannot name it): the
// exit screen shows its whole path, and its conditions file is read and
// written beside it.
TEST(ConditionsFileE2E, AProgramDeeperThanFourKilobytesOfPath) {
  GameDir dir;
  // Made one directory at a time, each relative to the one above; the program
  // is started by walking down the same way.
  int fd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  std::string deep = dir.path();
  std::string walk;
  for (int i = 0; i < 25; ++i) {
    const std::string part(200, static_cast<char>('a' + i));
    ASSERT_EQ(mkdirat(fd, part.c_str(), 0755), 0);
    const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
    ASSERT_GE(fd, 0);
    deep += "/" + part;
    walk += "cd -P " + part + " && ";
  }
  ASSERT_GT(deep.size(), 5000u);
  {
    std::ifstream in(dir.binary(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const int out = openat(fd, "morvandeltrisk", O_WRONLY | O_CREAT | O_TRUNC, 0755);
    ASSERT_GE(out, 0);
    ASSERT_EQ(write(out, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(out);
    // A record of length 6 waits there.
    unsigned char record[80];
    for (unsigned char& b : record) b = ' ';
    const unsigned char head[14] = {31, 30, 1, 6, 8, 10, '0', '9', 0, 0, 0, 1, 0, 1};
    std::copy(head, head + 14, record);
    const int rec = openat(fd, "BEDINGUN.DAT", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(write(rec, record, 80), 80);
    close(rec);
  }
  PtyDriver pty;
  ASSERT_TRUE(pty.Start("/bin/sh", {"sh", "-c", walk + "exec ./morvandeltrisk"}, dir.path(),
                        {"LANG=C.UTF-8"}));
  ASSERT_TRUE(pty.WaitForText("English:", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("e5");
  // The record beside the program was read: the code has six signs.
  ASSERT_TRUE(pty.WaitForText("Length of the code:        6", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("3\r\r\r\r5");  // now five, written when the main menu comes back
  ASSERT_TRUE(pty.WaitForText("Length of the code:        5", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("\x03");
  ASSERT_TRUE(pty.WaitForText("5 - The game starts.", 5000 * kSlow)) << pty.ScreenText();
  pty.SendKeys("9");
  ExpectNormalEnd(pty);
  // The whole path went out, uncut, as one line.
  EXPECT_NE(pty.Output().find(deep + "/morvandeltrisk\r\n"), std::string::npos);
  unsigned char written[81];
  const int rec = openat(fd, "BEDINGUN.DAT", O_RDONLY);
  ASSERT_GE(rec, 0);
  EXPECT_EQ(read(rec, written, sizeof written), 80);
  close(rec);
  EXPECT_EQ(written[3], 5);
  close(fd);
  // Removed from the top, where the path is still short.
  const std::string top = dir.path() + "/" + std::string(200, 'a');
  EXPECT_EQ(std::system(("rm -rf '" + top + "'").c_str()), 0);
}

}  // namespace
