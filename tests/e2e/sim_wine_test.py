#!/usr/bin/env python3
"""orvane-sim.exe under Wine, as the end-to-end tests, the soak and run-panel
start it: the control port's token file is the user's alone on the Linux side
too (mode 0600), whatever the umask and the rights of its folder, both where
--token-file puts it and beside the state file; the run's token lets a command
in, and the file goes with the run.

sim_wine_test.py WIN_APP_DIR
"""

import os
import socket
import stat
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


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def command(port, token, line):
    with socket.create_connection(("127.0.0.1", port), 5) as c:
        c.sendall(("token %s\n%s\n" % (token, line)).encode())
        answer = b""
        while answer.count(b"\n") < 2:
            data = c.recv(256)
            if not data:
                break
            answer += data
    return answer.decode(errors="replace")


def run_once(app, folder, named):
    """One simulator whose token file is `folder`/token (named) or the one it
    chooses beside its state file; returns the path it checked."""
    port, control = free_port(), free_port()
    state = os.path.join(folder, "state")
    token_file = os.path.join(folder, "token") if named else os.path.join(folder, "control-%d.token" % control)
    args = [os.path.join(ROOT, "tools", "wine-run"), os.path.join(app, "orvane-sim.exe"), "--no-stdin",
            "--port", str(port), "--control-port", str(control), "--state", windows_path(state),
            "--log", windows_path(os.path.join(folder, "log"))]
    if named:
        args += ["--token-file", windows_path(token_file)]
    old_umask = os.umask(0o022)
    try:
        sim = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        os.umask(old_umask)
    what = "the token file %s" % ("named" if named else "beside the state")
    try:
        for _ in range(600):
            if os.path.exists(token_file) or sim.poll() is not None:
                break
            time.sleep(0.1)
        check(os.path.exists(token_file), "%s was never written" % what)
        if not os.path.exists(token_file):
            return
        mode = stat.S_IMODE(os.stat(token_file).st_mode)
        check(mode == 0o600, "%s has mode %o, not 600" % (what, mode))
        with open(token_file) as f:
            token = f.read().strip()
        for _ in range(100):
            try:
                answer = command(control, token, "params")
                break
            except OSError:
                time.sleep(0.1)
        else:
            answer = ""
        check("ok token" in answer and "ok input=" in answer, "%s: the run's token got %r" % (what, answer))
        answer = command(control, token, "quit")
        check("ok bye" in answer, "%s: quit got %r" % (what, answer))
        sim.wait(60)
        check(sim.returncode == 0, "%s: the simulator ended with %s" % (what, sim.returncode))
        check(not os.path.exists(token_file), "%s outlived the simulator" % what)
    finally:
        if sim.poll() is None:
            sim.kill()
            sim.wait(10)


def main():
    app = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        # A folder anyone may look into, as a home folder often is.
        os.chmod(tmp, 0o755)
        for named in (True, False):
            run_once(app, tmp, named)
    if failures:
        sys.exit(1)
    print("sim_wine_test: all checks passed")


main()
