#!/usr/bin/env bash
# The staged desktop entry, AppStream metadata and manual pages (installed
# compressed) pass their validators.
set -uo pipefail
source "$(dirname "$0")/expected_files.sh"
share="$1/usr/share"
missing=()
for tool in desktop-file-validate appstreamcli groff gzip; do
  command -v "$tool" > /dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIP: not installed: ${missing[*]} (tools/install_deps.sh test installs them)"
  exit 0
fi
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
# validator | file
cases=(
  "desktop-file-validate|$share/applications/org.kvt.kvt_win.desktop"
  "appstreamcli validate --no-net --pedantic|$share/metainfo/org.kvt.kvt_win.metainfo.xml"
  "groff -man -ww -z|$share/man/man1/kvt_win.1.gz"
  "groff -man -ww -z|$share/man/man1/kvt.1.gz"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r validator file <<< "$entry"
  [ -f "$file" ] || { fail "$file is missing"; continue; }
  if [[ "$file" == *.gz ]]; then
    plain="$tmp/$(basename "$file" .gz)"
    gzip -dc "$file" > "$plain" || { fail "$file is not a gzip file"; continue; }
    file="$plain"
  fi
  # shellcheck disable=SC2086  # the validator is words
  output="$(LC_ALL=C.UTF-8 $validator "$file" 2>&1)" || fail "$validator $file: $output"
  # desktop-file-validate exits 0 on hints, groff -z on nothing: any output counts.
  case "$validator" in
    desktop*|groff*) [ -z "$output" ] || fail "$validator $file: $output" ;;
  esac
done
# The icon the desktop entry names is the installed one.
icon="$(sed -n 's/^Icon=//p' "$share/applications/org.kvt.kvt_win.desktop")"
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon.svg in the hicolor theme"
grep -q '<svg' "$share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not an SVG"
echo "validate: ${#cases[@]} files, $failures failures"
[ "$failures" = 0 ]
