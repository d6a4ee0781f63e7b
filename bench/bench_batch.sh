#!/usr/bin/env bash
# batch box ident against 32 simulated boxes with --jobs 8, against four
# single identifications in a row (target: within 1.2x). Every box listens
# on a loopback address of this run's own.
# Usage: bench/bench_batch.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
sim="$build/app/orbo-boxsim"
cli="$build/app/orbo-cli"
for f in "$sim" "$cli"; do
  [[ -x "$f" ]] || { echo "missing $f: build orbo-boxsim and orbo-cli first" >&2; exit 1; }
done

work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

net="127.$((200 + $$ % 50)).$(( ($$ / 50) % 250 ))"
boxes=32
: > "$work/hosts"
for i in $(seq 1 $boxes); do
  "$sim" --address "$net.$i" --udp-port 0 --store "$work/store$i" > "$work/sim$i.out" 2>&1 &
  pids+=($!)
  echo "$net.$i" >> "$work/hosts"
done
for i in $(seq 1 $boxes); do
  for _ in $(seq 1 200); do
    grep -q "orbo-boxsim ready" "$work/sim$i.out" && break
    sleep 0.05  # polling the simulator's readiness line in a shell script
  done
  grep -q "orbo-boxsim ready" "$work/sim$i.out" || { echo "box $i did not start" >&2; exit 1; }
done

now() { date +%s.%N; }
calc() { awk "BEGIN { print $1 }"; }
# One identification, best of three.
single=""
for _ in 1 2 3; do
  t0=$(now)
  "$cli" --app-dir "$build/app" box --host "$net.1" ident > /dev/null
  t=$(calc "$(now) - $t0")
  if [[ -z "$single" ]] || [[ $(calc "($t < $single) ? 1 : 0") == 1 ]]; then single=$t; fi
done

t0=$(now)
"$cli" --app-dir "$build/app" batch box ident --hosts "$work/hosts" --jobs 8 > "$work/batch.out"
batch=$(calc "$(now) - $t0")
ok=$(grep -c '"ok":true' "$work/batch.out" || true)

ratio=$(calc "$batch / (4 * $single)")
printf 'one identification:           %.3f s\n' "$single"
printf 'batch of %d, --jobs 8:         %.3f s (%d ok)\n' "$boxes" "$batch" "$ok"
printf 'batch / (4 x one):            %.2f (target <= 1.20)\n' "$ratio"
tail -n 1 "$work/batch.out"
