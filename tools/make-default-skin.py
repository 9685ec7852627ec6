#!/usr/bin/env python3
"""Draws the panel's default skin and the skin library's built-in bitmaps.

    tools/make-default-skin.py [REPO]
    tools/make-default-skin.py --graphite OUTDIR

Writes assets/skin/ (skin.ini and its 24-bit bitmaps, magenta 0xFF00FF as
the key colour) and skin/res/ (TRACK, TRACKVERT and the menu-glyph strip).
With --graphite it writes only the sample skin "Orvane Graphite" (the same
drawings in a dark frame over a cool grey face) into OUTDIR.

Both are committed, so builds do not need this script; run it again after
changing a picture here. Only the standard library is used.
"""
import os
import struct
import sys

KEY = (255, 0, 255)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)

# The palette every picture draws from, so the parts read as one skin.
FACE = (237, 236, 226)
FACE_LIGHT = (252, 252, 246)
SHADOW = (182, 177, 154)
DKSHADOW = (131, 131, 114)
HILIGHT = (119, 150, 173)
OUTLINE = (44, 64, 86)
CAPTION_TOP = (128, 162, 192)
CAPTION_BOTTOM = (62, 96, 130)
CAPTION_SHINE = (178, 204, 226)
FRAME_MID = (82, 114, 146)
FRAME_INNER = (56, 82, 108)
INACTIVE_TOP = (184, 186, 190)
INACTIVE_BOTTOM = (140, 144, 152)
INACTIVE_SHINE = (212, 214, 218)
INACTIVE_MID = (150, 154, 162)
INACTIVE_INNER = (118, 122, 130)
INACTIVE_OUTLINE = (104, 108, 116)
HOT = (236, 170, 64)
FOCUS = (124, 166, 214)
DISABLED_LINE = (196, 194, 182)
DISABLED_TEXT = (172, 170, 158)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


class Pic:
    def __init__(self, w, h, fill=KEY):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(y0, 0), min(y1, self.h)):
            for x in range(max(x0, 0), min(x1, self.w)):
                self.px[y][x] = c

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1):
            self.set(x, y0, c)
            self.set(x, y1 - 1, c)
        for y in range(y0, y1):
            self.set(x0, y, c)
            self.set(x1 - 1, y, c)

    def vgrad(self, x0, y0, x1, y1, top, bottom):
        n = max(y1 - y0 - 1, 1)
        for y in range(y0, y1):
            self.rect(x0, y, x1, y + 1, mix(top, bottom, (y - y0) / n))

    def hgrad(self, x0, y0, x1, y1, left, right):
        n = max(x1 - x0 - 1, 1)
        for x in range(x0, x1):
            self.rect(x, y0, x + 1, y1, mix(left, right, (x - x0) / n))

    def paste(self, other, x0, y0, keyed=False):
        for y in range(other.h):
            for x in range(other.w):
                c = other.px[y][x]
                if not (keyed and c == KEY):
                    self.set(x0 + x, y0 + y, c)

    def art(self, x0, y0, rows, colors):
        """Draws ASCII art: each character names a colour in colors; others are left alone."""
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                if ch in colors:
                    self.set(x0 + x, y0 + y, colors[ch])

    def round_corners(self, r, outline=None):
        """Keys out the corners outside a circle of radius r; outline draws the rim."""
        for cy, sy in ((0, 1), (self.h - 1, -1)):
            for cx, sx in ((0, 1), (self.w - 1, -1)):
                cut = CORNER_CUTS.get(r, [])
                for i, n in enumerate(cut):
                    for j in range(n):
                        self.set(cx + sx * j, cy + sy * i, KEY)
                    if outline and n < self.w:
                        self.set(cx + sx * n, cy + sy * i, outline)
                        if i + 1 < len(cut) and cut[i + 1] < n - 1:
                            for j in range(cut[i + 1] + 1, n):
                                self.set(cx + sx * j, cy + sy * (i + 1), outline)

    def mirrored(self):
        p = Pic(self.w, self.h)
        p.px = [list(reversed(row)) for row in self.px]
        return p

    def rotated(self):
        """A quarter turn clockwise: the top row becomes the right column."""
        p = Pic(self.h, self.w)
        for y in range(self.h):
            for x in range(self.w):
                p.px[x][self.h - 1 - y] = self.px[y][x]
        return p

    def transposed(self):
        p = Pic(self.h, self.w)
        for y in range(self.h):
            for x in range(self.w):
                p.px[x][y] = self.px[y][x]
        return p

    def flipped(self):
        p = Pic(self.w, self.h)
        p.px = [list(row) for row in reversed(self.px)]
        return p


