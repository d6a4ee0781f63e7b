#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UBSan) in
# build-fuzz and runs each for SECONDS (default 60).
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# FUZZ_SEED=N fixes libFuzzer's random seed (the same inputs in the same
# order on every run). FUZZ_SKIP="T1 T2" leaves those targets out of the timed run (their seeds
# and regressions are still replayed by the unit suite). FUZZ_JOBS=N runs N
# targets at a time (default 1). FUZZ_TIMEOUT=S is the limit for one input
# (default 1 s of wall-clock time). FUZZ_RUNS=DIR holds the run folders
# (default build-fuzz/fuzz-runs); with FUZZ_FRESH=1 a target's folder is
# emptied first, so the run starts from the committed inputs alone.
# Prints per target the executions, executions per second, the coverage
# at start and end, the inputs added and the slowest input in whole seconds.
# A crash, leak, timeout or out-of-memory (over 256 MiB) fails the run; the
# reproducer is left in RUNS/TARGET/findings/. Inputs that add coverage are
# kept in RUNS/TARGET/corpus/ (not in the repository; scripts/fuzz_campaign.sh
# merges them into it); copy a finding to tests/fuzz/regressions/TARGET/ once
# it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
build=build-fuzz
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBO_WERROR=ON \
    -DORBO_FUZZ=ON $(command -v ccache >/dev/null && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache) >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target orbo_fuzz_all >/dev/null

targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < "$build/fuzz/targets.txt"

# A small quarantine keeps the 256 MiB limit about our memory, not the
# sanitizer's (its default quarantine alone is 256 MiB).
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=16:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
runs="${FUZZ_RUNS:-$build/fuzz-runs}"
jobs="${FUZZ_JOBS:-1}"

# Runs one target, prints its row and leaves its exit status in RUNS/T/status.
run_target() {
  local t="$1" run="$runs/$1" status=0
  [ -z "${FUZZ_FRESH:-}" ] || rm -rf "$run"
  mkdir -p "$run/corpus" "$run/findings"
  local args=(-max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-1}" -rss_limit_mb=256
              -malloc_limit_mb=256 -print_final_stats=1 -artifact_prefix="$run/findings/")
  [ -n "${FUZZ_SEED:-}" ] && args+=(-seed="$FUZZ_SEED")
  [ -f "tests/fuzz/dict/$t.dict" ] && args+=(-dict="tests/fuzz/dict/$t.dict")
  local seeds=(tests/fuzz/corpus/"$t")
  [ -d "tests/fuzz/regressions/$t" ] && seeds+=(tests/fuzz/regressions/"$t")
  "$build/fuzz/fuzz_$t" "${args[@]}" "$run/corpus" "${seeds[@]}" >"$run/log.txt" 2>&1 || status=$?
  echo "$status" >"$run/status"
  local log="$run/log.txt" execs rate new slow cov0 cov1
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  new=$(sed -n 's/^stat::new_units_added: *//p' "$log" | tail -1)
  slow=$(sed -n 's/^stat::slowest_unit_time_sec: *//p' "$log" | tail -1)
  cov0=$(sed -n 's/.*INITED cov: \([0-9]*\).*/\1/p' "$log" | head -1)
  cov1=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' "$log" | tail -1)
  printf '%-16s %12s %10s %14s %8s %6s\n' "$t" "${execs:-?}" "${rate:-?}" \
    "${cov0:-?} -> ${cov1:-?}" "${new:-?}" "${slow:-?}"
  if [ "$status" -ne 0 ]; then
    echo "fuzz.sh: $t FAILED (exit $status); reproducer in $run/findings/, log $log" >&2
    grep -m3 -E 'ERROR|check failed|runtime error' "$log" >&2 || true
  fi
}

printf '%-16s %12s %10s %14s %8s %6s\n' target executions exec/s "coverage" "new" "slow"
ran=()
for t in "${targets[@]}"; do
  [ -n "$t" ] || continue
  if [[ " ${FUZZ_SKIP:-} " == *" $t "* ]]; then
    printf '%-16s %12s\n' "$t" "skipped"
    continue
  fi
  ran+=("$t")
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do wait -n || true; done
  run_target "$t" &
done
wait
failed=()
for t in "${ran[@]}"; do
  [ "$(cat "$runs/$t/status" 2>/dev/null)" = 0 ] || failed+=("$t")
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz.sh: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz.sh: ${#ran[@]} targets, no findings in ${seconds} s each"
