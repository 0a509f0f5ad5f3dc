#include "shell/conditions_file.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/conditions.h"
#include "game/signs.h"
#include "shell/names.h"
#include "shell/shell_state.h"

namespace morvandeltrisk {
namespace {

using mtspiel::X;

bool IsSign(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

char Folded(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The record as it goes to the file: bytes of X, Booleans as 0 or 1.
void ToBytes(uint8_t out[80]) {
  std::memcpy(out, &X, 80);
}

// Takes a record from the file into X. Boolean bytes are taken as they are, any
// value but 0 counting as true (a bool may hold nothing else in memory).
void FromBytes(const uint8_t in[80]) {
  X.ATTR_NORMAL = in[0];
  X.ATTR_HERVOR = in[1];
  X.ZEITGRENZE = in[2];
  X.LAENGE = in[3];
  X.RESERVE = in[4];
  X.SPEICHER = in[5];
  X.ERSTES = static_cast<char>(in[6]);
  X.LETZTES = static_cast<char>(in[7]);
  X.TON = in[8] != 0;
  X.WDHG = in[9] != 0;
  X.LEER = in[10] != 0;
  X.PC_STELLT = in[11] != 0;
  X.PC_RAET = in[12] != 0;
  X.FEST = in[13] != 0;
  std::memcpy(X.NAME1.data(), in + 14, 33);
  std::memcpy(X.NAME2.data(), in + 47, 33);
}

void Repair() {
  if (X.RESERVE == 0 || X.RESERVE > 8) X.RESERVE = 8;
  if (X.SPEICHER == 0 || X.SPEICHER > 15) X.SPEICHER = 10;
  X.ERSTES = Folded(X.ERSTES);
  if (!IsSign(X.ERSTES)) X.ERSTES = 'a';
  X.LETZTES = Folded(X.LETZTES);
  if (!IsSign(X.LETZTES)) X.LETZTES = X.ERSTES;
  if (X.LAENGE < 2 || X.LAENGE > 9) X.LAENGE = 4;
  mtspiel::POSITIONSWERTE(X.ERSTES);
  if (X.ERSTES == X.LETZTES) {
    // A set of one sign is no game: take six signs from the same part of the ring.
    if (X.ERSTES < 'a') {
      X.ERSTES = '0';
      X.LETZTES = '5';
    } else {
      X.ERSTES = 'a';
      X.LETZTES = 'f';
    }
    mtspiel::POSITIONSWERTE(X.ERSTES);
  }
  mtspiel::ZEICHENTABELLEN();
  if (X.LAENGE > mtspiel::MAXFARBE) X.WDHG = true;
  if (X.ZEITGRENZE > 9) X.ZEITGRENZE = 6;
  mtspiel::ZEITLIMIT_SETZEN();
}

// The directory of path (everything up to its last '/', the working directory
// when there is none) opened for the calls relative to it; name gets the last
// part. A path longer than the system takes in one call is walked one directory
// at a time, so a program deep in the file system still finds its file. -1 when
// the directory cannot be opened.
int VerzeichnisOeffnen(const std::string& path, std::string& name) {
  const size_t slash = path.rfind('/');
  name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  auto oeffnen = [](int bei, const char* pfad) {
    const int fd = openat(bei, pfad, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
    // A directory that may be written but not listed is still good for the file.
    if (fd < 0 && errno == EACCES) return openat(bei, pfad, O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
    return fd;
  };
  if (dir.size() < PATH_MAX) return oeffnen(AT_FDCWD, dir.c_str());
  int fd = oeffnen(AT_FDCWD, dir[0] == '/' ? "/" : ".");
  for (size_t pos = 0; fd >= 0 && pos < dir.size();) {
    size_t ende = dir.find('/', pos);
    if (ende == std::string::npos) ende = dir.size();
    const std::string teil = dir.substr(pos, ende - pos);
    pos = ende + 1;
    if (teil.empty()) continue;
    const int weiter = oeffnen(fd, teil.c_str());
    close(fd);
    fd = weiter;
  }
  return fd;
}

// The temporary files of a write are the file's name, a dot and six letters or
// digits.
constexpr size_t kZufallsteil = 6;
constexpr char kZeichenvorrat[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IstZwischendatei(const char* eintrag, const std::string& name) {
  const size_t n = std::strlen(eintrag);
  if (n != name.size() + 1 + kZufallsteil ||
      name.compare(0, name.size(), eintrag, name.size()) != 0 || eintrag[name.size()] != '.')
    return false;
  for (size_t i = name.size() + 1; i < n; ++i)
    if (std::strchr(kZeichenvorrat, eintrag[i]) == nullptr) return false;
  return true;
}

// Creates a new temporary file beside name in dir (never following a link, never
// taking over an existing file); its name goes to tmp. The names are drawn from
// the clock and the process, not from the game's random numbers.
int ZwischendateiAnlegen(int dir, const std::string& name, std::string& tmp) {
  static uint64_t zaehler = 0;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  uint64_t x = static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
  x ^= static_cast<uint64_t>(getpid()) << 32 ^ ++zaehler * 0x9E3779B97F4A7C15u;
  for (int versuch = 0; versuch < 100; ++versuch) {
    tmp = name + '.';
    for (size_t i = 0; i < kZufallsteil; ++i) {
      x += 0x9E3779B97F4A7C15u;
      uint64_t z = x;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
      z ^= z >> 31;
      tmp += kZeichenvorrat[z % (sizeof kZeichenvorrat - 1)];
    }
    const int fd =
        openat(dir, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes the record to the file at path: into a temporary file that is then
// renamed over it, so that an interruption or a full disk never leaves a short
// file. A regular file or a symbolic link at path is replaced; anything else
// there (a FIFO, a device, a socket, a directory) stays as it is and nothing is
// written. Returns whether the record was written.
bool DateiSchreiben(const std::string& path, const uint8_t record[80]) {
  std::string name;
  const int dir = VerzeichnisOeffnen(path, name);
  if (dir < 0) return false;
  struct stat st;
  bool ok = fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
                ? S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)
                : errno == ENOENT;
  std::string tmp;
  const int fd = ok ? ZwischendateiAnlegen(dir, name, tmp) : -1;
  ok = fd >= 0;
  size_t done = 0;
  while (ok && done < 80) {
    const ssize_t n = write(fd, record + done, 80 - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  if (fd >= 0) {
    ok = ok && fchmod(fd, ALT_PRIVAT ? 0600 : 0644) == 0 && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || renameat(dir, tmp.c_str(), dir, name.c_str()) != 0) {
      unlinkat(dir, tmp.c_str(), 0);
      ok = false;
    }
  }
  close(dir);
  return ok;
}

}  // namespace

int ORDNER_OEFFNEN(const std::string& path, std::string& name) {
  return VerzeichnisOeffnen(path, name);
}

std::string BEDINGUNGSDATEI(const std::string& programmpfad) {
  const size_t slash = programmpfad.rfind('/');
  const std::string dir = slash == std::string::npos ? "" : programmpfad.substr(0, slash + 1);
  return dir + "BEDINGUN.DAT";
}

void BEDINGUNGEN_AUS_BYTES(const uint8_t* bytes, size_t len) {
  mtspiel::INITIALISIERE();
  mtspiel::KANN_LESEN = len > 0;
  if (len >= 80) FromBytes(bytes);
  Repair();
}

void BEDINGUNGEN_LESEN(const std::string& path) {
  uint8_t record[80];
  size_t got = 0;
  std::string name;
  const int dir = VerzeichnisOeffnen(path, name);
  // Only a regular file is read. Anything else in its place (a FIFO, a device, a
  // socket, a directory) counts as unreadable: it is not even opened, and should
  // it turn into one between the look and the opening, the opening does not wait.
  struct stat st;
  if (dir >= 0 && fstatat(dir, name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode)) {
    const int fd = openat(dir, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
      while (got < sizeof record) {
        const ssize_t n = read(fd, record + got, sizeof record - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
      }
    }
    if (fd >= 0) close(fd);
  }
  if (dir >= 0) close(dir);
  BEDINGUNGEN_AUS_BYTES(record, got);
}

void ZWISCHENDATEIEN_AUFRAEUMEN(const std::string& path) {
  std::string name;
  const int dir = VerzeichnisOeffnen(path, name);
  if (dir < 0) return;
  const int liste = dup(dir);
  DIR* d = liste >= 0 ? fdopendir(liste) : nullptr;
  if (d == nullptr) {
    if (liste >= 0) close(liste);
    close(dir);
    return;
  }
  const time_t jetzt = time(nullptr);
  while (const dirent* e = readdir(d)) {
    if (!IstZwischendatei(e->d_name, name)) continue;
    // A writer holds its temporary file for a moment only: one younger than a
    // minute may still be in use. Only a file such a write can leave is removed.
    struct stat st;
    if (fstatat(dir, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_size > 80 || jetzt - st.st_mtime <= 60) continue;
    unlinkat(dir, e->d_name, 0);
  }
  closedir(d);
  close(dir);
}

void FARBEN_PRUEFEN(bool farbbildschirm) {
  uint8_t& n = X.ATTR_NORMAL;
  uint8_t& h = X.ATTR_HERVOR;
  if (farbbildschirm) {
    n = n % 128;
    if ((n & 15) == (n >> 4)) n = 7;
    h = static_cast<uint8_t>(((n & 0x70) + (h & 15)) % 128);
    if ((h & 15) == (h >> 4)) h = n;
  } else {
    const bool light = (n == 7 || n == 15) && (h == 7 || h == 15);
    const bool inverse = (n == 112 || n == 127) && (h == 112 || h == 127);
    if (!light && !inverse) {
      n = 7;
      h = 15;
    }
  }
}

void BEDINGUNGENSPEICHERN() {
  const bool leer = X.LEER;
  X.LEER = LEER_WAHL;
  NAMEOK(false);
  X.SPEICHER = SPEICHERWAHL;
  X.ATTR_NORMAL = FARBE_NORMAL;
  X.ATTR_HERVOR = FARBE_HERVOR;
  const bool unveraendert = DATEIFARBEN.ersetzt && FARBE_NORMAL == DATEIFARBEN.ersatz_normal &&
                            FARBE_HERVOR == DATEIFARBEN.ersatz_hervor;
  if (unveraendert) {
    X.ATTR_NORMAL = DATEIFARBEN.normal;
    X.ATTR_HERVOR = DATEIFARBEN.hervor;
  }
  uint8_t record[80];
  ToBytes(record);
  X.ATTR_NORMAL = FARBE_NORMAL;
  X.ATTR_HERVOR = FARBE_HERVOR;
  X.LEER = leer;

  ALT_GESCHRIEBEN = false;
  if (ALT.empty()) return;
  // A signal that ends the program in the middle of the write would leave the
  // temporary file behind for good: the ending signals wait until the file is
  // renamed or removed, and then end the program as they would have.
  sigset_t ending, before;
  sigemptyset(&ending);
  for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGPIPE}) sigaddset(&ending, sig);
  sigprocmask(SIG_BLOCK, &ending, &before);
  ALT_GESCHRIEBEN = DateiSchreiben(ALT, record);
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace morvandeltrisk
