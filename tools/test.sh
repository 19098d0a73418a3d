#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs every test, then gives each fuzz target a short run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install_deps.sh"
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
