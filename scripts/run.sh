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
# It speaks TLS with a self-signed certificate made here once; the client trusts that
# certificate through the machine setting \SOFTWARE\ORV7.0\AppServers "TrustedCertificate".
demo="$top/build/demo"
mkdir -p "$demo"
if [ ! -s "$demo/appserver-cert.pem" ] || [ ! -s "$demo/appserver-key.pem" ]; then
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 \
        -keyout "$demo/appserver-key.pem" -out "$demo/appserver-cert.pem" -subj "/CN=localhost" \
        -addext "subjectAltName=DNS:localhost,IP:127.0.0.1" 2>/dev/null
fi
machine_ini="$ORV7_MACHINE_REGISTRY/registry.ini"
if ! grep -qi '^TrustedCertificate=' "$machine_ini" 2>/dev/null; then
    mkdir -p "$ORV7_MACHINE_REGISTRY"
    printf '\n[SOFTWARE/ORV7.0/AppServers]\nTrustedCertificate=s:%s\n' \
        "$demo/appserver-cert.pem" >>"$machine_ini"
fi
# The client finds the servers through two machine settings: the bootstrap host of the
# server-location table ("DefaultServer") and the system-object server ("SystemObj").
for server in DefaultServer SystemObj; do
    if ! grep -qi "^\[SOFTWARE/ORV7.0/AppServers/$server\]" "$machine_ini" 2>/dev/null; then
        mkdir -p "$ORV7_MACHINE_REGISTRY"
        printf '\n[SOFTWARE/ORV7.0/AppServers/%s]\nIP=s:127.0.0.1\nPort=d:2001\n' "$server" \
            >>"$machine_ini"
    fi
done
server_pid=""
if ! (exec 3<>/dev/tcp/127.0.0.1/2001) 2>/dev/null; then
    echo "Starting the demo application server on port 2001 (log: build/demo/appserver.log)."
    (cd "$demo" && exec "$top/build/bin/appserver" --listen 127.0.0.1 --port 2001 \
        --certificate "$demo/appserver-cert.pem" --key "$demo/appserver-key.pem" \
        --publish "$top/build/bin") \
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
