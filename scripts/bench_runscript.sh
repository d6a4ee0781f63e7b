#!/usr/bin/env bash
# RunScript latency in the real window (see bench/runscript_latency.sh).
# Usage: scripts/bench_runscript.sh [BUILD_DIR] [N]
set -euo pipefail
cd "$(dirname "$0")/.."
exec bench/runscript_latency.sh "${1:-build}" "${2:-500}"
