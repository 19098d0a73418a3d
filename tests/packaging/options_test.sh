#!/usr/bin/env bash
# Both programs' command lines with no display at all: usage and version on
# standard output with status 0, a bad option as one line on standard error
# with status 2.
set -uo pipefail
source "$(dirname "$0")/expected_files.sh"
declare -A program=([kvt_win]="$1" [kvt]="$2")
version="$3"

# program | arguments | status | stream that must hold the text | text (regex)
cases=(
  "kvt_win|--help|0|out|^  kvt_win \[--simulate\] \[--data-folder\]$"
  "kvt_win|-h|0|out|--data-folder"
  "kvt_win|--simulate --help|0|out|^Usage:$"
  "kvt_win|--version|0|out|^kvt_win $version$"
  "kvt_win|--bogus|2|err|^kvt_win: unknown option \"--bogus\""
  "kvt_win|--simulate curve.kvt|2|err|^kvt_win: unexpected argument \"curve.kvt\""
  "kvt_win|--simulate|1|err|no display"
  "kvt|--version|0|out|^kvt $version$"
  "kvt|--help|0|out|^  kvt measure"
)
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
for entry in "${cases[@]}"; do
  IFS='|' read -r name arguments status stream pattern <<< "$entry"
  # shellcheck disable=SC2086  # the arguments are words
  (cd "$tmp" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "${program[$name]}" $arguments \
    > "$tmp/out" 2> "$tmp/err")
  got=$?
  label="$name $arguments"
  [ "$got" = "$status" ] || fail "$label: status $got, expected $status"
  grep -Eq -- "$pattern" "$tmp/$stream" || fail "$label: no line matching /$pattern/ on std$stream"
  other=out; [ "$stream" = out ] && other=err
  [ ! -s "$tmp/$other" ] || fail "$label: unexpected std$other: $(head -c 200 "$tmp/$other")"
  if [ "$stream" = err ]; then
    [ "$(wc -l < "$tmp/err")" = 1 ] || fail "$label: the error takes $(wc -l < "$tmp/err") lines"
  fi
done
[ -z "$(ls -A "$tmp" | grep -v -e '^out$' -e '^err$')" ] || fail "files left in the folder: $(ls "$tmp")"
echo "${#cases[@]} cases, $failures failures"
[ "$failures" = 0 ]
