#!/usr/bin/env bash
# Sets everything up and runs the tool against the built-in simulated box.
# With a display: the desktop tool, started on the set-up page, finds the
# simulated box on its (simulated) USB cable; the box also answers on
# 127.0.0.1 for the LAN mode. Without a display: the same kind of session
# runs headless through orbo-cli page and its page log is printed.
#   scripts/run.sh [--headless]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build >/dev/null
app=build/app

work="$(mktemp -d)"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The simulated box: TCP 8769 and UDP 8767 on 127.0.0.1, USB reports on a socket.
mkfifo "$work/ready"
"$app/orbo-boxsim" --address 127.0.0.1 --usb "$work/usb.sock" --profile scripts/demo/box.json \
  --store "$work/box-store" --log "$work/box-log.jsonl" >"$work/ready" &
sim_pid=$!
# Keep the status pipe open for the whole session: the box reports each
# reboot on it.
exec 3<"$work/ready"
if ! read -r -t 10 -u 3 line || [[ "$line" != "orbo-boxsim ready"* ]]; then
  echo "run.sh: the simulated box did not start (is 127.0.0.1:8769 in use?)" >&2
  exit 1
fi
echo "$line"

if [ "${1:-}" != "--headless" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$app/orbo" ]; then
  echo "Starting the desktop tool; close its window to end."
  "$app/orbo" --usb-sim "$work/usb.sock" --start setup
else
  echo "No display: running the session headless (orbo-cli page); page log:"
  python3 scripts/demo/session.py build "$work/usb.sock"
  echo
  echo "What the box received (from its command log):"
  python3 - "$work/box-log.jsonl" <<'PY'
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    e = json.loads(line)
    if "command" in e:
        print("  " + e["transport"] + ": " + json.dumps(e["command"]))
    elif e.get("event") == "stored":
        print(f"  stored {e['name']} ({e['size']} bytes, digest {'ok' if e.get('ok') else 'BAD'})")
    elif "event" in e:
        print("  " + e["event"] + (" " + e["name"] if "name" in e else ""))
PY
fi
