#!/usr/bin/env bash
# Builds the programs and starts kvt_win in a working folder of its own, where
# it keeps kvt_win.cfg. The simulated instrument is used unless KVT_PORTIO=real
# asks for the port library that drives a real parallel port.
#
# Without a display it measures with kvt instead: the points (.kvt), a CSV
# file and a picture of the plot go to the working folder, and the curve's
# parameters are printed.
#
#   KVT_WORKDIR    working folder (default $XDG_DATA_HOME/kvt_win, that is
#                  ~/.local/share/kvt_win)
#   KVT_BUILD_DIR  an existing build tree to use instead of build-run/
#   KVT_PORTIO     "real" for the parallel port
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install_deps.sh" run

build="${KVT_BUILD_DIR:-$root/build-run}"
# The build's output goes to a log, shown only when the build fails.
mkdir -p "$build"
log="$build/run-build.log"
echo "Building the programs in $build (output in $log)"
if ! {
  if [ -z "${KVT_BUILD_DIR:-}" ] || [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKVT_BUILD_TESTS=OFF
  fi &&
    cmake --build "$build" -j"$(nproc)" --target kvt_win kvt portio portio_sim
} > "$log" 2>&1; then
  tail -n 25 "$log" >&2
  echo "The build failed; the lines above are the end of $log" >&2
  exit 1
fi

workdir="${KVT_WORKDIR:-${XDG_DATA_HOME:-$HOME/.local/share}/kvt_win}"
mkdir -p "$workdir"
cd "$workdir"
simulate=(--simulate)
if [ "${KVT_PORTIO:-sim}" = real ]; then
  simulate=()
  echo "Instrument: the parallel port ($build/portio/libportio.so)"
else
  echo "Instrument: simulated ($build/simulator/libportio.so; set KVT_PORTIO=real for the hardware)"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "Working folder (kvt_win.cfg lives here): $workdir"
  exec "$build/kvt_win" "${simulate[@]}"
fi

echo "No display found: measuring with kvt instead of opening the window."
kvt="$build/kvt"
"$kvt" measure "${simulate[@]}" -o curve.kvt
"$kvt" convert curve.kvt -o curve.csv
written=(curve.kvt curve.csv)
if "$kvt" render curve.kvt -o curve.png; then
  written+=(curve.png)
else
  echo "kvt render failed: no picture of the plot (curve.png) this time; the other files are written." >&2
fi
echo
"$kvt" params curve.kvt
echo
echo "Written in $workdir: ${written[*]}"
echo "Draw, convert and analyse them with $kvt (--help lists the commands)."
