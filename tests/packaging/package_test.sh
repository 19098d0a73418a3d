#!/usr/bin/env bash
# cpack -G DEB from this build tree: the package holds the installed files
# and nothing else, its dependencies come from the binaries, and its
# unpacked programs measure with the simulated instrument.
set -uo pipefail
source "$(dirname "$0")/expected_files.sh"
build="$1" libdir="$2" version="$3"
for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" > /dev/null || { echo "SKIP: $tool is not installed (tools/install_deps.sh test installs dpkg-dev)"; exit 0; }
done
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
unset LD_LIBRARY_PATH

deb="$(build_package "$build" "$tmp/out" "$version")" || { fail "no package"; exit 1; }

echo "Contents:"
dpkg-deb -c "$deb"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\/usr\//, "", $6); print $6 }' | LC_ALL=C sort > "$tmp/contents"
expected_files "$libdir" > "$tmp/expected"
diff -u "$tmp/expected" "$tmp/contents" || fail "the package's files differ from the table (- expected, + packaged)"

echo "Fields:"
dpkg-deb -f "$deb" Package Version Section Maintainer Depends
# field | pattern its value must match
cases=(
  "Package|^kvt-win$"
  "Version|^$version-1$"
  "Section|^science$"
  "Maintainer|^.+ <.+@.+>$"
  "Description|curve tracer"
  "Depends|(^|, )libqt6widgets6 \(>= 6"
  "Depends|(^|, )libqt6gui6 \(>= 6"
  "Depends|(^|, )libqt6core6 \(>= 6"
  "Depends|(^|, )libc6 \(>= "
  "Depends|(^|, )libstdc\+\+6 \(>= "
  "Depends|(^|, )qt6-qpa-plugins(,|$)"
)
for entry in "${cases[@]}"; do
  IFS='|' read -r field pattern <<< "$entry"
  value="$(dpkg-deb -f "$deb" "$field")"
  grep -Eq -- "$pattern" <<< "$value" || fail "$field \"$(head -n 1 <<< "$value")\" does not match /$pattern/"
done

# The unpacked package, stripped as shipped, finds its simulated instrument.
dpkg-deb -x "$deb" "$tmp/root"
mkdir "$tmp/work"
(cd "$tmp/work" && "$tmp/root/usr/bin/kvt" measure --simulate -n 32 -o d.kvt > out 2> err) ||
  fail "the packaged kvt measure --simulate failed: $(tail -n 2 "$tmp/work/err")"
[ -s "$tmp/work/d.kvt" ] || fail "the packaged kvt measure --simulate wrote no points"

# A new version needs its entry in packaging/changelog.Debian.
entry="$(gzip -dc "$tmp/root/usr/share/doc/kvt-win/changelog.Debian.gz" | head -n 1)"
grep -q "^kvt-win ($version-1) " <<< "$entry" ||
  fail "the change log's latest entry is \"$entry\", not version $version-1"

echo "package: ${#cases[@]} fields checked, $failures failures"
[ "$failures" = 0 ]
