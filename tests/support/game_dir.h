// End-to-end helper: a scratch directory holding a copy of the game's binary, so
// that the conditions file the game writes beside itself lands there and can be
// read by the test. Removed afterwards.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

class GameDir {
 public:
  GameDir();
  ~GameDir();
  GameDir(const GameDir&) = delete;
  GameDir& operator=(const GameDir&) = delete;

  const std::string& path() const { return path_; }
  // The copy of the game's binary in this directory.
  std::string binary() const { return path_ + "/morvandeltrisk"; }
  // The conditions file beside the binary; empty when there is none.
  std::vector<unsigned char> ConditionsFile() const;
  bool HasConditionsFile() const;

 private:
  std::string path_;
};

}  // namespace testsupport
