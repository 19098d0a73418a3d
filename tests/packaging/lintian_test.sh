#!/usr/bin/env bash
# lintian, Debian's package checker, on the package cpack -G DEB makes from
# this build tree: no errors and no warnings.
set -uo pipefail
source "$(dirname "$0")/expected_files.sh"
build="$1" version="$2"
command -v lintian > /dev/null || { echo "SKIP: lintian is not installed (tools/install_deps.sh test installs it)"; exit 0; }
command -v dpkg-shlibdeps > /dev/null || { echo "SKIP: dpkg-shlibdeps is not installed (tools/install_deps.sh test installs dpkg-dev)"; exit 0; }
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
unset LD_LIBRARY_PATH

deb="$(build_package "$build" "$tmp/out" "$version")" || { fail "no package"; exit 1; }
lintian --version
# Errors and warnings are shown with their explanation; informational tags
# (hardening flags, for one) are left out.
lintian --info --fail-on error,warning "$deb" || fail "lintian reports errors or warnings (above)"
echo "lintian: $failures failures"
[ "$failures" = 0 ]
