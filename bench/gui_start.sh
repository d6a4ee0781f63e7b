#!/usr/bin/env bash
# Desktop tool figures: cold start to the setup page drawn, and the resident
# memory of the whole tool (the window's process and its web processes) with
# the setup page open and a simulated box detected. Prints one line per run
# and the median. Needs a built tree and xvfb-run (or a display).
#   bench/gui_start.sh [BUILD_DIR] [RUNS]
set -euo pipefail
# Without a display: again under a virtual X server of its own.
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"; fi
build="$(cd "${1:-build}" && pwd)"
runs="${2:-3}"
app="$build/app"
[ -x "$app/orbo" ] || { echo "gui_start: $app/orbo is not built" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The shipped pages and skin in an app directory of the benchmark's own.
mkdir -p "$work/app"
cp -r "$app/html" "$app/Skins" "$app/orbo.png" "$app/ReleaseLog.log" "$work/app/"
printf '[HMI]\noem=0\nname=ORBO\nlang=en\nserver=0\n' >"$work/app/SoftLang.ini"

measure() {
  python3 - "$app" "$work" "$runs" <<'PY'
import json, os, random, select, statistics, subprocess, sys, time

app, work, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])

def descendants(pid):
    out = subprocess.run(["ps", "-e", "-o", "pid=,ppid="], capture_output=True, text=True).stdout
    pairs = [tuple(map(int, l.split())) for l in out.strip().splitlines()]
    found, todo = [], [pid]
    while todo:
        p = todo.pop()
        found.append(p)
        todo += [c for c, pp in pairs if pp == p]
    return found

def memory(pid):
    rss = pss = 0
    for p in descendants(pid):
        if os.environ.get("GUI_START_DETAIL"):
            try:
                name = open(f"/proc/{p}/comm").read().strip()
                roll = open(f"/proc/{p}/smaps_rollup").read()
                print("   ", p, name, [l for l in roll.splitlines() if l.startswith(("Rss:", "Pss:"))])
            except OSError:
                pass
        try:
            with open(f"/proc/{p}/smaps_rollup") as f:
                for line in f:
                    if line.startswith("Rss:"): rss += int(line.split()[1])
                    if line.startswith("Pss:"): pss += int(line.split()[1])
        except OSError:
            pass
    return rss / 1024, pss / 1024

pending = {}  # process -> (bytes not yet split, complete lines not yet looked at)

def wait_for(proc, match, timeout):
    buf, lines = pending.setdefault(proc.pid, [b"", []])
    end = time.monotonic() + timeout
    while True:
        while lines:
            line = lines.pop(0)
            if match(line):
                return time.monotonic()
        if time.monotonic() >= end:
            return None
        r, _, _ = select.select([proc.stdout], [], [], 0.5)
        if not r:
            continue
        chunk = os.read(proc.stdout.fileno(), 65536)
        if not chunk:
            return None
        buf += chunk
        *complete, buf = buf.split(b"\n")
        pending[proc.pid][0] = buf
        lines += [c.decode("utf-8", "replace") for c in complete]

starts, rss_all, pss_all = [], [], []
for run in range(runs):
    address = "127.%d.%d.%d" % (random.randint(60, 250), random.randint(1, 250), random.randint(1, 250))
    usb = os.path.join(work, "usb%d.sock" % run)
    sim = subprocess.Popen([os.path.join(app, "orbo-boxsim"), "--address", address, "--udp-port", "0",
                            "--usb", usb, "--store", os.path.join(work, "store%d" % run),
                            "--log", os.path.join(work, "sim%d.jsonl" % run)],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    if wait_for(sim, lambda l: l.startswith("orbo-boxsim ready"), 10) is None:
        sys.exit("gui_start: the simulated box did not start")
    env = dict(os.environ, XDG_RUNTIME_DIR=work, TMPDIR=work)
    first = "file://" + os.path.join(work, "app", "html", "first_page.html")
    t0 = time.monotonic()
    orbo = subprocess.Popen([os.path.join(app, "orbo"), "--app-dir", os.path.join(work, "app"),
                             "--no-port", "--page-log", "--control", "--auto-answer",
                             "--start", "setup", "--usb-sim", usb],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
    t1 = wait_for(orbo, lambda l: l == json.dumps({"loaded": first}, separators=(",", ":")), 60)
    detected = wait_for(orbo, lambda l: "DetectBox(" in l, 60)
    if t1 is None or detected is None:
        orbo.kill(); sim.kill()
        sys.exit("gui_start: the setup page did not show")
    time.sleep(1)  # the page settles after the box is shown before memory is read
    rss, pss = memory(orbo.pid)
    start_ms = (t1 - t0) * 1000
    print("run %d: start to setup page %.0f ms, memory RSS %.0f MB (PSS %.0f MB)" % (run + 1, start_ms, rss, pss))
    starts.append(start_ms); rss_all.append(rss); pss_all.append(pss)
    orbo.stdin.write(b'{"quit":true}\n'); orbo.stdin.close()
    orbo.wait(timeout=30)
    sim.terminate(); sim.wait(timeout=10)
print("median: start %.0f ms (target < 1000), RSS %.0f MB, PSS %.0f MB (target < 200 MB)"
      % (statistics.median(starts), statistics.median(rss_all), statistics.median(pss_all)))
PY
}
measure
