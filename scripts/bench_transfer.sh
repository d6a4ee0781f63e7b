#!/usr/bin/env bash
# Transfer figures over loopback, all in one run:
# - sending a 64 MiB file to orbo-boxsim with the link, against socat moving
#   the same bytes over loopback TCP (target: within 2x);
# - peak memory growth of fetching a 256 MiB file (target: under 32 MiB).
# Usage: scripts/bench_transfer.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
sim="$build/app/orbo-boxsim"
bench="$build/bench/bench_transfer"
for f in "$sim" "$bench"; do
  [[ -x "$f" ]] || { echo "missing $f: build orbo-boxsim and bench_transfer first" >&2; exit 1; }
done
command -v socat >/dev/null || { echo "socat is not installed" >&2; exit 1; }

work="$(mktemp -d)"
sim_pid=""
socat_pid=""
cleanup() {
  [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  [[ -n "$socat_pid" ]] && kill "$socat_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A loopback address of this run's own.
addr="127.$((230 + $$ % 20)).$(( ($$ / 20) % 250 )).$((1 + RANDOM % 250))"
head -c $((64 << 20)) /dev/urandom > "$work/send.bin"
head -c $((256 << 20)) /dev/urandom > "$work/fetch.bin"
cat > "$work/profile.json" <<JSON
{"files":{"big.bin":{"path":"$work/fetch.bin"}}}
JSON

# socat: the same 64 MiB over loopback TCP into a file (best of 3).
best_socat=""
for i in 1 2 3; do
  port=$((20000 + RANDOM % 20000))
  socat -u "TCP-LISTEN:$port,bind=$addr,reuseaddr" "OPEN:$work/socat.out,creat,trunc" &
  socat_pid=$!
  for _ in $(seq 100); do
    ss -ltn 2>/dev/null | grep -q "$addr:$port" && break
    sleep 0.05
  done
  start=$(date +%s.%N)
  socat -u "OPEN:$work/send.bin" "TCP:$addr:$port"
  wait "$socat_pid"; socat_pid=""
  end=$(date +%s.%N)
  t=$(echo "$end - $start" | bc -l)
  if [[ -z "$best_socat" ]] || (( $(echo "$t < $best_socat" | bc -l) )); then best_socat=$t; fi
done

# The simulator; its readiness line says it listens.
mkfifo "$work/ready"
"$sim" --address "$addr" --udp-port 0 --profile "$work/profile.json" --store "$work/store" \
  > "$work/ready" &
sim_pid=$!
exec 3<"$work/ready"
read -r -t 20 line <&3 || { echo "orbo-boxsim did not start" >&2; exit 1; }

best_plain=""
best_paced=""
for i in 1 2 3; do
  out="$("$bench" send "$addr" "$work/send.bin")"
  plain=$(echo "$out" | sed -n 's/^send_seconds_data_path=//p')
  paced=$(echo "$out" | sed -n 's/^send_seconds_with_pauses=//p')
  if [[ -z "$best_plain" ]] || (( $(echo "$plain < $best_plain" | bc -l) )); then best_plain=$plain; fi
  if [[ -z "$best_paced" ]] || (( $(echo "$paced < $best_paced" | bc -l) )); then best_paced=$paced; fi
done
cmp -s "$work/send.bin" "$work/store/bench.bin" || { echo "stored file differs" >&2; exit 1; }

printf 'send 64 MiB, socat over loopback:          %.3f s\n' "$best_socat"
printf 'send 64 MiB, link data path (no pauses):   %.3f s  ratio %.2f (target <= 2)\n' \
  "$best_plain" "$(echo "$best_plain / $best_socat" | bc -l)"
printf 'send 64 MiB, link with protocol pauses:    %.3f s  ratio %.2f\n' \
  "$best_paced" "$(echo "$best_paced / $best_socat" | bc -l)"

"$bench" fetch "$addr" big.bin "$work/fetched.bin" > "$work/fetch.txt"
cmp -s "$work/fetch.bin" "$work/fetched.bin" || { echo "fetched file differs" >&2; exit 1; }
growth=$(sed -n 's/^peak_growth_kib=//p' "$work/fetch.txt")
seconds=$(sed -n 's/^fetch_seconds=//p' "$work/fetch.txt")
printf 'fetch 256 MiB: %.3f s, peak memory growth %d KiB (target < 32768 KiB)\n' "$seconds" "$growth"
