#!/usr/bin/env bash
# Compares Md5FileHex with md5sum on one 256 MiB file in /tmp, both with a
# warm page cache. The two run in turn, a few times each, so that load from
# other work hits both alike; the best wall time of each is printed with the
# ratio.
#   scripts/bench_md5.sh [path to bench_crypto]   (default build/bench/bench_crypto)
set -euo pipefail
cd "$(dirname "$0")/.."
bench="${1:-build/bench/bench_crypto}"
reps=5
[ -x "$bench" ] || { echo "bench_md5: $bench not found; build target bench_crypto" >&2; exit 1; }

file="$(mktemp /tmp/bench_md5.XXXXXX)"
trap 'rm -f "$file"' EXIT
head -c $((256 * 1024 * 1024)) /dev/urandom >"$file"
cat "$file" >/dev/null

# Prints the smaller of two decimal numbers (the first when the second is empty).
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
elapsed() { awk -v s="$1" -v e="$2" 'BEGIN { print e - s }'; }

best_sum="" best_ours="" sum="" hex=""
for _ in $(seq "$reps"); do
  start=$(date +%s.%N)
  sum="$(md5sum "$file" | cut -d' ' -f1)"
  best_sum=$(min "$(elapsed "$start" "$(date +%s.%N)")" "$best_sum")

  start=$(date +%s.%N)
  hex="$("$bench" --md5 "$file" 1 | awk '/^md5/ {print $2}')"
  best_ours=$(min "$(elapsed "$start" "$(date +%s.%N)")" "$best_ours")
done
[ "$hex" = "$sum" ] || { echo "bench_md5: digests differ: $hex vs $sum" >&2; exit 1; }

awk -v m="$best_sum" -v o="$best_ours" 'BEGIN {
  printf "md5sum      : %.3f s (%.0f MiB/s)\n", m, 256 / m
  printf "Md5FileHex  : %.3f s (%.0f MiB/s)\n", o, 256 / o
  printf "ratio       : %.2fx (target <= 1.2x)\n", o / m
}'
