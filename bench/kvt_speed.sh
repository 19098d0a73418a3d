#!/usr/bin/env bash
# Speed of the kvt command against baselines run side by side, median of
# several runs each:
#   - kvt render of 1024 points to a 1920x1080 PNG against gnuplot (pngcairo)
#     plotting the same data with lines at that size, whole processes; kvt
#     runs as users run it, without QT_QPA_PLATFORM, and must draw the same
#     PNG (its texts included) as on the offscreen platform;
#   - kvt measure -n 1024 --simulate against the calibration plus 1024 times
#     one MeasurePoint, timed by measure_cost in a process of its own.
# Needs a Release build with benchmarks: cmake -S . -B build-bench
#   -DCMAKE_BUILD_TYPE=Release -DKVT_BUILD_BENCH=ON && cmake --build build-bench
#
#   bench/kvt_speed.sh [build folder] [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build-bench}" && pwd)"
runs="${2:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
seconds() {  # wall time of one command, in seconds
  local start end
  start=$(date +%s.%N)
  "$@" > /dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

"$build/kvt" measure -n 1024 --simulate -o diode.kvt
"$build/kvt" convert diode.kvt -o diode.csv
grep -v '^#' diode.csv | tail -n +2 | tr ',' ' ' > diode.dat

if command -v gnuplot > /dev/null; then
  QT_QPA_PLATFORM=offscreen "$build/kvt" render diode.kvt -o offscreen.png --size 1920x1080
  unset QT_QPA_PLATFORM
  for _ in $(seq "$runs"); do
    seconds "$build/kvt" render diode.kvt -o kvt.png --size 1920x1080 >> render.times
    seconds gnuplot -e "set terminal pngcairo size 1920,1080; set output 'gnuplot.png'; \
      plot 'diode.dat' using 1:(\$2*1000) with lines" >> gnuplot.times
  done
  cmp -s kvt.png offscreen.png || echo "render: not the offscreen platform's picture: texts missing?" >&2
  r=$(median < render.times); g=$(median < gnuplot.times)
  printf 'render 1024 points, 1920x1080 PNG: kvt %.3f s, gnuplot %.3f s: kvt is %.1fx faster\n' \
    "$r" "$g" "$(echo "$g / $r" | bc -l)"
else
  echo "render: gnuplot is not installed (apt-get install gnuplot-nox); skipped"
fi

for _ in $(seq "$runs"); do
  "$build/bench/measure_cost" 1024 | awk '/calibration_s/ { c = $2 } /measure_point_s/ { p = $2 } END { print c + 1024 * p }' >> expected.times
  seconds "$build/kvt" measure -n 1024 --simulate -o run.kvt >> measure.times
done
e=$(median < expected.times); m=$(median < measure.times)
printf 'measure 1024 points: kvt %.2f s, calibration + 1024 x MeasurePoint %.2f s: ratio %.3f\n' \
  "$m" "$e" "$(echo "$m / $e" | bc -l)"
