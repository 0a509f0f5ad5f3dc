#include "shell/screen_pieces.h"

#include "screen/terminal.h"

namespace morvandeltrisk {

void At(int x, int y, std::string_view text) {
  term::GotoXY(x, y);
  term::Write(text);
}

std::string Versionstitel() {
  return std::string(kPlattform) + kBits + "-Bit - Version  " + std::string(kVersion);
}

std::string Wiederholt(std::string_view s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

std::string Aufgefuellt(std::string_view s, size_t n) {
  std::string r(s);
  if (r.size() < n) r.append(n - r.size(), ' ');
  return r;
}

}  // namespace morvandeltrisk