# How many pixels of each row (from the corner inward) a rounded corner keys out.
CORNER_CUTS = {1: [1], 2: [2, 1], 3: [3, 1, 1], 4: [4, 2, 1, 1], 5: [5, 3, 2, 1, 1]}


def strip(frames, vertical=False):
    w = frames[0].w if vertical else sum(f.w for f in frames)
    h = sum(f.h for f in frames) if vertical else frames[0].h
    out = Pic(w, h)
    at = 0
    for f in frames:
        if vertical:
            out.paste(f, 0, at)
            at += f.h
        else:
            out.paste(f, at, 0)
            at += f.w
    return out


def write_bmp(path, pic):
    stride = (pic.w * 3 + 3) & ~3
    data = bytearray()
    for y in range(pic.h - 1, -1, -1):
        row = bytearray()
        for (r, g, b) in pic.px[y]:
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, pic.w, pic.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


# ---------------------------------------------------------------------------
# Glyphs, 9 x 9 unless said otherwise ('#' the glyph colour).

GLYPHS = {
    "close": ["##     ##", "###   ###", " ### ### ", "  #####  ", "   ###   ", "  #####  ", " ### ### ",
              "###   ###", "##     ##"],
    "max": ["#########", "#########", "#       #", "#       #", "#       #", "#       #", "#       #",
            "#       #", "#########"],
    "min": ["         ", "         ", "         ", "         ", "         ", "         ", "         ",
            "#######  ", "#######  "],
    "restore": ["  #######", "  #######", "  #     #", "#######  ", "#######  ", "#     #  ", "#     #  ",
                "#     #  ", "#######  "],
    "help": ["  #####  ", " ##   ## ", " ##   ## ", "     ##  ", "    ##   ", "   ##    ", "   ##    ",
             "         ", "   ##    "],
}

ARROW_UP = ["   #   ", "  ###  ", " ##### ", "#######"]


def arrow(direction):
    """A 7 x 4 (up/down) or 4 x 7 (left/right) filled arrow."""
    p = Pic(7, 4)
    p.art(0, 0, ARROW_UP, {"#": BLACK})
    if direction == "down":
        p = p.flipped()
    elif direction == "left":
        p = p.transposed()
    elif direction == "right":
        p = p.transposed().mirrored()
    return p


def recolor(pic, color):
    out = Pic(pic.w, pic.h)
    for y in range(pic.h):
        for x in range(pic.w):
            if pic.px[y][x] != KEY:
                out.px[y][x] = color
    return out


def glyph(name, color):
    p = Pic(9, 9)
    p.art(0, 0, GLYPHS[name], {"#": color})
    return p


# ---------------------------------------------------------------------------
# Window frame.

def caption_colors(active):
    if active:
        return CAPTION_TOP, CAPTION_BOTTOM, CAPTION_SHINE, FRAME_MID, FRAME_INNER, OUTLINE
    return INACTIVE_TOP, INACTIVE_BOTTOM, INACTIVE_SHINE, INACTIVE_MID, INACTIVE_INNER, INACTIVE_OUTLINE


def caption_rows(active, x0, x1, pic, y_off=0):
    """The caption bar's 25 rows: outline, shine, gradient, inner line."""
    top, bottom, shine, _, inner, outline = caption_colors(active)
    pic.rect(x0, y_off, x1, y_off + 1, outline)
    pic.rect(x0, y_off + 1, x1, y_off + 2, shine)
    pic.vgrad(x0, y_off + 2, x1, y_off + 24, top, bottom)
    pic.rect(x0, y_off + 24, x1, y_off + 25, inner)


def side_border(active, left):
    """4 x 100: caption rows on top (rounded outer corner), frame below."""
    _, _, _, mid, inner, outline = caption_colors(active)
    p = Pic(4, 100)
    caption_rows(active, 0, 4, p)
    p.rect(0, 25, 4, 100, mid)
    p.rect(0, 0, 1, 100, outline)  # outer edge
    p.rect(3, 25, 4, 96, inner)  # edge toward the client area
    p.rect(0, 99, 4, 100, outline)  # bottom edge
    p.rect(1, 96, 4, 97, inner)
    # The rounded top corner: keyed out, with the rim in the outline colour.
    for y, n in enumerate(CORNER_CUTS[5]):
        for x in range(min(n, 4)):
            p.set(x, y, KEY)
        if n < 4:
            p.set(n, y, outline)
    p.set(3, 1, outline)
    p.set(2, 2, outline)
    return p if left else p.mirrored()


def top_border(active):
    """142 x 25; the first and last columns carry the rest of the rounded corners."""
    p = Pic(142, 25)
    caption_rows(active, 0, 142, p)
    outline = caption_colors(active)[5]
    for x in (0, 141):
        p.set(x, 0, KEY)
        p.set(x, 1, outline)
    return p


