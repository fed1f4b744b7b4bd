#!/bin/bash
# Builds the configurator and starts it together with the controller simulator
# on a virtual serial port, so it can be tried without hardware.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/release"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTQ17_BUILD_TESTS=OFF \
      -DTQ17_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tq17config tq17sim

port="${TMPDIR:-/tmp}/tq17-port"
"$build/tools/tq17sim/tq17sim" --link "$port" "$@" &
simulator=$!
trap 'kill $simulator 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -e "$port" ]] && break; sleep 0.1; done

echo "Simulator running. In the tool type this port name into \"Порт\": $port"
echo "set \"MB адрес\" to 1 and press \"Подключить\"."
mkdir -p "$root/build/workdir"
cd "$root/build/workdir"   # the tool keeps its "ini" in the current directory
"$build/tq17config"
