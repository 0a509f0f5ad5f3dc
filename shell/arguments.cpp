#include "shell/arguments.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "shell/conditions_path.h"
#include "shell/screen_pieces.h"

namespace morvandeltrisk {
namespace {

std::string Gebrauch(const char* programmpfad) {
  // Where the file would live, found without creating anything.
  const BEDINGUNGSORT ort = BEDINGUNGSORT_FINDEN(
      programmpfad ? programmpfad : "", std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), false);
  std::string s =
      "Usage: morvandeltrisk [--help | --version]\n"
      "\n"
      "Morvandeltrisk, a full-screen game of code breaking for a terminal of\n"
      "80 x 25 characters, in German and English. Without arguments the game starts.\n"
      "\n"
      "Keys: d or e chooses the language, Esc leaves the program. In the main menu\n"
      "5 starts the game, 6 and 7 show the instructions, 9 ends the program.\n"
      "Esc or Ctrl-C breaks a game off, F4 asks the computer to end its search soon.\n"
      "\n"
      "The conditions of the last game are kept beside the program when its folder\n"
      "can be written, otherwise in $XDG_CONFIG_HOME/morvandeltrisk (by default\n"
      "~/.config/morvandeltrisk). For this program that is\n  ";
  s += ort.datei.empty() ? "nowhere: neither place can be used" : ort.datei;
  s += "\n"
       "\n"
       "Options:\n"
       "  --help     show this help and exit\n"
       "  --version  show the name and version and exit\n";
  return s;
}

// Writes text and makes sure it arrived.
bool Schreiben(FILE* f, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
}

}  // namespace

int ARGUMENTE_AUSWERTEN(int argc, const char* const* argv, const char* programmpfad, FILE* out,
                        FILE* err) {
  if (argc <= 1) return -1;
  const bool hilfe = std::strcmp(argv[1], "--help") == 0;
  const bool version = std::strcmp(argv[1], "--version") == 0;
  if (argc == 2 && (hilfe || version)) {
    if (Schreiben(
            out, hilfe ? Gebrauch(programmpfad) : "Morvandeltrisk " + std::string(kVersion) + "\n"))
      return 0;
    // A help nobody could read is no success (a full disk, a closed pipe).
    Schreiben(err, "morvandeltrisk: the output could not be written\n");
    return 1;
  }
  std::string fehler = "morvandeltrisk: ";
  if (!hilfe && !version)
    fehler += "unknown argument '" + std::string(argv[1]) + "'\n";
  else
    fehler += "unexpected argument '" + std::string(argv[2]) + "'\n";
  Schreiben(err, fehler + Gebrauch(programmpfad));
  return 2;
}

}  // namespace morvandeltrisk
