#!/usr/bin/env bash
# Builds kvt_win and starts it in a working folder of its own, where it keeps
# kvt_win.cfg. The simulated instrument is used unless KVT_PORTIO=real asks
# for the port library that drives a real parallel port.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/tools/install_deps.sh"
cmake -S "$root" -B "$root/build-run" -DCMAKE_BUILD_TYPE=Release -DKVT_BUILD_TESTS=OFF > /dev/null
cmake --build "$root/build-run" -j"$(nproc)" --target kvt_win portio portio_sim

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: start it from a desktop session, or headless with: xvfb-run -a $0" >&2
  exit 1
fi

workdir="${KVT_WORKDIR:-${XDG_DATA_HOME:-$HOME/.local/share}/kvt_win}"
mkdir -p "$workdir"
echo "Working folder (kvt_win.cfg lives here): $workdir"
cd "$workdir"
if [ "${KVT_PORTIO:-sim}" = real ]; then
  echo "Instrument: the parallel port (build-run/portio/libportio.so)"
else
  echo "Instrument: simulated (build-run/simulator/libportio.so; set KVT_PORTIO=real for the hardware)"
  export LD_LIBRARY_PATH="$root/build-run/simulator${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
fi
exec "$root/build-run/kvt_win"