def bottom_border(active):
    _, _, _, mid, inner, outline = caption_colors(active)
    p = Pic(142, 4, mid)
    p.rect(0, 0, 142, 1, inner)
    p.rect(0, 3, 142, 4, outline)
    return p


# ---------------------------------------------------------------------------
# System buttons: 16 x 18, frames normal, pressed, hot, disabled (5 and 6
# repeat normal and disabled for skins that look there).

def sys_button(name, state, close=False):
    p = Pic(16, 18)
    if close:
        faces = {"normal": ((226, 132, 112), (184, 72, 52)), "hot": ((246, 164, 140), (214, 92, 66)),
                 "pressed": ((160, 60, 44), (196, 96, 76)), "disabled": ((196, 176, 170), (170, 150, 146))}
    else:
        faces = {"normal": ((172, 198, 222), (98, 132, 166)), "hot": ((206, 226, 244), (128, 166, 204)),
                 "pressed": ((74, 106, 138), (112, 146, 178)), "disabled": ((170, 178, 186), (146, 154, 164))}
    top, bottom = faces[state]
    rim = (40, 56, 76) if state != "disabled" else (120, 126, 134)
    p.vgrad(0, 1, 16, 17, top, bottom)
    p.frame(0, 1, 16, 17, rim)
    p.rect(1, 2, 15, 3, mix(top, WHITE, 0.45))
    for (x, y) in ((0, 1), (15, 1), (0, 16), (15, 16)):
        p.set(x, y, KEY)
    for (x, y) in ((1, 2), (14, 2), (1, 15), (14, 15)):
        p.set(x, y, rim)
    color = WHITE if state != "disabled" else (206, 210, 214)
    shift = 1 if state == "pressed" else 0
    shadow = Pic(9, 9)
    shadow.art(0, 0, GLYPHS[name], {"#": mix(bottom, BLACK, 0.35)})
    if state != "disabled":
        p.paste(shadow, 4 + shift, 6 + shift, keyed=True)
    p.paste(glyph(name, color), 3 + shift, 5 + shift, keyed=True)
    return p


def sys_button_strip(name, close=False):
    states = ["normal", "pressed", "hot", "disabled", "normal", "disabled"]
    return strip([sys_button(name, s, close) for s in states])


# ---------------------------------------------------------------------------
# Push buttons, check boxes, radio buttons: 30 x 24 faces, frames normal,
# pressed, disabled, hot, default.

def push_button(state):
    p = Pic(30, 24)
    if state == "disabled":
        p.rect(0, 0, 30, 24, (244, 243, 236))
        rim = DISABLED_LINE
    else:
        top, bottom = ((255, 255, 255), (226, 223, 208)) if state != "pressed" else ((214, 211, 196), (244, 243, 236))
        p.vgrad(0, 0, 30, 24, top, bottom)
        rim = (52, 76, 106)
    p.frame(0, 0, 30, 24, rim)
    if state == "hot":
        p.frame(1, 1, 29, 23, (250, 212, 140))
        p.frame(2, 2, 28, 22, HOT)
    elif state == "default":
        p.frame(1, 1, 29, 23, (190, 214, 242))
        p.frame(2, 2, 28, 22, FOCUS)
    elif state == "pressed":
        p.rect(1, 1, 29, 2, (190, 186, 168))
    p.round_corners(3, rim)
    return p


def check_box(checked, state):
    """13 x 13; checked: 0 open, 1 ticked, 2 mixed."""
    p = Pic(13, 13)
    rim = (52, 76, 106) if state != "disabled" else DISABLED_LINE
    if state == "disabled":
        p.rect(0, 0, 13, 13, (244, 243, 236))
    elif state == "pressed":
        p.vgrad(0, 0, 13, 13, (190, 188, 172), (238, 236, 226))
    else:
        p.vgrad(0, 0, 13, 13, (222, 220, 206), (255, 255, 255))
    p.frame(0, 0, 13, 13, rim)
    if state == "hot":
        p.frame(1, 1, 12, 12, (250, 212, 140))
        p.frame(2, 2, 11, 11, HOT)
    mark = (34, 130, 34) if state != "disabled" else DISABLED_TEXT
    if checked == 1:
        p.art(3, 3, ["      #", "     ##", "#   ###", "## ### ", "#####  ", " ###   ", "  #    "], {"#": mark})
    elif checked == 2:
        p.rect(3, 3, 10, 10, mix(mark, WHITE, 0.35))
    return p


