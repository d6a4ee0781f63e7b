#!/usr/bin/env bash
# Runs every benchmark and prints its figures with the target it is measured
# against. Benchmarks are never part of the test suite: they measure this
# machine, and a loaded machine gives slower figures.
#   scripts/bench.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
cmake --build "$build" -j"$(nproc)" >/dev/null || { echo "bench.sh: build failed" >&2; exit 1; }
b="$build/bench"
run() {
  echo
  echo "== $1"
  shift
  "$@" 2>&1 | sed 's/^/   /' || echo "   (failed)"
}
run "XmlDoc: load, set one attribute, save a 5 MB document (target < 100 ms)" "$b/bench_xml"
run "CRC-32 throughput (>= 1 GB/s) and Md5FileHex memory (4 MiB buffer)" "$b/bench_crypto"
run "Md5FileHex of 256 MiB against md5sum (within 1.2x)" scripts/bench_md5.sh "$b/bench_crypto"
run "page call that only queues, worker idle (< 1 ms)" "$b/bench_bridge"
run "identification against the simulated box (0.9 s of pauses; 1.05x)" "$b/bench_identify"
run "64 MiB send vs socat (2x) and 256 MiB fetch memory (< 32 MiB)" scripts/bench_transfer.sh "$build"
run "decrypt and verify a 16 MiB firmware image (< 0.2 s)" "$b/bench_firmware"
run "load and verify a 16 MiB certificate package (< 0.15 s, < 3x its size)" "$b/bench_cert"
run "virtual port: socat->relay->socat 2 GiB (>= 0.95x direct), pty<->TCP 1 GiB each way (>= 0.9x socat PTY; monitor attached >= 0.9x), RFC 2217 through ser2net (>= 0.9x RAW), 1-byte round trip (added < 50 us), 1000 open/close cycles (no growth)" "$b/bench_vcom"
run "parse a 16 MiB Wine registry file (< 500 ms)" "$b/bench_registry"
run "branding at start-up: the sample package; a 64 MiB device.info (< 1 s, < 64 MiB growth)" \
  "$b/bench_branding" "$build"
if [ "$(id -u)" -eq 0 ]; then
  run "sweep of a silent /24 in a private namespace (<= 0.8 s)" "$b/bench_sweep"
else
  echo; echo "== sweep of a silent /24: needs root for its network namespace (skipped)"
fi
if [ -x "$build/app/orbo" ] && command -v xvfb-run >/dev/null; then
  run "RunScript from a non-UI thread to the page in the real window, driven by --control (median latency)" \
    scripts/bench_runscript.sh "$build" 500
  run "desktop tool: cold start to the set-up page (< 1 s), memory with it open (< 200 MB)" \
    bench/gui_start.sh "$build" 3
fi
