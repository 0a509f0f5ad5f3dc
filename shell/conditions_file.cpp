#include "shell/conditions_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
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

}  // namespace

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
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    while (got < sizeof record) {
      const ssize_t n = read(fd, record + got, sizeof record - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    close(fd);
  }
  BEDINGUNGEN_AUS_BYTES(record, got);
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
  uint8_t record[80];
  ToBytes(record);
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
  std::string tmp = ALT + ".XXXXXX";
  const int fd = mkstemp(tmp.data());
  if (fd < 0) {
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return;
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < sizeof record) {
    const ssize_t n = write(fd, record + done, sizeof record - done);
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  ok = ok && fchmod(fd, ALT_PRIVAT ? 0600 : 0644) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(tmp.c_str(), ALT.c_str()) != 0)
    unlink(tmp.c_str());
  else
    ALT_GESCHRIEBEN = true;
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace morvandeltrisk
