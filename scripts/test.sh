#!/usr/bin/env bash
# Sets up the machine, builds the test configuration (AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors) and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUM_SANITIZE=ON -DLUM_BUILD_TESTS=ON >/dev/null
cmake --build build-test
cd build-test
ctest --output-on-failure -j "$(nproc)" "$@"
