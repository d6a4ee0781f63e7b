#!/usr/bin/env bash
# The long fuzz campaign in one command: every target (or the TARGETs given)
# for MINUTES (default 10), FUZZ_JOBS (default 2) at a time, from the
# committed corpora and kept findings, through scripts/fuzz.sh. Then per
# target the run's inputs are merged (-merge=1) into a fresh folder that
# starts as a copy of the committed corpus, so the hand-made seeds stay and
# only inputs reaching new edges join them (-use_counters=0: hit counts do
# not count, which keeps the corpus a tenth of the size for the same edges).
# The merge is copied into tests/fuzz/corpus/TARGET/ when it raises the edge
# coverage and the corpus stays under FUZZ_CORPUS_MAX_KB (default 2048; the
# bytes of its files). FUZZ_MERGE_ONLY=1 skips the runs and merges what the
# last campaign left in build-fuzz/campaign/.
#   nice -n 19 scripts/fuzz_campaign.sh [MINUTES] [TARGET...]
# On a shared machine run it niced. The limit for one input is then
# FUZZ_TIMEOUT (default 10 s of wall-clock time, since a niced process may
# wait for the processor); the "slow" column (whole seconds) shows whether any
# input came near the 1 s that the short run allows.
# Prints a table (also in build-fuzz/campaign/summary.txt); exits 1 when a
# target had a finding (its reproducer is in build-fuzz/campaign/TARGET/findings/).
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-10}"
shift || true
build=build-fuzz
runs="$build/campaign"
max_kb="${FUZZ_CORPUS_MAX_KB:-2048}"

status=0
if [ -z "${FUZZ_MERGE_ONLY:-}" ]; then
  FUZZ_RUNS="$runs" FUZZ_FRESH=1 FUZZ_JOBS="${FUZZ_JOBS:-2}" FUZZ_TIMEOUT="${FUZZ_TIMEOUT:-10}" \
    scripts/fuzz.sh "$((minutes * 60))" "$@" || status=$?
fi

targets=("$@")
[ ${#targets[@]} -gt 0 ] || mapfile -t targets < "$build/fuzz/targets.txt"

# Edge and feature coverage of one folder's inputs: "EDGES FEATURES".
coverage() {
  "$build/fuzz/fuzz_$1" -runs=0 -rss_limit_mb=512 "$2" 2>&1 |
    sed -n 's/.*INITED cov: \([0-9]*\) ft: \([0-9]*\).*/\1 \2/p' | tail -1
}

summary="$runs/summary.txt"
{
  printf '%-16s %12s %8s %9s %13s %13s %7s %9s %s\n' target executions exec/s findings \
    "committed cov" "merged cov" added "corpus" result
  for t in "${targets[@]}"; do
    [ -n "$t" ] && [ -f "$runs/$t/log.txt" ] || continue
    run="$runs/$t"
    log="$run/log.txt"
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    findings=$(find "$run/findings" -type f | wc -l)
    committed="tests/fuzz/corpus/$t"
    merged="$run/merged"
    rm -rf "$merged"
    cp -r "$committed" "$merged"
    "$build/fuzz/fuzz_$t" -merge=1 -use_counters=0 -timeout=10 -rss_limit_mb=512 "$merged" "$run/corpus" \
      >"$run/merge.txt" 2>&1
    read -r cov0 ft0 <<<"$(coverage "$t" "$committed")"
    read -r cov1 ft1 <<<"$(coverage "$t" "$merged")"
    added=$(($(find "$merged" -type f | wc -l) - $(find "$committed" -type f | wc -l)))
    kb=$(du -sk --apparent-size "$merged" | cut -f1)
    result=kept
    if [ "$cov1" -gt "$cov0" ] && [ "$kb" -le "$max_kb" ]; then
      cp "$merged"/* "$committed"/
      result=committed
    elif [ "$cov1" -gt "$cov0" ]; then
      result="too big"
    fi
    printf '%-16s %12s %8s %9s %13s %13s %7s %8sK %s\n' "$t" "${execs:-?}" "${rate:-?}" \
      "$findings" "$cov0/$ft0" "$cov1/$ft1" "$added" "$kb" "$result"
  done
} | tee "$summary"
exit "$status"
