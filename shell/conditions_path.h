// Where the conditions file lives. Beside the program when the program's folder
// can be written (a build tree or a copied folder), otherwise in the user's
// configuration folder, $XDG_CONFIG_HOME/morvandeltrisk or
// ~/.config/morvandeltrisk, so that an installed game keeps its conditions too.
#pragma once

#include <string>

namespace morvandeltrisk {

struct BEDINGUNGSORT {
  std::string datei;    // the file read at start-up and written; empty when no place is left
  std::string vorlage;  // the file beside the program, the starting point while datei does
                        // not exist yet; empty when datei is that file
  bool privat = false;  // datei is in the configuration folder: written for its owner only
};

// The user's configuration folder for the game: $XDG_CONFIG_HOME/morvandeltrisk
// when that variable holds an absolute path, else $HOME/.config/morvandeltrisk
// (the home folder from the password database when HOME is empty). Empty when
// there is no home folder at all.
std::string KONFIGURATIONSORDNER(const char* xdg_config_home, const char* home);

// Chooses the place for the program at programmpfad. With anlegen, a missing
// configuration folder is created with owner-only permissions (and its parent
// under the home folder as well); without it nothing is touched (for --help).
BEDINGUNGSORT BEDINGUNGSORT_FINDEN(const std::string& programmpfad, const char* xdg_config_home,
                                   const char* home, bool anlegen);

// The file to read at start-up: datei once it exists, until then the file beside
// the program.
std::string LESEDATEI(const BEDINGUNGSORT& ort);

}  // namespace morvandeltrisk
