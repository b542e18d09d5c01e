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

# The demo application server keeps its database (with the demo school, created on first
# start) in build/demo and listens on port 2001. One already listening there is used as is.
mkdir -p "$top/build/demo"
server_pid=""
if ! (exec 3<>/dev/tcp/127.0.0.1/2001) 2>/dev/null; then
    echo "Starting the demo application server on port 2001 (log: build/demo/appserver.log)."
    (cd "$top/build/demo" && exec "$top/build/bin/appserver" --listen 127.0.0.1 --port 2001) \
        >"$top/build/demo/appserver.log" 2>&1 &
    server_pid=$!
    trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
    for _ in $(seq 1 100); do
        (exec 3<>/dev/tcp/127.0.0.1/2001) 2>/dev/null && break
        kill -0 "$server_pid" 2>/dev/null || { cat "$top/build/demo/appserver.log"; exit 1; }
        sleep 0.1
    done
fi

client="$top/build/bin/QuonClientManager70"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running the client under xvfb-run (virtual screen 1280x800)."
    xvfb-run -a -s "-screen 0 1280x800x24" "$client" "$@"
else
    "$client" "$@"
fi
