#!/usr/bin/env python3
"""A headless set-up session: orbo-cli page (the tool without a window)
against orbo-boxsim, driven like a user on the setup page would, with the
page log printed in readable form.

    scripts/demo/session.py BUILD_DIR USB_SOCKET
"""
import json
import queue
import subprocess
import sys
import threading
import time

build, usb = sys.argv[1], sys.argv[2]
SEP = "\u0002"
# Answers in the order the questions come: the reboot after a time-zone
# change (no), the firmware update (yes) and one note per updated part (ok).
answers = ["no", "yes", "ok", "ok"]
cmd = [f"{build}/app/orbo-cli", "page", "--no-port", "--usb-sim", usb]
for a in answers:
    cmd += ["--answer", a]
host = subprocess.Popen(cmd, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
lines = queue.Queue()
threading.Thread(target=lambda: [lines.put(l) for l in host.stdout] and lines.put(None),
                 daemon=True).start()
start = time.monotonic()
last_disable = None


def show(line):
    global last_disable
    try:
        event = json.loads(line)
    except ValueError:
        print("  ?     " + line.rstrip())
        return
    stamp = f"{time.monotonic() - start:6.1f}s"
    if "script" in event:
        script = event["script"]
        if script.startswith('AddText("') and script.endswith('");'):
            text = json.loads('"' + script[9:-3] + '"')
            print(f"{stamp}  log    {text}")
        elif "ShowProgress(" in script:
            done_total = script[script.rindex("ShowProgress(") + 13:].rstrip(");")
            print(f"{stamp}  page   progress {done_total.replace(', ', '/')} bytes")
        elif script.startswith("DisableOperate("):
            state = "disabled" if "true" in script else "enabled"
            if state != last_disable:
                print(f"{stamp}  page   controls {state}")
            last_disable = state
        else:
            print(f"{stamp}  page   {script}")
    elif "prompt" in event:
        print(f"{stamp}  ask    [{event['prompt']}] {event['text']!r} -> {event['answer']}")
    elif "clipboard" in event:
        print(f"{stamp}  clip   {event['clipboard']}")
    elif "navigate" in event:
        print(f"{stamp}  view   {event['navigate']}")
    elif "result" in event:
        pass
    else:
        print(f"{stamp}  {line.rstrip()}")


def wait_for(predicate, timeout=60):
    deadline = time.monotonic() + timeout
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            sys.exit("demo: the session did not reach the expected step in time")
        try:
            line = lines.get(timeout=left)
        except queue.Empty:
            continue
        if line is None:
            sys.exit("demo: the page host ended early")
        show(line)
        if predicate(line):
            return


def send(value, note=None):
    if note:
        print(f"\n>> {note}")
    host.stdin.write(json.dumps(value) + "\n")
    host.stdin.flush()


def script_is(text):
    return lambda line: json.loads(line).get("script") == text


def script_starts(text):
    return lambda line: json.loads(line).get("script", "").startswith(text)


def operation(call, note, done):
    """Queue a box operation and wait until it ran and the page is idle."""
    send(call, note)
    wait_for(script_is("DisableOperate(true);"))
    wait_for(done)


print(">> the tool starts on the monitoring page")
wait_for(lambda line: "navigate" in json.loads(line))
send({"button": "setup"}, "open the set-up page: the tool looks for the box on USB")
wait_for(script_starts("DetectBox("))
wait_for(script_is("DisableOperate(false);"))

operation(["5", ""], "network test", script_is("DisableOperate(false);"))
send(["22", "Europe/Berlin"], "choose the time zone")
operation(["1", ""], "set the box's time zone and clock", script_is("DisableOperate(false);"))

form = "".join(f"{e}{SEP}{a}{SEP}{v}{SEP}" for e, a, v in [
    ("BaseSet", "BoxName", "Line-3 gateway"), ("Ethernet", "DHCP", "0"),
    ("Ethernet", "IP", "192.168.1.20"), ("Wifi", "Enable", "1"), ("Wifi", "SSID", "plant-floor")])
operation(["0", form], "send the configuration (the firmware is checked first)",
          script_starts("DetectBox("))
wait_for(script_is("DisableOperate(false);"))
operation(["2", ""], "fetch the configuration back", script_is("ShowUpLoadSetup()"))
operation(["16", "1"], "switch the box to mode 1 (it reboots)", script_is("DisableOperate(false);"))
operation(["18", ""], "blink the box's light", script_is("DisableOperate(false);"))
operation(["4", ""], "copy the machine code", script_is("DisableOperate(false);"))

host.stdin.close()
while (line := lines.get(timeout=30)) is not None:
    show(line)
host.wait(timeout=30)
print(f"\n>> session over after {time.monotonic() - start:.1f}s; the page host exited with {host.returncode}")
sys.exit(host.returncode)
