#!/usr/bin/env bash
# Builds the client (Release) and starts it. Arguments pass through:
#   tools/run.sh ADDRESS PORT USER PASSWORD   connects at once
#   tools/run.sh --demo                       starts the recorder simulator on
#                                             loopback and connects to it
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/deps.sh"
build="$top/build-release"
"$top/tools/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DCLIENTK5_TESTS=ON
bin="$build/bin"

if [ "${1:-}" = "--demo" ]; then
  shift
  port="${K5_DEMO_PORT:-$((20000 + RANDOM % 20000))}"
  "$bin/recorder-sim" --port "$port" --channels 16 --live "$@" &
  sim=$!
  trap 'kill $sim 2>/dev/null || true' EXIT
  sleep 0.5
  "$bin/clientk5" 127.0.0.1 "$port" admin 1234
else
  exec "$bin/clientk5" "$@"
fi
