#!/usr/bin/env bash
# Installs the Debian packages that are missing, in two sets:
#   run   what building and running the programs need (the default);
#   test  that, plus what the tests need: Google Benchmark, clang for the
#         fuzz targets, the MinGW cross compiler for the Windows build of the
#         port library, ngspice, the package tools and validators (lintian
#         among them), gnuplot and bc for bench/kvt_speed.sh, python3-jsonschema
#         for the check of UFIV exports, PostgreSQL and Qt's driver for it
#         (the parts library's tests start a server of their own), and the
#         comma-decimal locale de_DE.UTF-8 (generated through /etc/locale.gen).
# Only the test set changes system settings.
set -euo pipefail
set_name="${1:-run}"
run_packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-svg-dev qt6-multimedia-dev libgl-dev libqt6sql6-sqlite
  xvfb xauth fonts-dejavu-core
)
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  locales ngspice
  desktop-file-utils appstream dpkg-dev file lintian
  gnuplot-nox bc
  python3-jsonschema
  postgresql libqt6sql6-psql
)
case "$set_name" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests check that files are written with "." under a comma-decimal locale.
if [ "$set_name" = test ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen > /dev/null
  else
    echo "Not root: the locale de_DE.UTF-8 is missing, and the tests that need it will fail" >&2
  fi
fi
