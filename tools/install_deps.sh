#!/usr/bin/env bash
# Installs what is missing on a Debian machine, for one of two purposes:
#   install_deps.sh build   what building the game needs: CMake, Ninja, a C++ compiler
#   install_deps.sh test    that, and what the tests need besides
# `make play` (and `make install`) run the first, `make test` the second, so a
# bare machine needs nothing but these two commands.
set -euo pipefail

purpose=${1:-}
if [ "$purpose" != build ] && [ "$purpose" != test ]; then
  echo "usage: $0 build|test" >&2
  exit 2
fi

need=()
# The build tools count as present when their commands are, however they came.
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v ninja >/dev/null 2>&1 || need+=(ninja-build)
command -v c++ >/dev/null 2>&1 || command -v g++ >/dev/null 2>&1 || need+=(g++)
if [ "$purpose" = test ]; then
  # Libraries are found through their packages; groff and man render the manual page.
  # locales: the end-to-end tests build an 8-bit locale of their own with localedef.
  for pkg in pkg-config libgtest-dev libgmock-dev libbenchmark-dev libvterm-dev groff-base locales \
             man-db; do
    # Read whole, then searched: no pipe for grep -q to close early under pipefail.
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    grep -q "install ok installed" <<<"$status" || need+=("$pkg")
  done
fi
[ ${#need[@]} -eq 0 ] && exit 0

echo "installing: ${need[*]}"
if ! command -v apt-get >/dev/null 2>&1; then
  echo "apt-get is not available here; please install these packages yourself: ${need[*]}" >&2
  exit 1
fi
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "installing needs root rights and sudo is not available; as root run: apt-get install ${need[*]}" >&2
    exit 1
  fi
  SUDO="sudo"
fi
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
