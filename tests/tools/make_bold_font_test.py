#!/usr/bin/env python3
"""tools/make-bold-font on the real "MS Sans Serif" and on damaged copies.

    make_bold_font_test.py REPO [SSERIFE.FON]

The real font: every size is in the output as an embedded strike, the bold
keeps one blank column between characters, and it is no wider than the
regular plus one pixel per character. Damaged copies (cut, bytes changed at
random, header fields bent): the tool ends with status 1 and a message, or
writes a font; never a Python traceback.
"""
import os
import random
import struct
import subprocess
import sys
import tempfile

repo = sys.argv[1]
source = sys.argv[2] if len(sys.argv) > 2 else "/usr/share/wine/fonts/sserife.fon"
tool = os.path.join(repo, "tools", "make-bold-font")
failures = []

namespace = {"__name__": "make_bold_font"}
with open(tool) as f:
    exec(compile(f.read(), tool, "exec"), namespace)

with open(source, "rb") as f:
    original = f.read()

# The real font.
strikes = [namespace["Strike"](fnt) for fnt in namespace["font_resources"](original)]
ttf = namespace["make_bold_ttf"](original)
tags = {ttf[12 + 16 * i:16 + 16 * i] for i in range(struct.unpack_from(">H", ttf, 4)[0])}
for tag in (b"EBLC", b"EBDT", b"glyf", b"hdmx", b"cmap", b"OS/2", b"name"):
    if tag not in tags:
        failures.append("no %s table" % tag.decode())
eblc = ttf[ttf.find(b"EBLC"):]
eblc_at = struct.unpack_from(">I", ttf, ttf.find(b"EBLC") + 8)[0]
sizes = struct.unpack_from(">I", ttf, eblc_at + 4)[0]
ppems = sorted(ttf[eblc_at + 8 + 48 * i + 44] for i in range(sizes))
if ppems != sorted(s.ppem for s in strikes):
    failures.append("strikes for %s, the bitmap font has %s" % (ppems, sorted(s.ppem for s in strikes)))


def regular_columns(fnt_strike_index, code):
    fnt = namespace["font_resources"](original)[fnt_strike_index]
    s = strikes[fnt_strike_index]
    first = fnt[0x5F]
    entry = 0x94 + 6 * (code - first)
    return s.columns(fnt, struct.unpack_from("<H", fnt, entry)[0], struct.unpack_from("<I", fnt, entry + 2)[0])


for i, s in enumerate(strikes):
    for code, bold in s.glyphs.items():
        regular = regular_columns(i, code)
        if len(bold) not in (len(regular), len(regular) + 1):
            failures.append("%dpx %r: %d columns from %d" % (s.height, chr(code), len(bold), len(regular)))
        # Every inked pixel of the regular stays inked, and so does the one to its right.
        for x, col in enumerate(regular):
            right = bold[x + 1] if x + 1 < len(bold) else None
            if col & ~bold[x] or (right is not None and col & ~right):
                failures.append("%dpx %r: column %d lost ink" % (s.height, chr(code), x))
                break
        # Wider by one exactly when the last column is inked: the smear then
        # has a column of its own, else it fills the blank one.
        if regular and len(bold) != len(regular) + (1 if regular[-1] else 0):
            failures.append("%dpx %r: %d columns from %d" % (s.height, chr(code), len(bold), len(regular)))

# Damaged copies: read in this process (what main() catches is a refusal,
# anything else a fault), and a few through the program itself.
refused = (namespace["FontError"], ValueError, struct.error)
rng = random.Random(375)
cases = [original[:n] for n in (0, 2, 64, 0x3C + 4, 400, len(original) // 2, len(original) - 1)]
for _ in range(200):
    data = bytearray(original)
    for _ in range(rng.randint(1, 8)):
        data[rng.randrange(len(data))] = rng.randrange(256)
    cases.append(bytes(data))
ne = struct.unpack_from("<I", original, 0x3C)[0]
for at, fmt, value in ((ne + 0x24, "<H", 0xFFFF), (0x3C, "<I", 0xFFFFFFF0)):
    data = bytearray(original)
    struct.pack_into(fmt, data, at, value)
    cases.append(bytes(data))
for data in cases:
    try:
        namespace["make_bold_ttf"](data)
    except refused:
        pass
    except Exception as e:  # noqa: BLE001 - any other is the fault looked for
        failures.append("a damaged font (%d bytes): %s: %s" % (len(data), type(e).__name__, e))
        break
with tempfile.TemporaryDirectory() as tmp:
    out = os.path.join(tmp, "out.ttf")
    bad = os.path.join(tmp, "bad.fon")
    for data in (original[:400], cases[-1]):
        with open(bad, "wb") as f:
            f.write(data)
        r = subprocess.run([sys.executable, tool, bad, out], capture_output=True, text=True)
        if r.returncode != 1 or not r.stderr.startswith("make-bold-font: " + bad + ": ") or os.listdir(tmp) != ["bad.fon"]:
            failures.append("a damaged font: status %d, %r, left %s" % (r.returncode, r.stderr, os.listdir(tmp)))
    r = subprocess.run([sys.executable, tool, source, out], capture_output=True, text=True)
    if r.returncode != 0 or sorted(os.listdir(tmp)) != ["bad.fon", "out.ttf"]:
        failures.append("the real font: status %d, %r, left %s" % (r.returncode, r.stderr, os.listdir(tmp)))

for f in failures[:20]:
    print("FAIL:", f)
print("make-bold-font: %d failure(s)" % len(failures))
sys.exit(1 if failures else 0)
