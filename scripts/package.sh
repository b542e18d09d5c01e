#!/usr/bin/env bash
# Sets up the machine, makes a release build in build-pkg/ and the two Debian packages of the
# system from it, which land in the repository's top folder:
#   orv7-appserver_<version>_<arch>.deb   the application server (the service orv7-appserver)
#   orv7-client_<version>_<arch>.deb      the desktop client with its launcher
# Install them with: sudo apt install ./orv7-appserver_*.deb ./orv7-client_*.deb
# LUM_BUILD_NUMBER (default 1) is the last part of the version of the packages and of every
# job package inside them.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

scripts/setup.sh
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUM_BUILD_TESTS=OFF \
    -DLUM_BUILD_BENCH=OFF -DLUM_BUILD_NUMBER="${LUM_BUILD_NUMBER:-1}" >/dev/null
cmake --build build-pkg
rm -rf build-pkg/packages
cpack --config build-pkg/CPackConfig.cmake -B "$top/build-pkg/packages" -D CPACK_STRIP_FILES=ON \
    >build-pkg/cpack.log 2>&1 || { cat build-pkg/cpack.log; exit 1; }
rm -f orv7-appserver_*.deb orv7-client_*.deb
cp build-pkg/packages/*.deb .
echo "Made:"
ls -1 orv7-appserver_*.deb orv7-client_*.deb
echo "Install with: sudo apt install ./orv7-appserver_*.deb ./orv7-client_*.deb"
