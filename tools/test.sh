#!/usr/bin/env bash
# Installs the dependencies, builds everything and runs every test.
#   tools/test.sh          Release-with-debug-info build, all tests
#   tools/test.sh --asan   the same under AddressSanitizer and UBSan
#   tools/test.sh --tsan   the threaded parts (net, net_app, video tests)
#                          under ThreadSanitizer
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/deps.sh"

build="$top/build"
opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIENTK5_TESTS=ON)
if [ "${1:-}" = "--asan" ]; then
  build="$top/build-asan"
  opts=(-DCMAKE_BUILD_TYPE=Debug -DCLIENTK5_TESTS=ON -DCLIENTK5_ASAN=ON)
  # Every report fails its test, with a stack; a leak is a report too. The
  # decoder library is built with the same runtime, so a fault inside
  # libH264_D1.so fails the test that loaded it. Options given by the caller
  # come last and win.
  export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
  # Leak reports from libraries built without the sanitizer: tools/lsan.supp says why for each.
  export LSAN_OPTIONS="suppressions=$top/tools/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
fi
tests=()
timeout=600
if [ "${1:-}" = "--tsan" ]; then
  build="$top/build-tsan"
  opts=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIENTK5_TESTS=ON -DCLIENTK5_TSAN=ON)
  # Every report fails its test. The suppressions name only libraries built
  # without the sanitizer (tools/tsan.supp says why for each).
  export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$top/tools/tsan.supp${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
  tests=(-R '^(net|net_app|video)_tests_[0-9]+$')
  timeout=1800 # the sanitizer slows the threaded tests several times over
fi
"$top/tools/build.sh" "$build" "${opts[@]}"

export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"${JOBS:-$(nproc)}" --timeout "$timeout" "${tests[@]}"
