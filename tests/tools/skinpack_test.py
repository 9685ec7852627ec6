"""The real skinpack program on real files: a package taken apart in one call
gives back every file byte for byte, a package that names a file outside the
folder is refused whole, build refuses an ini whose bitmaps the skin loader
would not find (naming the key) and links that would pack files from
elsewhere, and a file that is no package is called so
before anything is unpacked.

usage: skinpack_test.py SKINPACK ASSET_SKIN_DIR VERSION_FILE"""

import os
import resource
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import unittest

SKINPACK, ASSETS, VERSION_FILE = sys.argv[1:4]
del sys.argv[1:4]


def run(*args, **kwargs):
    return subprocess.run([SKINPACK, *args], capture_output=True, text=True, **kwargs)


def rle_bitmap(width, height):
    """A few bytes of 8-bit RLE that describe width x height pixels, all of
    them left to the decoder to fill."""
    header = struct.pack("<2sIHHI", b"BM", 62, 0, 0, 14 + 40 + 8)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, 0, 0, 0, 0, 0)
    return header + info + struct.pack("<II", 0x00FF00FF, 0) + bytes([0, 1])


def file_size_limit(size):
    """For preexec_fn: a disk that takes `size` bytes of any one file, and a
    write beyond that fails (EFBIG) rather than ending the program."""
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (size, size))
    return limit


