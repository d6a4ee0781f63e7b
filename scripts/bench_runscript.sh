#!/usr/bin/env bash
# RunScript latency in the real window: a thread playing the box worker
# calls RunScript N times, one after the other, and each sample ends when
# the page function has run and told the window so. Runs under a virtual X
# server. Usage: scripts/bench_runscript.sh [BUILD_DIR] [N]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
count="${2:-500}"
orbo="$build/app/orbo"
if [ ! -x "$orbo" ]; then
  echo "bench_runscript.sh: $orbo not built (cmake --build $build --target orbo)" >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null; then
  echo "bench_runscript.sh: xvfb-run is not installed" >&2
  exit 1
fi
app="$(mktemp -d)"
trap 'rm -rf "$app"' EXIT
mkdir -p "$app/html"
printf "[HMI]\noem=0\n" > "$app/SoftLang.ini"  # no reseller package to apply
TMPDIR="$app" GDK_BACKEND=x11 xvfb-run -a "$orbo" --no-port --app-dir "$app" --bench-runscript "$count"
