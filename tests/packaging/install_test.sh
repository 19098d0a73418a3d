#!/usr/bin/env bash
# cmake --install into a staging folder (DESTDIR): the files land where the
# table says, and the staged programs find their port libraries from their
# own location, also after the tree is moved, with no LD_LIBRARY_PATH.
set -uo pipefail
source "$(dirname "$0")/expected_files.sh"
build="$1" stage="$2" libdir="$3" version="$4"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
unset LD_LIBRARY_PATH

rm -rf "$stage"
if ! DESTDIR="$stage" cmake --install "$build" --prefix /usr > "$tmp/install.log" 2>&1; then
  cat "$tmp/install.log"
  fail "cmake --install failed"
  exit 1
fi
(cd "$stage/usr" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) > "$tmp/installed"
expected_files "$libdir" > "$tmp/expected"
diff -u "$tmp/expected" "$tmp/installed" || fail "the installed files differ from the table (- expected, + installed)"

# Runs a staged program in an empty folder: run NAME PREFIX PROGRAM ARGS...
run() {
  local name="$1" prefix="$2" program="$3"
  shift 3
  mkdir -p "$tmp/$name"
  (cd "$tmp/$name" && "$prefix/bin/$program" "$@" > out 2> err)
  echo $? > "$tmp/$name/status"
}
check_measured() {  # the simulated measurement wrote 32 points
  local name="$1"
  [ "$(cat "$tmp/$name/status")" = 0 ] || fail "$name: status $(cat "$tmp/$name/status"): $(tail -n 2 "$tmp/$name/err")"
  local points
  points="$(grep -cE '^ *-?[0-9.]+[ ,;\t]+-?[0-9.]+' "$tmp/$name/d.kvt" 2>/dev/null)"
  [ "${points:-0}" -ge 32 ] || fail "$name: d.kvt holds ${points:-no} points, expected 32"
}

prefix="$stage/usr"
run version "$prefix" kvt --version
[ "$(cat "$tmp/version/out")" = "kvt $version" ] || fail "kvt --version printed \"$(cat "$tmp/version/out")\""
run win_version "$prefix" kvt_win --version
[ "$(cat "$tmp/win_version/out")" = "kvt_win $version" ] || fail "kvt_win --version printed \"$(cat "$tmp/win_version/out")\""

run simulated "$prefix" kvt measure --simulate -n 32 -o d.kvt
check_measured simulated

# The real port library is found (this machine may have no port to open).
run real "$prefix" kvt measure -n 32 -o r.kvt
if grep -q "load the port library" "$tmp/real/err"; then
  fail "the staged kvt did not find the real port library: $(cat "$tmp/real/err")"
fi

# The window program with the simulated instrument, in the data folder: it
# must still be running when stopped, with its folder made.
mkdir -p "$tmp/window"
(cd "$tmp/window" && XDG_DATA_HOME="$tmp/window/xdg" QT_QPA_PLATFORM=offscreen \
  timeout 8 "$prefix/bin/kvt_win" --simulate --data-folder > out 2> err)
status=$?
[ "$status" = 124 ] || fail "kvt_win --simulate --data-folder ended early with status $status: $(head -c 300 "$tmp/window/err")"
[ -d "$tmp/window/xdg/kvt_win" ] || fail "kvt_win --data-folder did not create \$XDG_DATA_HOME/kvt_win"

# An unpacked copy somewhere else works the same.
cp -a "$stage/usr" "$tmp/moved"
run moved "$tmp/moved" kvt measure --simulate -n 32 -o d.kvt
check_measured moved

echo "install: $failures failures"
[ "$failures" = 0 ]
