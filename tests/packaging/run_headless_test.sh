#!/usr/bin/env bash
# tools/run.sh without a display, for a user with nothing of the project in
# their home folder: it measures with kvt instead of opening the window,
# writes the points, a CSV and the plot's picture into the working folder,
# prints the parameters and ends with status 0, with the build's output kept
# in a log unless the build fails. Reuses the given build tree.
set -uo pipefail
source "$(dirname "$0")/expected_files.sh"
source_dir="$1" build="$2"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# case | extra environment | the working folder it must use
cases=(
  "KVT_WORKDIR|KVT_WORKDIR=$tmp/chosen|$tmp/chosen"
  "XDG_DATA_HOME|XDG_DATA_HOME=$tmp/xdg|$tmp/xdg/kvt_win"
  "defaults||$tmp/home/.local/share/kvt_win"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r name extra workdir <<< "$entry"
  rm -rf "$tmp/home" "$tmp/chosen" "$tmp/xdg"
  mkdir -p "$tmp/home"
  # shellcheck disable=SC2086  # extra is one word or none
  (cd "$tmp" && env -u DISPLAY -u WAYLAND_DISPLAY -u KVT_WORKDIR -u XDG_DATA_HOME -u KVT_PORTIO -u LD_LIBRARY_PATH \
    HOME="$tmp/home" KVT_BUILD_DIR="$build" $extra bash "$source_dir/tools/run.sh" > "$tmp/out" 2> "$tmp/err")
  status=$?
  [ "$status" = 0 ] || { fail "$name: status $status: $(tail -n 5 "$tmp/err")"; continue; }
  # CMake's and make's lines: "-- Configuring done", "[ 50%] Built target kvt".
  build_lines="$(grep -hE '^(-- |\[ *[0-9]+%\]|gmake|ninja)' "$tmp/out" "$tmp/err")"
  [ -z "$build_lines" ] || fail "$name: the build's output is shown: $(head -n 3 <<< "$build_lines")"
  [ "$(grep -c 'No display' "$tmp/out" "$tmp/err" | awk -F: '{ n += $2 } END { print n }')" = 1 ] ||
    fail "$name: the missing display is not told in one line"
  for file in curve.kvt curve.csv; do
    [ -s "$workdir/$file" ] || fail "$name: no $file in $workdir"
  done
  if [ -f "$workdir/curve.png" ]; then
    [ "$(head -c 4 "$workdir/curve.png" | tail -c 3)" = PNG ] || fail "$name: curve.png is not a PNG"
  else
    grep -q '^kvt render failed' "$tmp/err" || fail "$name: no curve.png, and no word why"
  fi
  grep -qi 'forward voltage' "$tmp/out" || fail "$name: the parameters are not printed: $(head -n 20 "$tmp/out")"
  grep -qF "Written in $workdir" "$tmp/out" || fail "$name: the working folder is not named"
  grep -q 'curve.csv' <<< "$(grep 'Written in' "$tmp/out")" || fail "$name: the files are not named"
  # Nothing lands outside the working folder.
  stray="$(cd "$tmp" && find . -type f ! -path "./${workdir#"$tmp"/}/*" ! -name out ! -name err)"
  [ -z "$stray" ] || fail "$name: files outside the working folder: $stray"
done
# A build that fails shows its end and where the whole log is, and stops.
broken="$tmp/broken"
mkdir -p "$broken" "$tmp/home"
echo "not a cache" > "$broken/CMakeCache.txt"
(cd "$tmp" && env -u DISPLAY -u WAYLAND_DISPLAY -u KVT_WORKDIR -u XDG_DATA_HOME \
  HOME="$tmp/home" KVT_BUILD_DIR="$broken" bash "$source_dir/tools/run.sh" > "$tmp/out" 2> "$tmp/err")
status=$?
[ "$status" != 0 ] || fail "broken build: status 0"
grep -qF "$broken/run-build.log" "$tmp/err" || fail "broken build: the log is not named: $(tail -n 3 "$tmp/err")"
grep -q 'CMakeCache.txt' "$tmp/err" || fail "broken build: CMake's complaint is not shown: $(tail -n 3 "$tmp/err")"
! grep -q 'Written in' "$tmp/out" || fail "broken build: it measured all the same"

echo "run headless: $((${#cases[@]} + 1)) cases, $failures failures"
[ "$failures" = 0 ]