class Skinpack(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="skinpack-test-")

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def path(self, *parts):
        return os.path.join(self.tmp, *parts)

    def test_extract_all_gives_back_every_file_of_the_default_skin(self):
        pkg = self.path("default.skn")
        self.assertEqual(run("build", ASSETS, pkg).returncode, 0)
        out = self.path("new", "folder")  # made as needed
        r = run("extract", pkg, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        sources = sorted(os.listdir(ASSETS))
        self.assertEqual(sorted(os.listdir(out)), [n.lower() for n in sources])
        self.assertIn("%d files written" % len(sources), r.stdout)
        for name in sources:
            with open(os.path.join(ASSETS, name), "rb") as a, open(os.path.join(out, name.lower()), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)
        # The one-file form still works beside it.
        self.assertEqual(run("extract", pkg, "top.bmp", self.path("top.bmp")).returncode, 0)

    def test_a_package_naming_a_file_outside_the_folder_writes_nothing(self):
        names = b"good.bmp\r\n../evil.bmp\r\n"
        data = [b"BMgood", b"BMevil"]
        raw = struct.pack("<iiq", 20000, len(names), 0) + names
        raw += b"".join(struct.pack("<i", len(d)) for d in data) + b"".join(data)
        with open(self.path("raw"), "wb") as f:
            f.write(raw)
        pkg = self.path("evil.skn")
        self.assertEqual(run("pack", self.path("raw"), pkg).returncode, 0)
        out = self.path("out")
        r = run("extract", pkg, out)
        self.assertEqual(r.returncode, 1)
        self.assertIn('"../evil.bmp"', r.stderr)
        self.assertFalse(os.path.exists(self.path("evil.bmp")))
        self.assertFalse(os.path.exists(os.path.join(out, "good.bmp")), "nothing was written")

    def skin_folder(self, value):
        folder = tempfile.mkdtemp(dir=self.tmp) + "/skin"
        shutil.copytree(ASSETS, folder)
        ini = os.path.join(folder, [n for n in os.listdir(folder) if n.endswith(".ini")][0])
        with open(ini, "rb") as f:
            text = f.read()
        with open(ini, "wb") as f:
            f.write(text.replace(b"Left=left.bmp", b"Left=" + value.encode()))
        return folder

    def test_build_refuses_bitmaps_the_loader_would_not_find_and_names_the_key(self):
        cases = [
            ("lefft.bmp", "[Personality] Left=lefft.bmp: the folder holds no such bitmap"),
            ("left.BMP", "[Personality] Left=left.BMP: the skin loader reads only names ending in"),
        ]
        for value, message in cases:
            with self.subTest(value=value):
                folder = self.skin_folder(value)
                out = self.path("out.skn")
                r = run("build", folder, out)
                self.assertEqual(r.returncode, 1)
                self.assertIn(message, r.stderr)
                self.assertFalse(os.path.exists(out), "no package written")
        # What the loader does find is accepted: a path before the name, and
        # the name in another case (the package is looked up without case).
        for value in ("skins\\Left.bmp", "LEFT.bmp"):
            with self.subTest(value=value):
                folder = self.skin_folder(value)
                r = run("build", folder, self.path("ok.skn"))
                self.assertEqual(r.returncode, 0, r.stderr)
        # A link in the folder would pack whatever it points at: a private
        # file behind a linked ini, or behind a linked bitmap.
        with open(self.path("secret"), "w") as f:
            f.write("BM not for the package\n")
        for linked in ("skin.ini", "left.bmp"):
            with self.subTest(linked=linked):
                folder = self.skin_folder("left.bmp")
                victim = [n for n in os.listdir(folder) if n.lower() == linked][0]
                os.remove(os.path.join(folder, victim))
                os.symlink(self.path("secret"), os.path.join(folder, victim))
                out = self.path("linked.skn")
                r = run("build", folder, out)
                self.assertEqual(r.returncode, 1)
                self.assertIn('%s" is a symbolic link' % victim, r.stderr)
                self.assertFalse(os.path.exists(out), "no package written")

    def test_a_file_that_is_no_package_is_called_so(self):
        ini = [n for n in os.listdir(ASSETS) if n.endswith(".ini")][0]
        open(self.path("empty"), "wb").close()
        for name in (os.path.join(ASSETS, ini), os.path.join(ASSETS, "top.bmp"), self.path("empty")):
            for args in (("list", name), ("extract", name, self.path("x"))):
                with self.subTest(args=args):
                    r = run(*args)
                    self.assertEqual(r.returncode, 1)
                    self.assertEqual(r.stderr, 'skinpack: "%s" is not a skin package\n' % name)

    def test_a_package_cut_short_is_refused_by_list_and_check(self):
        pkg = self.path("whole.skn")
        self.assertEqual(run("build", ASSETS, pkg).returncode, 0)
        with open(pkg, "rb") as f:
            whole = f.read()
        self.assertEqual(run("check", pkg).returncode, 0)
        for cut in (3, 100, len(whole) // 2):
            short = self.path("cut%d.skn" % cut)
            with open(short, "wb") as f:
                f.write(whole[:-cut])
            for command in ("list", "check"):
                with self.subTest(cut=cut, command=command):
                    r = run(command, short)
                    self.assertEqual(r.returncode, 1)
                    self.assertEqual(r.stdout, "")
                    self.assertIn('skinpack: "%s": ' % short, r.stderr)
                    self.assertIn("cut short", r.stderr)

    def test_extract_refuses_to_write_through_links_in_the_folder(self):
        pkg = self.path("default.skn")
        self.assertEqual(run("build", ASSETS, pkg).returncode, 0)
        victim = self.path("victim.txt")
        with open(victim, "w") as f:
            f.write("mine\n")
        nowhere = self.path("nowhere")
        for name, target in (("bottom.bmp", victim), ("top.bmp", nowhere)):
            with self.subTest(link=name, to=target):
                out = tempfile.mkdtemp(dir=self.tmp)
                os.symlink(target, os.path.join(out, name))
                r = run("extract", pkg, out)
                self.assertEqual(r.returncode, 1)
                self.assertIn('%s" is a symbolic link' % os.path.join(out, name), r.stderr)
                with open(victim) as f:
                    self.assertEqual(f.read(), "mine\n")
                self.assertFalse(os.path.exists(nowhere))
                self.assertEqual(os.listdir(out), [name], "nothing was written")

    def test_output_that_cannot_be_written_fails(self):
        pkg = self.path("default.skn")
        self.assertEqual(run("build", ASSETS, pkg).returncode, 0)
        ini = os.path.join(ASSETS, [n for n in os.listdir(ASSETS) if n.endswith(".ini")][0])
        problems = self.skin_folder("lefft.bmp")
        with open("/dev/full", "w") as full:
            for args in (("list", pkg), ("--help",), ("--version",), ("check", problems),
                         ("extract", pkg, self.path("all"))):
                with self.subTest(stdout=args):
                    r = subprocess.run([SKINPACK, *args], stdout=full, stderr=subprocess.PIPE, text=True)
                    self.assertEqual(r.returncode, 1)
                    self.assertIn("cannot write the output", r.stderr)
        for args in (("pack", ini, "/dev/full"), ("unpack", pkg, "/dev/full"),
                     ("extract", pkg, "top.bmp", "/dev/full"), ("build", ASSETS, "/dev/full")):
            with self.subTest(file=args):
                r = run(*args)
                self.assertEqual(r.returncode, 1)
                self.assertIn("/dev/full", r.stderr)

    def test_a_file_whose_rewrite_fails_is_kept_whole(self):
        pkg = self.path("default.skn")
        self.assertEqual(run("build", ASSETS, pkg).returncode, 0)
        with open(pkg, "rb") as f:
            whole = f.read()
        unpacked = self.path("unpacked")
        self.assertEqual(run("unpack", pkg, unpacked).returncode, 0)
        for args in (("build", ASSETS, pkg), ("pack", unpacked, pkg)):
            with self.subTest(args=args):
                r = run(*args, preexec_fn=file_size_limit(len(whole) // 2))
                with open(pkg, "rb") as f:
                    self.assertEqual(len(f.read()), len(whole), "the package as it was")
                with open(pkg, "rb") as f:
                    self.assertEqual(f.read(), whole, "the package as it was")
                self.assertEqual(sorted(os.listdir(self.tmp)), ["default.skn", "unpacked"], "nothing left beside it")
                self.assertEqual(r.returncode, 1)
                self.assertIn(pkg, r.stderr)
        # Written in full, it replaces the old one, keeping its permissions.
        os.chmod(pkg, 0o600)
        self.assertEqual(run("pack", unpacked, pkg).returncode, 0)
        self.assertEqual(os.stat(pkg).st_mode & 0o777, 0o600)

    def test_check_keeps_to_the_panels_pixel_budget(self):
        # A thousand buttons, each naming its own 8 Mi-pixel image of a few
        # bytes: the panel refuses this skin at the image that passes its
        # budget; check must say so in about what the panel spends.
        folder = self.path("buttons")
        os.mkdir(folder)
        bmp = rle_bitmap(8192, 1024)
        sections = []
        for i in range(1000):
            sections.append("[Button%d]\r\nAction=0\r\nButtonImage=b%d.bmp\r\n" % (i, i))
            with open(os.path.join(folder, "b%d.bmp" % i), "wb") as f:
                f.write(bmp)
        with open(os.path.join(folder, "skin.ini"), "w", newline="") as f:
            f.write("".join(sections))
        pkg = self.path("buttons.skn")
        r = run("build", folder, pkg)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertLess(os.path.getsize(pkg), 20000)

        # An old check would take gigabytes: the address space is held to
        # 1 GiB, so such a run fails here rather than starving the machine.
        def limits():
            resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
        with open(self.path("check.out"), "w") as out, open(self.path("check.err"), "w") as err:
            p = subprocess.Popen([SKINPACK, "check", pkg], stdout=out, stderr=err, preexec_fn=limits)
            _, status, usage = os.wait4(p.pid, 0)
            p.returncode = os.waitstatus_to_exitcode(status)
        with open(self.path("check.out")) as f:
            lines = f.read().splitlines()
        with open(self.path("check.err")) as f:
            errors = f.read()
        self.assertLess(usage.ru_maxrss, 200 * 1024, "peak KiB")
        self.assertEqual(p.returncode, 1, errors)
        budget = [line for line in lines if "8388608 pixels in all" in line]
        self.assertEqual(len(budget), 1, lines[:5])
        self.assertIn("b1.bmp", budget[0])

    def test_version(self):
        with open(VERSION_FILE) as f:
            version = f.readline().strip()
        r = run("--version")
        self.assertEqual((r.returncode, r.stdout), (0, "skinpack %s\n" % version))
        self.assertIn("extract PKG DIR", run("--help").stdout)


if __name__ == "__main__":
    unittest.main()
