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
    share/metainfo/org.kvt.kvt_win.metainfo.xml \
    share/man/man1/kvt.1 \
    share/man/man1/kvt_win.1 | LC_ALL=C sort
}

# Fails the test with a message.
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
failures=0
