#!/usr/bin/env bash
# Builds the client (Release) and starts it. Arguments pass through:
#   tools/run.sh ADDRESS PORT USER PASSWORD   connects at once
#   tools/run.sh --demo                       starts the recorder simulator on
#                                             loopback and connects to it
# The demo's recorder streams 16 live channels and takes one session after
# another, so Connect may disconnect and connect again; K5_DEMO_PORT (default:
# the client's default port 2000, or a free port when 2000 is taken),
# K5_DEMO_USER and K5_DEMO_PASSWORD (admin, 1234) choose its port and account,
# and further arguments after --demo go to the simulator.
# The demo client keeps its settings and data under K5_DEMO_HOME (default:
# build-release/demo-home), whose Download folder holds downloaded file sets
# to search and play locally (LSearch).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/tools/deps.sh"
build="$top/build-release"
"$top/tools/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DCLIENTK5_TESTS=ON
bin="$build/bin"

if [ "${1:-}" = "--demo" ]; then
  shift
  # The client logs in with the user the simulator grants every right.
  user="${K5_DEMO_USER:-admin}"
  password="${K5_DEMO_PASSWORD:-1234}"
  # The client's default port, so that the connect dialog's defaults reach
  # the demo recorder; port 0: the simulator takes a free port and prints it
  # once it listens.
  simlog="$(mktemp)"
  sim=""
  trap 'if [ -n "$sim" ]; then kill $sim 2>/dev/null || true; fi; rm -f "$simlog"' EXIT
  listening=""
  for port in ${K5_DEMO_PORT:-2000 0}; do
    "$bin/recorder-sim" --port "$port" --channels 16 --live --user "$user" --password "$password" --time-port 0 "$@" >"$simlog" 2>&1 &
    sim=$!
    # The simulator encodes its streams before it listens; the client
    # connects at start, so it waits for the simulator's word (at most 60 s).
    for _ in $(seq 600); do
      listening="$(sed -n 's/^recorder-sim listening on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$simlog")"
      [ -n "$listening" ] && break
      kill -0 "$sim" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$listening" ] && break
    wait "$sim" 2>/dev/null || true
    sim=""
  done
  if [ -z "$listening" ]; then
    echo "run.sh: the recorder simulator did not start" >&2
    cat "$simlog" >&2
    exit 1
  fi
  # The NTP page's clock asks the simulator's time server, not a public one.
  timeport="$(sed -n 's/^recorder-sim time server on 127\.0\.0\.1:\([0-9][0-9]*\)$/\1/p' "$simlog")"
  [ -n "$timeport" ] && export CLIENTK5_TIME_SERVER="127.0.0.1:$timeport"
  # The demo's own home keeps the operator's settings and data untouched; the
  # display's authority stays the operator's.
  demohome="${K5_DEMO_HOME:-$build/demo-home}"
  export XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}"
  export HOME="$demohome" XDG_CONFIG_HOME="$demohome/.config"
  echo "run.sh: the demo recorder is 127.0.0.1 port $listening, user $user, password $password"
  "$bin/local-demo-sets" "$demohome/H264K5/Download"
  "$bin/clientk5" 127.0.0.1 "$listening" "$user" "$password"
else
  exec "$bin/clientk5" "$@"
fi
