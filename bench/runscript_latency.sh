#!/usr/bin/env bash
# RunScript latency in the real window, driven through its --control input:
# each sample sends {"run":"document.title='bench-i'"}, which the window
# hands to RunScript from its dispatcher thread (as the box worker calls
# it); the sample ends when the page log reports the new title, so it holds
# the hop to the page, the script, and the way back (title change, page log,
# pipe). Needs a built tree and xvfb-run (or a display).
#   bench/runscript_latency.sh [BUILD_DIR] [N]
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"; fi
build="$(cd "${1:-build}" && pwd)"
count="${2:-500}"
app="$build/app"
[ -x "$app/orbo" ] || { echo "runscript_latency: $app/orbo is not built" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app"
cp -r "$app/html" "$app/Skins" "$app/orbo.png" "$work/app/"
printf '[HMI]\noem=0\nname=ORBO\nlang=en\nserver=0\n' >"$work/app/SoftLang.ini"

python3 - "$app" "$work" "$count" <<'PY'
import json, os, select, subprocess, sys, time

app, work, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
warm_up = 20
env = dict(os.environ, XDG_RUNTIME_DIR=work, XDG_CACHE_HOME=work, TMPDIR=work)
orbo = subprocess.Popen([os.path.join(app, "orbo"), "--app-dir", os.path.join(work, "app"),
                         "--no-port", "--page-log", "--control"],
                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
buf, lines = b"", []

def wait_for(match, timeout):
    global buf
    end = time.perf_counter() + timeout
    while True:
        while lines:
            line = lines.pop(0)
            if match(line):
                return time.perf_counter()
        left = end - time.perf_counter()
        if left <= 0:
            return None
        r, _, _ = select.select([orbo.stdout], [], [], left)
        if not r:
            continue
        chunk = os.read(orbo.stdout.fileno(), 65536)
        if not chunk:
            return None
        buf += chunk
        *complete, buf = buf.split(b"\n")
        lines.extend(c.decode("utf-8", "replace") for c in complete)

def fail(why):
    orbo.kill()
    sys.exit("runscript_latency: " + why)

if wait_for(lambda l: l.startswith('{"loaded":'), 60) is None:
    fail("the monitor page did not load")
samples = []
for i in range(warm_up + count):
    title = "bench-%d" % i
    want = json.dumps({"title": title}, separators=(",", ":"))
    t0 = time.perf_counter()
    orbo.stdin.write(('{"run":"document.title=\'%s\';"}\n' % title).encode())
    orbo.stdin.flush()
    t1 = wait_for(lambda l: l == want, 30)
    if t1 is None:
        fail("sample %d did not come back" % i)
    if i >= warm_up:
        samples.append((t1 - t0) * 1000)
orbo.stdin.write(b'{"quit":true}\n')
orbo.stdin.close()
orbo.wait(timeout=30)
samples.sort()
pick = lambda p: samples[min(len(samples) - 1, int(p * (len(samples) - 1) + 0.5))]
print("runscript latency, control line to page title change, %d calls: median %.3f ms, "
      "p90 %.3f ms, p99 %.3f ms, max %.3f ms" % (len(samples), pick(0.5), pick(0.9), pick(0.99), samples[-1]))
PY
