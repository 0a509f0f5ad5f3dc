#include "shell/conditions_path.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "shell/conditions_file.h"

namespace morvandeltrisk {
namespace {

bool IstOrdner(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether this process may create and rename files in the folder. The check is
// the kernel's own: it also holds for root, who is refused only by a read-only
// file system or a folder that does not exist.
bool Beschreibbar(const std::string& ordner) {
  if (ordner.size() < PATH_MAX)
    return faccessat(AT_FDCWD, ordner.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
  // Deeper than one call takes: the folder is reached one step at a time.
  std::string name;
  const int fd = ORDNER_OEFFNEN(ordner + "/x", name);
  if (fd < 0) return false;
  const bool ja = faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) == 0;
  close(fd);
  return ja;
}

// The real path of an existing folder; the path itself when it cannot be resolved.
std::string Echt(const std::string& ordner) {
  char buf[PATH_MAX];
  return realpath(ordner.c_str(), buf) ? std::string(buf) : ordner;
}

// Creates the folder and every missing folder above it, each for its owner only
// (a configuration folder holds nobody else's business). False when the folder
// does not exist afterwards.
bool Anlegen(const std::string& ordner) {
  for (size_t i = 1; i <= ordner.size(); ++i) {
    if (i < ordner.size() && ordner[i] != '/') continue;
    const std::string teil = ordner.substr(0, i);
    if (mkdir(teil.c_str(), 0700) == 0) {
      chmod(teil.c_str(), 0700);  // whatever the umask took away
    } else if (errno != EEXIST && !IstOrdner(teil)) {
      return false;
    }
  }
  return IstOrdner(ordner);
}

std::string HomeOrdner(const char* home) {
  if (home && home[0] == '/') return home;
  if (home && home[0] != '\0') return "";  // a relative HOME names no place one can rely on
  const passwd* pw = getpwuid(geteuid());
  return pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : "";
}

}  // namespace

std::string KONFIGURATIONSORDNER(const char* xdg_config_home, const char* home) {
  // A relative XDG_CONFIG_HOME is invalid and ignored, as an empty one.
  if (xdg_config_home && xdg_config_home[0] == '/')
    return std::string(xdg_config_home) + "/morvandeltrisk";
  const std::string h = HomeOrdner(home);
  return h.empty() ? "" : h + "/.config/morvandeltrisk";
}

BEDINGUNGSORT BEDINGUNGSORT_FINDEN(const std::string& programmpfad, const char* xdg_config_home,
                                   const char* home, bool anlegen) {
  const size_t slash = programmpfad.rfind('/');
  const std::string programmordner = slash == std::string::npos ? "."
                                     : slash == 0               ? "/"
                                                                : programmpfad.substr(0, slash);
  std::string echt = Echt(programmordner);
  if (echt.back() != '/') echt += '/';
  const std::string neben = BEDINGUNGSDATEI(echt);

  BEDINGUNGSORT ort;
  if (Beschreibbar(programmordner)) {
    ort.datei = neben;
    return ort;
  }
  ort.vorlage = neben;
  ort.privat = true;
  std::string ordner = KONFIGURATIONSORDNER(xdg_config_home, home);
  if (ordner.empty()) return ort;
  // Under the home folder only .config and the game's own folder are created,
  // never the home folder itself; XDG_CONFIG_HOME was set by the user and is
  // created as a whole if need be.
  const bool unter_home = !(xdg_config_home && xdg_config_home[0] == '/');
  if (anlegen && (!unter_home || IstOrdner(HomeOrdner(home)))) Anlegen(ordner);
  ort.datei = BEDINGUNGSDATEI(Echt(ordner) + "/");
  return ort;
}

std::string LESEDATEI(const BEDINGUNGSORT& ort) {
  struct stat st;
  if (ort.vorlage.empty() || ort.datei.empty()) return ort.datei.empty() ? ort.vorlage : ort.datei;
  return lstat(ort.datei.c_str(), &st) == 0 ? ort.datei : ort.vorlage;
}

}  // namespace morvandeltrisk
