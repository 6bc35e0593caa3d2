#!/usr/bin/env bash
# Configures and builds one build tree. Usage: tools/build.sh DIR [cmake -D options...]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
export CCACHE_DIR="${CCACHE_DIR:-$top/.cache/ccache}"
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S "$top" -B "$dir" -G Ninja "$@" >/dev/null
else
  cmake "$dir" "$@" >/dev/null
fi
# JOBS lets several builds share one machine without running it out of memory.
cmake --build "$dir" -j"${JOBS:-$(nproc)}"
