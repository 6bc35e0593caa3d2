#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test.
#   tools/test.sh          Release-with-debug-info build, all tests
#   tools/test.sh --asan   the same under AddressSanitizer and UBSan
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/deps.sh"

build="$top/build"
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIENTK5_TESTS=ON)
if [ "${1:-}" = "--asan" ]; then
  build="$top/build-asan"
  opts=(-DCMAKE_BUILD_TYPE=Debug -DCLIENTK5_TESTS=ON -DCLIENTK5_ASAN=ON)
fi
"$top/tools/build.sh" "$build" "${opts[@]}"

export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
