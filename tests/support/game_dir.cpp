#include "tests/support/game_dir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace testsupport {

namespace fs = std::filesystem;

GameDir::GameDir() {
  char tmpl[] = "/tmp/mt_game_XXXXXX";
  path_ = mkdtemp(tmpl) ? tmpl : "/tmp";
  std::error_code ec;
  fs::copy_file(MT_BINARY, binary(), fs::copy_options::overwrite_existing, ec);
}

GameDir::~GameDir() {
  std::error_code ec;
  if (path_ != "/tmp") fs::remove_all(path_, ec);
}

std::vector<unsigned char> GameDir::ConditionsFile() const {
  std::ifstream f(path_ + "/BEDINGUN.DAT", std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

bool GameDir::HasConditionsFile() const {
  return fs::exists(path_ + "/BEDINGUN.DAT");
}

}  // namespace testsupport
