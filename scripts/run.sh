#!/usr/bin/env bash
# Sets up the machine, builds the program, and opens the client on screen.
# Without a display the client runs under xvfb-run (say so, so nobody waits for a window).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUM_BUILD_TESTS=OFF -DLUM_BUILD_BENCH=ON >/dev/null
cmake --build build

# The demo keeps its settings registry beside the build, so no system folder is touched.
export ORV7_MACHINE_REGISTRY="${ORV7_MACHINE_REGISTRY:-$top/build/demo/machine}"
export ORV7_USER_REGISTRY="${ORV7_USER_REGISTRY:-$top/build/demo/user}"

client="$top/build/bin/QuonClientManager70"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running the client under xvfb-run (virtual screen 1280x800)."
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$client" "$@"
fi
exec "$client" "$@"
