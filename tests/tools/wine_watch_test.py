"""tools/wine-watch with stand-ins for Wine: the program's output reaches the
caller byte for byte, Wine's channel lines reach only the log, and a run that
fails with nothing to read says so."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
WATCH = os.path.join(HERE, "..", "..", "tools", "wine-watch")


def watch(script, log, env=None):
    started = time.monotonic()
    r = subprocess.run([sys.executable, WATCH, log, "bash", "-c", script], stdin=subprocess.DEVNULL,
                       capture_output=True, timeout=60, env=env)
    return r.returncode, r.stdout, r.stderr, time.monotonic() - started


class WineWatch(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.log = os.path.join(self.tmp.name, "run.wine.log")

    def tearDown(self):
        self.tmp.cleanup()

    def read_log(self):
        with open(self.log, "rb") as f:
            return f.read()

    def test_output_is_split_between_caller_and_log(self):
        # (script, status, stdout, stderr, lines only the log holds)
        cases = [
            ("printf 'a\\0b\\r\\n'; printf 'no newline' >&2", 0, b"a\0b\r\n", b"no newline", []),
            ("echo '0024:err:module:import_dll Library x.dll not found' >&2; echo 'skinpack: bad' >&2; exit 2",
             2, b"", b"skinpack: bad\n", [b"0024:err:module:import_dll"]),
            # +pid and +timestamp forms, and the launcher's hint, are Wine's too
            ("echo '1.5:0020:0024:warn:seh:dispatch x' >&2; echo 'it looks like wine32 is missing, you' >&2;"
             "echo 'error: 0024:err: is only text here' >&2", 0, b"", b"error: 0024:err: is only text here\n",
             [b"1.5:0020:0024:warn:seh", b"it looks like wine32"]),
            # a line written in pieces, the program's own, arrives whole
            ("printf 'half ' >&2; sleep 0.3; echo 'and half' >&2; echo out", 0, b"out\n", b"half and half\n", []),
        ]
        for script, status, out, err, logged in cases:
            with self.subTest(script=script):
                rc, got_out, got_err, _ = watch(script, self.log)
                self.assertEqual((rc, got_out, got_err), (status, out, err))
                for line in logged:
                    self.assertIn(line, self.read_log())
                self.assertNotIn(b"wine-run:", got_err)

    def test_a_run_that_fails_with_nothing_to_read_says_why(self):
        cases = [
            # silent, with Wine's reason in the log: the reason is shown
            ("echo '0030:err:x11drv:x11drv_init cannot open display' >&2; exit 1", 1,
             [b"status 1", b"printed nothing", b"x11drv_init cannot open display"]),
            # silent and killed: the status a shell would give
            ("kill -9 $$", 137, [b"status 137", b"printed nothing", b"Wine logged nothing"]),
            # Wine's loader failing, although it printed: shown too
            ("echo 'wine: could not load kernel32.dll, status c0000135' >&2; exit 1", 1,
             [b"wine: could not load kernel32.dll", b"status 1 after"]),
        ]
        for script, status, said in cases:
            with self.subTest(script=script):
                rc, _, err, _ = watch(script, self.log)
                self.assertEqual(rc, status)
                for words in said:
                    self.assertIn(words, err)
                self.assertIn(self.log.encode(), err)
        # The log keeps one block a run with its ending.
        self.assertEqual(self.read_log().count(b"== status "), len(cases))

    def test_a_wineserver_replaced_under_the_program_is_no_pass(self):
        # The prefix names its server's folder, as Debian's Wine does; the
        # "program" replaces the socket, as another run's stop and start would.
        prefix = os.path.join(self.tmp.name, "prefix")
        os.mkdir(prefix)
        with open(os.path.join(prefix, "wineserver"), "w") as f:
            f.write("wine-test\n")
        st = os.stat(prefix)
        server = os.path.join(self.tmp.name, "wine-test", "server-%x-%x" % (st.st_dev, st.st_ino))
        os.makedirs(server)
        open(os.path.join(server, "socket"), "w").close()
        env = dict(os.environ, WINEPREFIX=prefix, TMPDIR=self.tmp.name)
        rc, out, err, _ = watch("echo kept", self.log, env)
        self.assertEqual((rc, out, err), (0, b"kept\n", b""))
        rc, _, err, _ = watch(f"rm {server}/socket; echo x >{server}/socket.new; mv {server}/socket.new {server}/socket",
                              self.log, env)
        self.assertEqual(rc, 1)
        self.assertIn(b"wineserver was stopped or replaced during the run", err)

    def test_a_process_left_holding_the_pipes_does_not_hold_the_run(self):
        # As a wineserver or service started by the program would.
        pid_file = os.path.join(self.tmp.name, "pid")
        try:
            rc, out, _, took = watch(f"sleep 60 & echo $! >{pid_file}; echo done; exit 4", self.log)
            self.assertEqual((rc, out), (4, b"done\n"))
            self.assertLess(took, 30)
        finally:
            with open(pid_file) as f:
                os.kill(int(f.read()), 15)

if __name__ == "__main__":
    unittest.main()
