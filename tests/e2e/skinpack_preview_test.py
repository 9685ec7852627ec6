#!/usr/bin/env python3
"""skinpack.exe preview under Wine, as a skin author runs it: for each
shipped package the PNG's caption buttons, active and inactive, show exactly
the button frames of the package's own bitmaps (taken out with skinpack's
extract and decoded here, not drawn by the preview), placed where the
package's ini puts them; a package cut short or no package at all gets one
error naming the file, a non-zero exit and no picture.

skinpack_preview_test.py SKINPACK_EXE SOURCE_DIR"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

EXE, SOURCE = sys.argv[1:3]
del sys.argv[1:3]
WINE_RUN = os.path.join(SOURCE, "tools", "wine-run")
PACKAGES = [os.path.join(SOURCE, "assets", "skin.pkg"), os.path.join(SOURCE, "assets", "skins", "graphite.pkg")]
# Where the preview puts its two windows, left edge, top and width.
WINDOWS = {"active": (16, 16, 270, 1), "inactive": (314, 16, 270, 4)}
KEY = (255, 0, 255)


def win_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run(*args):
    r = subprocess.run([WINE_RUN, EXE, *args], stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    return r.returncode, r.stderr.decode(errors="replace").replace("\r\n", "\n")


def read_bmp(path):
    """A 24-bit BMP's width and height, and the (r, g, b) at (x, y) from the
    top as a function: only the pixels compared are decoded."""
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 24, path
    stride, rows = (width * 3 + 3) & ~3, abs(height)
    assert offset + stride * rows <= len(data), path

    def pixel(x, y):
        at = offset + ((rows - 1 - y) if height > 0 else y) * stride + 3 * x
        return data[at + 2], data[at + 1], data[at]
    return width, rows, pixel


def read_png(path, rows):
    """The first `rows` rows of an 8-bit RGB PNG as bytearrays of r, g, b,
    every filter type undone. The stream is inflated whole, but the rows
    below the last one asked for are never unfiltered: that per-byte work
    is what costs."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8: pos + 8 + length]
        assert zlib.crc32(kind + body) == struct.unpack_from(">I", data, pos + 8 + length)[0], kind
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack_from(">IIBB", body)
            assert (depth, colour) == (8, 2)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, out, prev = zlib.decompress(idat), width * 3, [], bytearray(width * 3)
    assert rows <= height and len(raw) == height * (stride + 1), (rows, height, len(raw))
    for y in range(rows):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1: (y + 1) * (stride + 1)])
        if kind == 1:
            for i in range(3, stride):
                line[i] = (line[i] + line[i - 3]) & 255
        elif kind == 2:
            line = bytearray((v + b) & 255 for v, b in zip(line, prev))
        elif kind == 3:
            for i in range(stride):
                line[i] = (line[i] + ((line[i - 3] if i >= 3 else 0) + prev[i]) // 2) & 255
        elif kind == 4:
            for i in range(stride):
                a, b, c = (line[i - 3], prev[i], prev[i - 3]) if i >= 3 else (0, prev[i], 0)
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        else:
            assert kind == 0, "filter type %d in row %d" % (kind, y)
        out.append(line)
        prev = line
    return out


def caption_buttons(ini_path):
    """The ini's close and minimize buttons (where a maximize button goes,
    a skin with a help button shows that one instead)."""
    sections, name = {}, None
    for line in open(ini_path, encoding="latin-1"):
        line = line.strip()
        if line.startswith("["):
            name = line[1:line.index("]")]
            sections[name] = {}
        elif "=" in line and name is not None:
            key, value = line.split("=", 1)
            sections[name][key.strip().lower()] = value.strip()
    buttons = []
    for name, keys in sections.items():
        if not name.upper().startswith("BUTTON") or name.upper() == "BUTTONS":
            continue
        if keys.get("action") in ("0", "2") and keys.get("buttonimage"):
            buttons.append(keys)
    return buttons


class Preview(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="preview-test-")

    def tearDown(self):
        shutil.rmtree(self.tmp)

    def test_caption_buttons_show_the_package_s_own_frames(self):
        for pkg in PACKAGES:
            with self.subTest(pkg=os.path.basename(pkg)):
                files = os.path.join(self.tmp, os.path.basename(pkg) + ".files")
                self.assertEqual(run("extract", win_path(pkg), win_path(files))[0], 0)
                out = os.path.join(self.tmp, os.path.basename(pkg) + ".png")
                rc, err = run("preview", win_path(pkg), win_path(out))
                self.assertEqual((rc, err), (0, ""))
                ini = [f for f in os.listdir(files) if f.endswith(".ini")][0]
                buttons = caption_buttons(os.path.join(files, ini))
                self.assertEqual(len(buttons), 2)
                images = [read_bmp(os.path.join(files, keys["buttonimage"].lower())) for keys in buttons]
                # Only the rows down to the lowest button's bottom are compared.
                shot = read_png(out, max(top + int(keys["ycoord"]) + height for keys, (_, height, _) in zip(buttons, images)
                                         for _, top, _, _ in WINDOWS.values()))
                for keys, (width, height, image) in zip(buttons, images):
                    frames = int(keys.get("frame", "0")) or (6 if width > 3.8 * height else 3)
                    fw = width // frames
                    for state, (left, top, window_width, frame) in WINDOWS.items():
                        x0 = left + window_width - int(keys["xcoord"]) if keys.get("align") == "1" else left + int(keys["xcoord"])
                        y0 = top + int(keys["ycoord"])
                        compared = 0
                        for y in range(height):
                            for x in range(fw):
                                want = image((frame - 1) * fw + x, y)
                                if want == KEY:
                                    continue
                                compared += 1
                                got = tuple(shot[y0 + y][3 * (x0 + x): 3 * (x0 + x) + 3])
                                self.assertEqual(got, want, "%s %s button (%d, %d)" % (state, keys["buttonimage"], x0 + x, y0 + y))
                        self.assertGreater(compared, fw * height // 3)
                shots = os.path.join(SOURCE, "build", "screenshots")
                os.makedirs(shots, exist_ok=True)
                shutil.copy(out, os.path.join(shots, "preview-" + os.path.basename(pkg)[:-4] + ".png"))

    def test_a_bad_package_is_named_and_leaves_no_picture(self):
        whole = open(PACKAGES[1], "rb").read()
        cut = os.path.join(self.tmp, "cut.pkg")
        open(cut, "wb").write(whole[: len(whole) // 2])
        ini = os.path.join(SOURCE, "assets", "skin", "skin.ini")
        for pkg, reason in ((cut, "cut short"), (ini, "is not a skin package")):
            with self.subTest(reason=reason):
                out = os.path.join(self.tmp, "out.png")
                rc, err = run("preview", win_path(pkg), win_path(out))
                self.assertNotEqual(rc, 0)
                self.assertEqual(err.count("\n"), 1, err)
                self.assertIn(win_path(pkg), err)
                self.assertIn(reason, err)
                self.assertEqual(os.listdir(self.tmp), ["cut.pkg"], "a picture or part of one was left")


if __name__ == "__main__":
    unittest.main()
