#!/usr/bin/env bash
# Installs what building and testing need, then:
#   - builds everything with AddressSanitizer and UndefinedBehaviorSanitizer
#     into build-test/ and runs every test (the installation, the Debian
#     package with lintian, and the start command's headless run included,
#     all from this build tree);
#   - builds everything in Release with the benchmarks into build-bench/ and
#     runs each benchmark once, briefly, so none stops building or running;
#   - builds the fuzz targets with clang into build-fuzz/ and gives each a
#     short run.
# Every build treats a compiler warning as an error.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install_deps.sh" test
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

cmake -S "$root" -B "$root/build-test" -DCMAKE_BUILD_TYPE=Debug -DKVT_SANITIZE=ON -DKVT_WERROR=ON > /dev/null
cmake --build "$root/build-test" -j"$jobs"
ctest --test-dir "$root/build-test" --output-on-failure -j"$jobs"

cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DKVT_BUILD_BENCH=ON -DKVT_WERROR=ON > /dev/null
cmake --build "$root/build-bench" -j"$jobs"
ctest --test-dir "$root/build-bench" -L bench --output-on-failure

CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -DKVT_FUZZ=ON -DKVT_WERROR=ON > /dev/null
cmake --build "$root/build-fuzz" -j"$jobs"
for fuzzer in "$root"/build-fuzz/tests/fuzz/*_fuzz; do
  echo "Fuzzing $(basename "$fuzzer") for ${KVT_FUZZ_SECONDS:-30} s"
  corpus="$(mktemp -d)"
  "$fuzzer" -max_total_time="${KVT_FUZZ_SECONDS:-30}" -max_len=65536 "$corpus" 2>&1 | tail -n 3
  rm -rf "$corpus"
done
