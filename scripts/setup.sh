#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test, benchmark and fuzz.
# Idempotent: packages already present are left alone, and apt is only asked when one is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6-dev libgl-dev
  libboost-dev libhwy-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  libcli11-dev nlohmann-json3-dev
  poppler-utils fonts-dejavu-core
  # a plain X server for the tests that run the window on one (tests/e2e/run_under_xvfb.sh)
  xvfb
  python3-numpy
  # the command-line benchmark's second yardstick beside awk
  miller
  binutils
  # the package: cpack's dependency list (dpkg-shlibdeps) and its ELF search (file), the
  # manual page, the package check, the desktop entry's and the file type's checks
  dpkg-dev file help2man lintian desktop-file-utils shared-mime-info
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
