#!/usr/bin/env python3
"""orvane-ctl.exe under Wine, through our CH375DLL.DLL, against the native
simulator: `status` prints exactly what the native orvane-ctl prints, and a
device another program holds exclusively is reported busy (exit 3) through
the library as natively.

ctl_wine_test.py WIN_APP_DIR NATIVE_BUILD
"""

import os
import socket
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL:", what)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def run(cmd, env):
    r = subprocess.run(cmd, env=env, stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    return r.returncode, r.stdout.decode().replace("\r\n", "\n"), r.stderr.decode()


def command(control, line):
    control.sendall((line + "\n").encode())
    answer = b""
    while not answer.endswith(b"\n"):
        answer += control.recv(256)
    return answer.decode().strip()


def link(kind, body=b""):
    return struct.pack("<H", len(body) + 1) + kind + body


def main():
    app, native = sys.argv[1], sys.argv[2]
    ctl = os.path.join(native, "ctl", "orvane-ctl")
    sim_exe = os.path.join(native, "simulator", "orvane-sim")
    for f in (ctl, sim_exe):
        if not os.path.isfile(f):
            sys.exit(f"ctl_wine_test: {f} is not built (make native)")
    port, control_port = free_port(), free_port()
    env = dict(os.environ, ORVANE_SIM_PORT=str(port))
    wine = [os.path.join(ROOT, "tools", "wine-run"), os.path.join(app, "orvane-ctl.exe")]
    with tempfile.TemporaryDirectory() as tmp:
        sim = subprocess.Popen([sim_exe, "--port", str(port), "--control-port", str(control_port), "--no-stdin",
                                "--no-token", "--state", os.path.join(tmp, "state"), "--log",
                                os.path.join(tmp, "log"), "--seed", "9"],
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            for _ in range(200):
                try:
                    control = socket.create_connection(("127.0.0.1", control_port), 1)
                    break
                except OSError:
                    time.sleep(0.05)
            command(control, "reading 64")
            command(control, "level 7")
            check(run([ctl, "set", "threshold=61", "input=dBC", "offset=-3"], env)[0] == 0, "native set")
            for args in (["status"], ["--json", "status"]):
                n = run([ctl] + args, env)
                w = run(wine + args, env)
                check(n[0] == 0 and w[0] == 0, f"{args}: exit codes {n[0]} and {w[0]} ({w[2].strip()})")
                check(n[1] == w[1], f"{args}: native printed {n[1]!r}, Wine printed {w[1]!r}")
                check("61" in n[1] and "64" in n[1], f"{args}: not the device's values: {n[1]!r}")
            # A write through the library, verified, as natively.
            w = run(wine + ["set", "threshold=99"], env)
            check(w[0] == 0 and command(control, "params").find("threshold=99") > 0, f"Wine set: {w}")
            # Another program holding the device exclusively, as the panel does.
            holder = socket.create_connection(("127.0.0.1", port), 2)
            holder.sendall(link(b"H", struct.pack("<IB", 4711, 0)) + link(b"O") + link(b"X", b"\x01"))
            time.sleep(0.3)
            w = run(wine + ["detect"], env)
            check(w[0] == 3 and w[1] == "busy: held by another program\n", f"Wine detect with the device held: {w}")
            check(run(wine + ["get"], env)[0] == 3, "Wine get with the device held is not busy")
            holder.close()
            command(control, "unplug")
            check(run(wine + ["get"], env)[0] == 2, "Wine get with the device unplugged is not 'no device'")
        finally:
            sim.terminate()
            sim.wait(10)
    if failures:
        sys.exit(1)
    print("ctl_wine_test: all checks passed")


main()
