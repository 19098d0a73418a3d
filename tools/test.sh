#!/usr/bin/env bash
# Installs what building and testing need, builds everything with
# AddressSanitizer and UndefinedBehaviorSanitizer, runs every test (the
# installation, the Debian package and the start command's headless run
# included, all from this build tree), then gives each fuzz target a short run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install_deps.sh" test
jobs="$(nproc)"

cmake -S "$root" -B "$root/build-test" -DCMAKE_BUILD_TYPE=Debug -DKVT_SANITIZE=ON > /dev/null
cmake --build "$root/build-test" -j"$jobs"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs"

CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DKVT_FUZZ=ON > /dev/null
cmake --build "$root/build-fuzz" -j"$jobs"
for fuzzer in "$root"/build-fuzz/tests/fuzz/*_fuzz; do
  echo "Fuzzing $(basename "$fuzzer") for ${KVT_FUZZ_SECONDS:-30} s"
  corpus="$(mktemp -d)"
  "$fuzzer" -max_total_time="${KVT_FUZZ_SECONDS:-30}" -max_len=65536 "$corpus" 2>&1 | tail -n 3
  rm -rf "$corpus"
done
