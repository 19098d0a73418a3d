# The installed files below the prefix, sorted; $1 is the library folder
# (CMAKE_INSTALL_LIBDIR).
expected_files() {
  printf '%s\n' \
    bin/kvt \
    bin/kvt_win \
    "$1/kvt_win/portio/libportio.so" \
    "$1/kvt_win/simulator/libportio.so" \
    share/applications/org.kvt.kvt_win.desktop \
    share/icons/hicolor/scalable/apps/org.kvt.kvt_win.svg \
    share/lintian/overrides/kvt-win \
    share/metainfo/org.kvt.kvt_win.metainfo.xml \
    share/doc/kvt-win/changelog.Debian.gz \
    share/doc/kvt-win/copyright \
    share/man/man1/kvt.1.gz \
    share/man/man1/kvt_win.1.gz | LC_ALL=C sort
}

# Builds the Debian package from build tree $1 into folder $2 and prints its
# path; $3 is the version. On failure it tells why and returns 1.
build_package() {
  local build="$1" out="$2" version="$3" deb
  if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" > "$out.log" 2>&1; then
    cat "$out.log" >&2
    echo "cpack failed" >&2
    return 1
  fi
  deb="$out/kvt-win_${version}-1_$(dpkg --print-architecture).deb"
  [ -f "$deb" ] || { echo "no $(basename "$deb"); made: $(cd "$out" && ls ./*.deb)" >&2; return 1; }
  echo "$deb"
}

# Fails the test with a message.
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
failures=0
