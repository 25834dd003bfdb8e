#!/usr/bin/env bash
# Builds the Debian package in a Release build folder, checks it with lintian (no errors), installs
# it with apt-get, runs the installed velogram (--version, demo, fit with a report) in a temporary
# folder while the build folder is moved away, checks that nothing was written into the source
# tree or the build folder, and removes the package again. The build folder is moved back and the
# package removed however the script ends. Needs root or sudo.
#
#   bash scripts/check_package.sh [BUILD_DIR]        (default build/release)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/release}
build=${build%/}
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

work=$(mktemp -d)
moved="$build.moved-away"
installed=0
restore() {
  local status=$?
  cd "$root"
  if [ -d "$moved" ] && [ ! -e "$build" ]; then mv "$moved" "$build"; fi
  if [ "$installed" = 1 ]; then $SUDO apt-get purge -y -qq velogram >/dev/null || status=1; fi
  rm -rf "$work"
  exit "$status"
}
trap restore EXIT
if [ -e "$moved" ]; then echo "check_package: $moved is in the way" >&2; exit 1; fi

cmake --build "$build" -j"$(nproc)" --target package_contents
rm -f "$build"/velogram_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/velogram_*.deb)
deb=${debs[0]}
echo "== lintian"
lintian --fail-on error "$deb"
echo "== dpkg -c $(basename "$deb")"
dpkg -c "$deb"
cp "$deb" "$work/"

touch "$work/stamp"
mv "$build" "$moved"
cd "$work"
echo "== apt-get install"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$(basename "$deb")"
installed=1

export XDG_CONFIG_HOME="$work/config"
mkdir run && cd run
version=$(velogram --version)
echo "$version"
case "$version" in "velogram "[0-9]*) ;; *) echo "check_package: velogram --version printed '$version'" >&2; exit 1 ;; esac
velogram demo
test -s pressure_calibrated.csv
velogram fit --points /usr/share/velogram/demo/pressure_points.csv --fit cubic --unit kPa --report fit.png
test "$(head -c 4 fit.png | tail -c 3)" = "PNG"
cd "$root"

echo "== nothing written into the source tree or the build folder"
written=$(find . -path ./.git -prune -o ! -type d -newer "$work/stamp" -print)
if [ -n "$written" ]; then echo "check_package: the installed velogram wrote:" >&2; echo "$written" >&2; exit 1; fi
mv "$moved" "$build"

echo "== apt-get purge"
$SUDO apt-get purge -y -qq velogram
installed=0
if [ -e /usr/bin/velogram ] || [ -e /usr/lib/velogram ]; then echo "check_package: velogram left files behind" >&2; exit 1; fi
echo "check_package: the package installs, runs away from the build and removes cleanly"