def radio_button(checked, state):
    p = Pic(13, 13)
    rim = (52, 76, 106) if state != "disabled" else DISABLED_LINE
    inside = {"normal": ((222, 220, 206), WHITE), "hot": ((222, 220, 206), WHITE),
              "pressed": ((190, 188, 172), (238, 236, 226)), "disabled": ((244, 243, 236), (244, 243, 236))}[state]
    disc = ["    #####    ", "  ##     ##  ", " #         # ", " #         # ", "#           #", "#           #",
            "#           #", "#           #", "#           #", " #         # ", " #         # ", "  ##     ##  ",
            "    #####    "]
    for y, row in enumerate(disc):
        xs = [x for x, ch in enumerate(row) if ch == "#"]
        for x in range(min(xs) + 1, max(xs)):
            p.set(x, y, mix(inside[0], inside[1], y / 12))
    p.art(0, 0, disc, {"#": rim})
    if state == "hot":
        p.art(0, 0, ["             ", "    #####    ", "  ##     ##  ", "  #       #  ", " #         # ",
                     " #         # ", " #         # ", " #         # ", " #         # ", "  #       #  ",
                     "  ##     ##  ", "    #####    "], {"#": HOT})
    if checked:
        dot = (34, 130, 34) if state != "disabled" else DISABLED_TEXT
        p.art(4, 4, [" ### ", "#####", "#####", "#####", " ### "], {"#": dot})
        p.set(5, 5, mix(dot, WHITE, 0.5))
    return p


# ---------------------------------------------------------------------------
# Scroll bars: 17 x 17 arrow and grip frames; tracks and thumbs.

def scroll_face(state, w, h):
    p = Pic(w, h)
    top, bottom = {"normal": ((250, 250, 244), (214, 220, 228)), "pressed": ((172, 190, 210), (204, 216, 230)),
                   "hot": ((255, 255, 255), (226, 236, 248)), "disabled": ((240, 239, 232), (240, 239, 232))}[state]
    p.vgrad(0, 0, w, h, top, bottom) if w >= h else p.hgrad(0, 0, w, h, top, bottom)
    rim = (120, 146, 176) if state != "disabled" else DISABLED_LINE
    if state == "hot":
        rim = (96, 136, 188)
    p.frame(0, 0, w, h, rim)
    p.round_corners(2, rim)
    return p


