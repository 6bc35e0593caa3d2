#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan), seeds each from
# fuzz_seeds and runs each for SECONDS (default 60), then prints one line per
# target: inputs run, inputs per second, crashes.
#   tools/fuzz.sh [SECONDS]        one target after another
#   FUZZ_JOBS=4 tools/fuzz.sh 600  up to four targets at once (one core each)
#   FUZZ_ONLY="a_fuzz b_fuzz" ...  only these targets
# Every target tests/fuzz/CMakeLists.txt declares is run. The corpus of each
# target grows in build-fuzz/fuzz-corpus/<target> from run to run; inputs
# that crash land in build-fuzz/fuzz-crashes/, logs in build-fuzz/fuzz-logs/.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
jobs="${FUZZ_JOBS:-1}"
build="${FUZZ_BUILD:-$top/build-fuzz}"
case "$seconds" in '' | *[!0-9]*) echo "usage: tools/fuzz.sh [SECONDS]" >&2; exit 2 ;; esac

export CCACHE_DIR="${CCACHE_DIR:-$top/.cache/ccache}"
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCLIENTK5_FUZZ=ON -DCLIENTK5_TESTS=OFF >/dev/null
else
  cmake "$build" >/dev/null
fi
mapfile -t targets < <(grep -v '^$' "$build/fuzz_targets.txt")
if [ -n "${FUZZ_ONLY:-}" ]; then
  read -r -a targets <<<"$FUZZ_ONLY"
fi
cmake --build "$build" -j"${JOBS:-$(nproc)}" --target fuzz_seeds "${targets[@]}"

seeds="$build/fuzz-seeds"
rm -rf "$seeds"
"$build/bin/fuzz_seeds" "$seeds"
mkdir -p "$build/fuzz-corpus" "$build/fuzz-crashes" "$build/fuzz-logs"

# Crashes must stop the input with a report; leaks are reported too. No fill
# of fresh blocks (it only makes an uninitialised read show by chance) and a
# smaller quarantine (a use after free is still caught within 32 MB of later
# frees): both cost page faults on every input. Eight frames of each
# allocation's stack still name the caller of the faulty code, and unwinding
# fewer costs less on every allocation.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1:max_malloc_fill_size=0:quarantine_size_mb=32:malloc_context_size=8}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen

run_one() {
  local t="$1"
  local corpus="$build/fuzz-corpus/$t"
  local seed="$seeds/${t%_fuzz}"
  local log="$build/fuzz-logs/$t.log"
  mkdir -p "$corpus"
  local dirs=("$corpus")
  [ -d "$seed" ] && dirs+=("$seed")
  local before
  # A slow-unit file only says one input took long (often a busy machine):
  # it is kept for a look but is no crash.
  before=$(find "$build/fuzz-crashes" -name "$t-*" ! -name "$t-slow-unit-*" | wc -l)
  # A crash ends the target's run (its input lands in fuzz-crashes/): the
  # count says whether anything crashed, leaked or hung within the time.
  # The processor time it got is noted too: on a shared machine the wall
  # clock says more about the neighbours than about the target.
  "$build/bin/$t" -max_total_time="$seconds" -print_final_stats=1 -print_funcs=0 -timeout=25 \
    -rss_limit_mb=2048 -artifact_prefix="$build/fuzz-crashes/$t-" "${dirs[@]}" >"$log" 2>&1 &
  local pid=$!
  local cpu=0
  while kill -0 "$pid" 2>/dev/null; do
    # user + system ticks of the fuzzer, read while it still exists
    local ticks
    ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || true)
    [ -n "$ticks" ] && cpu=$ticks
    sleep 1
  done
  wait "$pid" || true
  echo "$cpu" >"$log.ticks"
  local after
  after=$(find "$build/fuzz-crashes" -name "$t-*" ! -name "$t-slow-unit-*" | wc -l)
  echo "$((after - before))" >"$log.crashes"
}

for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
  run_one "$t" &
done
wait

hz=$(getconf CLK_TCK)
printf '%-22s %12s %10s %14s %8s\n' target inputs inputs/s inputs/cpu-s crashes
for t in "${targets[@]}"; do
  log="$build/fuzz-logs/$t.log"
  inputs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  # A run cut short by a crash may end before its statistics: its last
  # progress line then tells.
  [ -n "$inputs" ] || inputs=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  [ -n "$rate" ] || rate=$(grep -oE 'exec/s: [0-9]+' "$log" | tail -1 | awk '{print $2}')
  ticks=$(cat "$log.ticks")
  percpu='?'
  if [ -n "$inputs" ] && [ "$ticks" -gt 0 ]; then
    percpu=$((inputs * hz / ticks))
  fi
  printf '%-22s %12s %10s %14s %8s\n' "$t" "${inputs:-?}" "${rate:-?}" "$percpu" "$(cat "$log.crashes")"
done