def scroll_arrow(direction, state):
    p = scroll_face(state, 17, 17)
    color = (52, 76, 106) if state != "disabled" else DISABLED_TEXT
    a = recolor(arrow(direction), color)
    p.paste(a, (17 - a.w) // 2, (17 - a.h) // 2, keyed=True)
    return p


def grip(vertical, state):
    p = Pic(17, 17)
    color = (92, 118, 150) if state != "hot" else (60, 100, 150)
    light = WHITE
    for i in range(4):
        if vertical:
            p.rect(5, 5 + 2 * i, 11, 6 + 2 * i, color)
            p.rect(6, 6 + 2 * i, 12, 7 + 2 * i, light)
        else:
            p.rect(5 + 2 * i, 5, 6 + 2 * i, 11, color)
            p.rect(6 + 2 * i, 6, 7 + 2 * i, 12, light)
    return p


def scrollbar_strip():
    frames = []
    for direction in ("left", "right", "up", "down"):
        for state in ("normal", "pressed", "disabled", "hot"):
            frames.append(scroll_arrow(direction, state))
    for vertical in (False, True):
        for state in ("normal", "pressed", "hot"):
            frames.append(grip(vertical, state))
    frames.append(Pic(17, 17))
    return strip(frames)


def scroll_track(vertical):
    frames = []
    for state in ("normal", "pressed", "disabled", "hot"):
        p = Pic(16, 17)
        base = {"normal": (238, 237, 229), "pressed": (214, 216, 210), "disabled": (246, 245, 240),
                "hot": (232, 234, 232)}[state]
        p.vgrad(0, 0, 16, 17, mix(base, SHADOW, 0.35), base)
        p.rect(0, 0, 16, 1, mix(base, SHADOW, 0.6))
        frames.append(p.transposed() if vertical else p)
    return strip(frames)


def scroll_thumb(vertical):
    frames = []
    for state in ("normal", "pressed", "hot", "disabled"):
        p = scroll_face(state, 24, 17)
        frames.append(p.transposed() if vertical else p)
    return strip(frames)


# ---------------------------------------------------------------------------
# The rest of the controls.

def updown(vertical):
    """Halves of 16 x 11 (vertical: up 1-4, down 5-8) or 11 x 16 (left, right);
    states normal, pressed, disabled, hot. The glyph image has the same layout."""
    faces, glyphs = [], []
    dirs = ("up", "down") if vertical else ("left", "right")
    for d in dirs:
        for state in ("normal", "pressed", "disabled", "hot"):
            w, h = (16, 11) if vertical else (11, 16)
            faces.append(scroll_face(state, w, h))
            a = recolor(arrow(d), (52, 76, 106) if state != "disabled" else DISABLED_TEXT)
            glyph_pic = Pic(a.w, a.h)
            glyph_pic.paste(a, 0, 0)
            glyphs.append(glyph_pic)
    gw = max(g.w for g in glyphs)
    gh = max(g.h for g in glyphs)
    padded = []
    for g in glyphs:
        p = Pic(gw, gh)
        p.paste(g, (gw - g.w) // 2, (gh - g.h) // 2)
        padded.append(p)
    return strip(faces), strip(padded)


def progress():
    track = Pic(20, 16)
    track.vgrad(0, 0, 20, 16, (226, 224, 212), (250, 250, 246))
    track.frame(0, 0, 20, 16, DKSHADOW)
    track.round_corners(2, DKSHADOW)
    bar = Pic(20, 16)
    bar.vgrad(0, 0, 20, 16, (150, 214, 150), (46, 150, 62))
    bar.rect(0, 1, 20, 3, (196, 236, 196))
    bar.frame(0, 0, 20, 16, (34, 110, 44))
    bar.round_corners(2, (34, 110, 44))
    chunk = Pic(8, 12)
    chunk.vgrad(0, 0, 8, 12, (150, 214, 150), (46, 150, 62))
    chunk.rect(6, 0, 8, 12, KEY)
    return strip([track, bar]), chunk


def tabs():
    frames = []
    for state in ("normal", "selected", "disabled", "hot", "focused"):
        p = Pic(24, 21)
        top = {"normal": (250, 250, 244), "selected": WHITE, "disabled": (240, 239, 232), "hot": WHITE,
               "focused": WHITE}[state]
        p.vgrad(0, 0, 24, 21, top, FACE)
        rim = SHADOW if state != "disabled" else DISABLED_LINE
        p.frame(0, 0, 24, 22, rim)
        if state in ("hot", "selected", "focused"):
            color = HOT if state != "focused" else FOCUS
            p.rect(1, 0, 23, 1, color)
            p.rect(1, 1, 23, 3, mix(color, WHITE, 0.3))
        p.round_corners(2, rim)
        for x in range(24):  # open toward the pane
            p.set(x, 20, FACE if state == "selected" else rim)
        frames.append(p)
    pane = Pic(24, 24, FACE)
    pane.frame(0, 0, 24, 24, SHADOW)
    pane.rect(1, 1, 23, 2, FACE_LIGHT)
    return strip(frames), pane


def combo_button():
    frames = []
    for state in ("normal", "hot", "pressed", "disabled"):
        p = scroll_face({"normal": "normal", "hot": "hot", "pressed": "pressed", "disabled": "disabled"}[state],
                        17, 21)
        a = recolor(arrow("down"), (52, 76, 106) if state != "disabled" else DISABLED_TEXT)
        p.paste(a, 5, 9, keyed=True)
        frames.append(p)
    return strip(frames)


def extra_images():
    frames = []
    for state in ("normal", "pressed", "disabled", "hot", "focused"):
        p = Pic(9, 9)
        color = {"disabled": DISABLED_TEXT, "hot": (40, 90, 150)}.get(state, (52, 76, 106))
        p.paste(recolor(arrow("down"), color), 1, 3, keyed=True)
        frames.append(p)
    return strip(frames)


def status_edges():
    frames = []
    for i in range(3):
        p = Pic(12, 20, FACE)
        p.frame(0, 0, 12, 20, SHADOW)
        p.rect(1, 1, 11, 2, FACE_LIGHT)
        if i == 2:  # the size grip corner
            for k in range(3):
                p.set(10 - 3 * k, 17, DKSHADOW)
                p.set(10, 17 - 3 * k, DKSHADOW)
        frames.append(p)
    return strip(frames)


def header_bar():
    frames = []
    for state in ("normal", "pressed", "disabled", "hot", "focused"):
        p = Pic(24, 20)
        top, bottom = {"pressed": ((220, 218, 204), (240, 239, 232))}.get(state, (WHITE, (234, 232, 220)))
        p.vgrad(0, 0, 24, 20, top, bottom)
        p.rect(0, 19, 24, 20, SHADOW)
        p.rect(23, 3, 24, 17, SHADOW)
        if state == "hot":
            p.rect(0, 17, 24, 20, HOT)
        frames.append(p)
    return strip(frames)


def menu_images():
    frames = []
    for kind in ("normal", "separator", "disabled", "selected", "spare"):
        p = Pic(40, 20, (250, 250, 246))
        p.rect(0, 0, 22, 20, (232, 230, 216))  # the glyph gutter
        if kind == "separator":
            p.rect(26, 9, 40, 10, SHADOW)
            p.rect(26, 10, 40, 11, WHITE)
        if kind == "selected":
            p.vgrad(0, 0, 40, 20, (200, 218, 236), (160, 190, 218))
            p.frame(0, 0, 40, 20, (96, 130, 170))
            p.round_corners(2, (96, 130, 170))
        frames.append(p)
    bg = Pic(40, 40, (250, 250, 246))
    bg.rect(0, 0, 22, 40, (232, 230, 216))
    bg.rect(22, 0, 23, 40, (222, 220, 204))
    return strip(frames), bg


def trackbar_thumbs():
    horz, down = [], []
    for state in ("normal", "pressed", "disabled", "hot", "focused"):
        p = scroll_face({"focused": "normal"}.get(state, state), 11, 20)
        if state == "focused":
            p.frame(1, 1, 10, 19, FOCUS)
        horz.append(p)
        d = scroll_face({"focused": "normal"}.get(state, state), 11, 20)
        rim = (120, 146, 176) if state != "disabled" else DISABLED_LINE
        for y in range(5):  # a pointer at the bottom
            for x in range(11):
                if x < y or x > 10 - y:
                    d.set(x, 15 + y, KEY)
            d.set(y, 15 + y, rim)
            d.set(10 - y, 15 + y, rim)
        d.rect(0, 19, 11, 20, KEY)
        d.set(5, 19, rim)
        down.append(d)
    return strip(horz), strip(down)


def groove(w, h, vertical):
    """The track groove: grey, silver and white."""
    p = Pic(w, h) if not vertical else Pic(h, w)
    q = Pic(w, h, (192, 192, 192))
    q.rect(0, 0, w, 1, (128, 128, 128))
    q.rect(0, h - 1, w, h, WHITE)
    q.rect(0, 0, 1, h, (128, 128, 128))
    q.rect(w - 1, 0, w, h, WHITE)
    p = q.transposed() if vertical else q
    return p


def mdi_controls():
    frames = []
    for name in ("min", "restore", "close"):
        for state in ("normal", "pressed", "hot", "disabled"):
            p = Pic(13, 13)
            face = {"normal": FACE, "pressed": (214, 211, 196), "hot": (255, 255, 255), "disabled": FACE}[state]
            p.rect(0, 0, 13, 13, face)
            p.frame(0, 0, 13, 13, SHADOW if state != "hot" else HILIGHT)
            color = BLACK if state != "disabled" else DISABLED_TEXT
            g = glyph(name, color)
            p.paste(g, 2, 2, keyed=True)
            frames.append(p)
    return strip(frames)


def min_caption():
    p = Pic(80, 29)
    caption_rows(True, 0, 80, p, 0)
    p.vgrad(0, 25, 80, 29, FRAME_MID, FRAME_INNER)
    p.frame(0, 0, 80, 29, OUTLINE)
    p.round_corners(3, OUTLINE)
    return p


# ---------------------------------------------------------------------------
# The built-in bitmaps of the skin library.

def builtin(resdir):
    os.makedirs(resdir, exist_ok=True)
    write_bmp(os.path.join(resdir, "track.bmp"), groove(16, 4, False))
    write_bmp(os.path.join(resdir, "trackvert.bmp"), groove(16, 4, True))
    # Four black glyphs on white, 16 x 16 cells: restore, maximize, minimize, close.
    menu = Pic(64, 16, WHITE)
    for i, name in enumerate(("restore", "max", "min", "close")):
        menu.paste(glyph(name, BLACK), 16 * i + 3, 3, keyed=True)
    write_bmp(os.path.join(resdir, "menuglyphs.bmp"), menu)


# ---------------------------------------------------------------------------

INI = """[TitlebarSkin]
SkinName=Orvane Slate
Author=Orvane Panel

[Skins]
Version=200

[Personality]
Left=left.bmp
LeftFrame=2
LeftStretch=1
LeftTrans=1
LeftTopHeight=25
LeftBotHeight=4
Right=right.bmp
RightFrame=2
RightStretch=1
RightTrans=1
RightTopHeight=25
RightBotHeight=4
Top=top.bmp
TopFrame=2
TopStretch=1
TopTrans=1
TopTopHeight=49
TopBotHeight=82
Bottom=bottom.bmp
BottomFrame=2
BottomStretch=1
BottomTrans=0
BottomTopHeight=49
BottomBotHeight=82
TextShift=16
TextShiftVert=2
TextRightClip=20
TextAlignment=0

[Fonts]
FontHeight=14

[Colours]
ButtonFace=237 236 226
TitleTextActive=255 255 241
TitleTextNoActive=237 236 231
ButtonHilight=255 255 241
ButtonShadow=182 177 154
ButtonDkShadow=131 131 114
Buttonlight=252 252 236
Menubar=230 228 214
Menu=237 236 226
MenuText=0 0 0
MenuBarText=0 0 0
Hilight=119 150 173
HilightText=234 235 222

[Button0]
ButtonImage=close.bmp
Align=1
Xcoord=20
Ycoord=6
Action=0
Visibility=0

[Button1]
ButtonImage=maximize.bmp
Align=1
Xcoord=38
Ycoord=6
Action=1
Visibility=2
Visibility1=6

[Button2]
ButtonImage=minimize.bmp
Align=1
Xcoord=56
Ycoord=6
Action=2
Visibility=8

[Button3]
ButtonImage=restore.bmp
Align=1
Xcoord=38
Ycoord=6
Action=1
Visibility=1
Visibility1=6

[Button4]
Align=0
Xcoord=8
Ycoord=7
Action=3
Visibility=0

[Button5]
ButtonImage=help.bmp
Align=1
Xcoord=56
Ycoord=6
Action=4
Visibility=10

[Buttons]
Bitmap=buttons.bmp
LeftWidth=7
TopHeight=7
RightWidth=7
BottomHeight=7
Trans=1
Tile=0
CheckButton=checkbox.bmp
CheckButtonFrame=12
RadioButton=radio.bmp
RadioButtonFrame=8

[Progress]
Bitmap=progress.bmp
Style=0
LeftWidth=3
TopHeight=3
RightWidth=3
BottomHeight=3
Trans=1

[Progress.Chunk]
Image=chunk.bmp
Frame=1
Trans=1

[Tabs]
Image=tabs.bmp
LeftWidth=4
TopHeight=4
RightWidth=4
BottomHeight=2
Trans=1

[Tab.Pane]
Image=tabpane.bmp
LeftWidth=3
TopHeight=3
RightWidth=3
BottomHeight=3

[ComboButton]
Image=combobutton.bmp
LeftWidth=3
TopHeight=3
RightWidth=3
BottomHeight=3
Trans=1

[StatusBarEdges]
Image=statusbar.bmp
LeftWidth=3
TopHeight=3
RightWidth=3
BottomHeight=3

[Headerbar]
Image=headerbar.bmp
Frame=5
LeftWidth=3
TopHeight=3
RightWidth=3
BottomHeight=3

[Scrollbar]
Image=scrollbar.bmp
Trans=1

[HorzScrollThumb]
Image=hthumb.bmp
FrameCount=4
LeftWidth=4
TopHeight=3
RightWidth=4
BottomHeight=3
Trans=1

[VertScrollThumb]
Image=vthumb.bmp
FrameCount=4
LeftWidth=3
TopHeight=4
RightWidth=3
BottomHeight=4
Trans=1

[HorzScroll]
Image=hscroll.bmp
LeftWidth=2
TopHeight=2
RightWidth=2
BottomHeight=2

[VertScroll]
Image=vscroll.bmp
LeftWidth=2
TopHeight=2
RightWidth=2
BottomHeight=2

[MenuBackground]
Image=menubg.bmp
LeftWidth=23
Tile=1

[MenuItem]
Image=menuitem.bmp
LeftWidth=23
TopHeight=3
RightWidth=3
BottomHeight=3
Trans=1

[ExtraImages]
Image=extra.bmp
Trans=1

[Trackbar.ThumbHorz]
Image=trackthumb.bmp
LeftWidth=3
TopHeight=3
RightWidth=3
BottomHeight=3
Trans=1

[Trackbar.ThumbDown]
Image=trackthumbdown.bmp
LeftWidth=3
TopHeight=3
RightWidth=3
BottomHeight=6
Trans=1

[Track]
Image=track.bmp
Frame=1
LeftWidth=3
TopHeight=2
RightWidth=3
BottomHeight=2

[TRACKVERT]
Image=trackvert.bmp
Frame=1
LeftWidth=2
TopHeight=3
RightWidth=2
BottomHeight=3

[MDICONTROLS]
Image=mdicontrols.bmp

[UpDown.Vert]
Image=updownvert.bmp
GlyphImage=updownvertglyph.bmp
LeftWidth=2
TopHeight=2
RightWidth=2
BottomHeight=2
Trans=1

[UpDown.Horz]
Image=updownhorz.bmp
GlyphImage=updownhorzglyph.bmp
LeftWidth=2
TopHeight=2
RightWidth=2
BottomHeight=2
Trans=1
"""


def default_skin(outdir):
    os.makedirs(outdir, exist_ok=True)

    def save(name, pic):
        write_bmp(os.path.join(outdir, name), pic)

    save("left.bmp", strip([side_border(True, True), side_border(False, True)]))
    save("right.bmp", strip([side_border(True, False), side_border(False, False)]))
    save("top.bmp", strip([top_border(True), top_border(False)], vertical=True))
    save("bottom.bmp", strip([bottom_border(True), bottom_border(False)], vertical=True))
    save("close.bmp", sys_button_strip("close", close=True))
    save("maximize.bmp", sys_button_strip("max"))
    save("minimize.bmp", sys_button_strip("min"))
    save("restore.bmp", sys_button_strip("restore"))
    save("help.bmp", sys_button_strip("help"))
    save("buttons.bmp", strip([push_button(s) for s in ("normal", "pressed", "disabled", "hot", "default")]))
    states = ("normal", "hot", "pressed", "disabled")
    save("checkbox.bmp", strip([check_box(c, s) for c in (0, 1, 2) for s in states]))
    save("radio.bmp", strip([radio_button(c, s) for c in (False, True) for s in states]))
    bar, chunk = progress()
    save("progress.bmp", bar)
    save("chunk.bmp", chunk)
    tab_strip, pane = tabs()
    save("tabs.bmp", tab_strip)
    save("tabpane.bmp", pane)
    save("combobutton.bmp", combo_button())
    save("statusbar.bmp", status_edges())
    save("headerbar.bmp", header_bar())
    save("scrollbar.bmp", scrollbar_strip())
    save("hthumb.bmp", scroll_thumb(False))
    save("vthumb.bmp", scroll_thumb(True))
    save("hscroll.bmp", scroll_track(False))
    save("vscroll.bmp", scroll_track(True))
    item, bg = menu_images()
    save("menuitem.bmp", item)
    save("menubg.bmp", bg)
    save("extra.bmp", extra_images())
    horz, down = trackbar_thumbs()
    save("trackthumb.bmp", horz)
    save("trackthumbdown.bmp", down)
    save("track.bmp", groove(20, 5, False))
    save("trackvert.bmp", groove(20, 5, True))
    save("mdicontrols.bmp", mdi_controls())
    for vertical, name in ((True, "updownvert"), (False, "updownhorz")):
        faces, glyphs = updown(vertical)
        save(name + ".bmp", faces)
        save(name + "glyph.bmp", glyphs)
    save("mincaption.bmp", min_caption())
    with open(os.path.join(outdir, "skin.ini"), "w", newline="\r\n") as f:
        f.write(INI)


# The sample skin: dark caption, borders and outlines; a face light enough
# that the panel's own black captions stay readable on it.
GRAPHITE = {
    "FACE": (214, 216, 220),
    "FACE_LIGHT": (236, 238, 241),
    "SHADOW": (150, 154, 162),
    "DKSHADOW": (92, 96, 104),
    "HILIGHT": (64, 132, 160),
    "OUTLINE": (16, 18, 22),
    "CAPTION_TOP": (70, 74, 82),
    "CAPTION_BOTTOM": (28, 30, 36),
    "CAPTION_SHINE": (112, 118, 128),
    "FRAME_MID": (48, 52, 58),
    "FRAME_INNER": (32, 34, 40),
    "INACTIVE_TOP": (128, 132, 138),
    "INACTIVE_BOTTOM": (96, 100, 106),
    "INACTIVE_SHINE": (160, 164, 170),
    "INACTIVE_MID": (106, 110, 116),
    "INACTIVE_INNER": (84, 88, 94),
    "INACTIVE_OUTLINE": (70, 74, 80),
    "HOT": (64, 190, 210),
    "FOCUS": (64, 132, 160),
    "DISABLED_LINE": (178, 180, 186),
    "DISABLED_TEXT": (140, 144, 150),
}
GRAPHITE_COLOURS = {
    "SkinName": "Orvane Graphite",
    "ButtonFace": "214 216 220",
    "TitleTextActive": "236 238 241",
    "TitleTextNoActive": "196 198 202",
    "ButtonHilight": "246 247 249",
    "ButtonShadow": "150 154 162",
    "ButtonDkShadow": "92 96 104",
    "Buttonlight": "236 238 241",
    "Menubar": "200 202 208",
    "Menu": "214 216 220",
    "Hilight": "64 132 160",
    "HilightText": "255 255 255",
}


def graphite_skin(outdir):
    global INI
    globals().update(GRAPHITE)
    lines = INI.split("\n")
    for i, line in enumerate(lines):
        key = line.split("=", 1)[0]
        if "=" in line and key in GRAPHITE_COLOURS:
            lines[i] = key + "=" + GRAPHITE_COLOURS[key]
    INI = "\n".join(lines)
    default_skin(outdir)


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--graphite":
        graphite_skin(sys.argv[2])
        return
    repo = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    default_skin(os.path.join(repo, "assets", "skin"))
    builtin(os.path.join(repo, "skin", "res"))


if __name__ == "__main__":
    main()
