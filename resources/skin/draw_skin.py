#!/usr/bin/python3
"""Draws every skin picture of the setup window and the application icon.

Usage: draw_skin.py OUT_CPP OUT_ICO PNG_DIR [OUT_SCALED_CPP]

Writes the pictures as 0x00RRGGBB arrays (OUT_CPP, the definitions declared in
shell/skin_pictures.h), the six-size application icon (OUT_ICO) and a PNG copy
of every picture (PNG_DIR, names in README.md). With OUT_SCALED_CPP, every
picture is drawn anew at each display scale of SCALES and written there run
length coded (shell/skin_scaled.h), with PNGs in PNG_DIR/PERCENT/. Everything
is drawn from code with Pillow, so the same Pillow and font give the same bytes
on every build.
"""

import io
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/nanum"
CAPTION_FONT = os.path.join(FONT_DIR, "NanumBarunGothic.ttf")

COLOUR_KEY = (0xCF, 0xCD, 0xCF)   # the window's see-through colour
PAGE = (0xF0, 0xF0, 0xF0)         # page background under every control
SS = 8                            # supersampling factor for shapes
SCALES = (125, 150, 175, 200, 225, 250, 300)   # percent, beside the 100 % arrays


def R(v, pct):
    """A design length at a scale: round(v x pct / 100), as shell/display_scale
    computes it, so that the program and the pictures agree to the pixel."""
    return (v * pct + 50) // 100


def line_width(pct):
    """Width of a one-pixel design line at a scale: whole pixels stay crisp."""
    return max(1, R(1, pct))


def design(v, pct):
    """Design position of the centre of picture pixel v."""
    return (v + 0.5) / (pct / 100.0) - 0.5 if pct != 100 else v


# ---------------------------------------------------------------- helpers

def mix(a, b, t):
    """Colour a blended towards b by t (0..1)."""
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def clamp8(c):
    return tuple(max(0, min(255, int(round(v)))) for v in c)


def coverage(w, h, draw_fn):
    """Antialiased coverage mask (0..1 floats, row-major) of a shape drawn by
    draw_fn(draw, s) on a w x h grid, supersampled SS times."""
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    small = big.resize((w, h), Image.BOX)
    data = small.tobytes()
    return [data[i] / 255.0 for i in range(w * h)]


def rounded(x0, y0, x1, y1, r):
    """Shape function: rounded rectangle covering [x0, x1) x [y0, y1)."""
    def fn(d, s):
        d.rounded_rectangle([x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], radius=int(round(r * s)), fill=255)
    return fn


def ellipse(x0, y0, x1, y1):
    def fn(d, s):
        d.ellipse([x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], fill=255)
    return fn


class Canvas:
    """A float RGB picture composed layer by layer with coverage masks."""

    def __init__(self, w, h, bg):
        self.w, self.h = w, h
        self.px = [tuple(float(v) for v in bg)] * (w * h)

    def paint(self, mask, colour_at):
        """Blends colour_at(x, y) over the picture where mask covers it."""
        for y in range(self.h):
            for x in range(self.w):
                a = mask[y * self.w + x]
                if a > 0:
                    i = y * self.w + x
                    self.px[i] = mix(self.px[i], colour_at(x, y), a)

    def image(self):
        img = Image.new("RGB", (self.w, self.h))
        img.putdata([clamp8(p) for p in self.px])
        return img


def avoid_key(img):
    """Moves any pixel that happens to hit the colour key one step in blue."""
    data = list(img.getdata())
    changed = [(r, g, b + 1) if (r, g, b) == COLOUR_KEY else (r, g, b) for (r, g, b) in data]
    out = Image.new("RGB", img.size)
    out.putdata(changed)
    return out


def draw_big(w, h, bg, draw_fn, pct=100):
    """Draws a detailed picture SS times larger and scales it down."""
    w, h = R(w, pct), R(h, pct)
    big = Image.new("RGB", (w * SS, h * SS), bg)
    draw_fn(ImageDraw.Draw(big), SS * pct / 100.0 if pct != 100 else SS)
    return big.resize((w, h), Image.BOX)


# ---------------------------------------------------------------- buttons

BUTTON_LOOKS = ("normal", "focus", "hover", "pressed", "disabled")

# border, inner ring (None: face colour), face top, face bottom, caption
BUTTON_STYLE = {
    "normal":   ((0x70, 0x70, 0x70), None, (0xF7, 0xF7, 0xF7), (0xD9, 0xD9, 0xD9), (0x00, 0x00, 0x00)),
    "focus":    ((0x2A, 0x6E, 0xC0), (0x8C, 0xC4, 0xF2), (0xF7, 0xF7, 0xF7), (0xD9, 0xD9, 0xD9), (0x00, 0x00, 0x00)),
    "hover":    ((0x3C, 0x7F, 0xB1), None, (0xEC, 0xF7, 0xFE), (0xB8, 0xE1, 0xFB), (0x00, 0x00, 0x00)),
    "pressed":  ((0x1F, 0x4F, 0x80), None, (0xA8, 0xD3, 0xF0), (0x6E, 0xAE, 0xDC), (0x00, 0x00, 0x00)),
    "disabled": ((0xAD, 0xB2, 0xB5), None, (0xF4, 0xF4, 0xF4), (0xEA, 0xEA, 0xEA), (0x9A, 0x9A, 0x9A)),
}


def draw_button(w, h, caption, look, pct=100):
    border, ring, top, bottom, text = BUTTON_STYLE[look]
    k = pct / 100.0
    w, h, b = R(w, pct), R(h, pct), line_width(pct)
    c = Canvas(w, h, PAGE)
    c.paint(coverage(w, h, rounded(0, 0, w, h, 3 * k)), lambda x, y: border)
    if ring is not None:
        c.paint(coverage(w, h, rounded(b, b, w - b, h - b, 2 * k)), lambda x, y: ring)
        inner = coverage(w, h, rounded(2 * b, 2 * b, w - 2 * b, h - 2 * b, 1 * k))
    else:
        inner = coverage(w, h, rounded(b, b, w - b, h - b, 2 * k))
    shine = 2 * b if ring else b

    # Upper half brighter than the lower half, as on a glossy push button.
    def face(x, y):
        t = (y - b) / float(h - 3 * b)
        base = mix(top, bottom, t)
        return mix(base, (255, 255, 255), 0.45) if shine <= y < shine + b else base
    c.paint(inner, face)
    img = c.image()
    font = ImageFont.truetype(CAPTION_FONT, R(12, pct))
    d = ImageDraw.Draw(img)
    left, _, right, _ = d.textbbox((0, 0), caption, font=font)
    # One baseline for every caption: centre the box of a tall Hangul syllable.
    _, gtop, _, gbottom = d.textbbox((0, 0), "뒤(B)", font=font)
    x = (w - (right - left)) // 2 - left
    y = (h - (gbottom - gtop)) // 2 - gtop
    if look == "pressed":
        x, y = x + b, y + b
    d.text((x, y), caption, font=font, fill=text)
    return avoid_key(img)


# ---------------------------------------------------------------- option marks

MARK_LOOKS = ("off", "off-hover", "off-pressed", "on", "on-hover", "on-pressed")


def draw_option_mark(look, pct=100):
    pointer = look.split("-")[1] if "-" in look else ""
    selected = look.startswith("on")
    border = {"": (0x8E, 0x8F, 0x8F), "hover": (0x3C, 0x7F, 0xB1), "pressed": (0x1F, 0x4F, 0x80)}[pointer]
    top, bottom = {"": ((0xE6, 0xE6, 0xE6), (0xFF, 0xFF, 0xFF)),
                   "hover": ((0xD6, 0xEE, 0xFC), (0xF4, 0xFB, 0xFF)),
                   "pressed": ((0xA8, 0xD3, 0xF0), (0xD8, 0xEE, 0xFB))}[pointer]
    k = pct / 100.0
    n, b = R(16, pct), line_width(pct)
    c = Canvas(n, n, PAGE)
    c.paint(coverage(n, n, ellipse(b, b, n - b, n - b)), lambda x, y: border)
    c.paint(coverage(n, n, ellipse(2 * b, 2 * b, n - 2 * b, n - 2 * b)),
            lambda x, y: mix(top, bottom, (design(y, pct) - 2) / 11.0))
    if selected:
        dot_hi, dot_lo = (0x5C, 0x9C, 0xE0), (0x15, 0x42, 0x7C)
        c.paint(coverage(n, n, ellipse(4.5 * k, 4.5 * k, n - 4.5 * k, n - 4.5 * k)),
                lambda x, y: mix(dot_hi, dot_lo, (design(y, pct) - 4) / 7.0))
    return avoid_key(c.image())


# ---------------------------------------------------------------- check marks

def draw_check_mark(ticked, pct=100):
    k = pct / 100.0
    n, b = R(11, pct), line_width(pct)
    c = Canvas(n, n, PAGE)
    c.paint([1.0] * (n * n), lambda x, y: (0x8E, 0x8F, 0x8F))
    inner = [1.0 if b <= x < n - b and b <= y < n - b else 0.0 for y in range(n) for x in range(n)]
    c.paint(inner, lambda x, y: mix((0xE4, 0xE4, 0xE4), (0xFF, 0xFF, 0xFF), (design(y, pct) - 1) / 8.0))
    if ticked:
        def tick(d, s):
            s *= k
            d.line([(2.3 * s, 5.4 * s), (4.4 * s, 7.6 * s), (8.7 * s, 2.6 * s)],
                   fill=255, width=int(1.7 * s), joint="curve")
        c.paint(coverage(n, n, tick), lambda x, y: (0x1C, 0x3F, 0x6E))
    return avoid_key(c.image())


# ---------------------------------------------------------------- option icons

def computer(d, s, ox=0, oy=0):
    """A small monitor with a blue screen, stand and foot, 30 x 33 units."""
    def R(x0, y0, x1, y1):
        return [(ox + x0) * s, (oy + y0) * s, (ox + x1) * s - 1, (oy + y1) * s - 1]
    d.rounded_rectangle(R(1, 3, 31, 25), radius=int(2 * s), fill=(0x3A, 0x40, 0x48))
    d.rounded_rectangle(R(2, 4, 30, 24), radius=int(1 * s), fill=(0x6A, 0x72, 0x7C))
    # Screen: a vertical blue gradient.
    for i in range(int(18 * s)):
        t = i / float(int(18 * s))
        col = clamp8(mix((0x6F, 0xB6, 0xF2), (0x1B, 0x5C, 0xB0), t))
        d.line([(ox + 4) * s, (oy + 6) * s + i, (ox + 28) * s - 1, (oy + 6) * s + i], fill=col)
    d.polygon([((ox + 13) * s, (oy + 25) * s), ((ox + 19) * s, (oy + 25) * s),
               ((ox + 21) * s, (oy + 30) * s), ((ox + 11) * s, (oy + 30) * s)], fill=(0x55, 0x5C, 0x66))
    d.rounded_rectangle(R(6, 30, 26, 34), radius=int(1 * s), fill=(0x3A, 0x40, 0x48))
    d.line([(ox + 7) * s, (oy + 31) * s, (ox + 25) * s, (oy + 31) * s], fill=(0x8A, 0x92, 0x9C), width=int(s // 2))


def icon_modify(d, s):
    computer(d, s, 0, 1)
    # A check list sheet in front of the lower right of the screen.
    d.rectangle([20 * s, 13 * s, 37 * s - 1, 39 * s - 1], fill=(0x60, 0x68, 0x70))
    d.rectangle([21 * s, 14 * s, 36 * s - 1, 38 * s - 1], fill=(0xFF, 0xFF, 0xFF))
    for k in range(3):
        y = (18 + 7 * k) * s
        d.line([(22.3 * s, y + 1.6 * s), (23.8 * s, y + 3.2 * s), (26.6 * s, y - 0.4 * s)],
               fill=(0x1E, 0x9A, 0x2E), width=int(1.4 * s), joint="curve")
        d.line([(28 * s, y + 1.5 * s), (34.5 * s, y + 1.5 * s)], fill=(0x80, 0x88, 0x90), width=int(s))


def icon_repair(d, s):
    computer(d, s, 0, 1)
    # A hammer lying across the lower right corner: wooden handle, steel head.
    ang = math.radians(-40)
    ca, sa = math.cos(ang), math.sin(ang)

    def rot(points, cx, cy):
        return [((cx + x * ca - y * sa) * s, (cy + x * sa + y * ca) * s) for x, y in points]
    handle = [(-12, -1.6), (6, -1.6), (6, 1.6), (-12, 1.6)]
    d.polygon(rot(handle, 27, 29), fill=(0x8A, 0x55, 0x22))
    d.polygon(rot([(-12, -0.4), (6, -0.4), (6, 0.5), (-12, 0.5)], 27, 29), fill=(0xC0, 0x85, 0x45))
    head = [(5, -7), (10, -7), (10, 6), (5, 6)]
    d.polygon(rot(head, 27, 29), fill=(0x3C, 0x42, 0x48))
    d.polygon(rot([(6, -6), (9, -6), (9, -3), (6, -3)], 27, 29), fill=(0x9A, 0xA2, 0xAA))


def icon_remove(d, s):
    # A recycle bin: lid, tapered body with ribs, recycling arrows on the front.
    d.rounded_rectangle([6 * s, 5 * s, 33 * s - 1, 9 * s - 1], radius=int(s), fill=(0x4F, 0x58, 0x62))
    d.rounded_rectangle([15 * s, 2 * s, 24 * s - 1, 6 * s - 1], radius=int(s), fill=(0x4F, 0x58, 0x62))
    d.polygon([(8 * s, 9 * s), (31 * s, 9 * s), (29 * s, 38 * s), (10 * s, 38 * s)], fill=(0x4F, 0x58, 0x62))
    d.polygon([(9 * s, 10 * s), (30 * s, 10 * s), (28.2 * s, 37 * s), (10.8 * s, 37 * s)],
              fill=(0xC9, 0xD6, 0xE2))
    for x in (13.5, 19.5, 25.5):
        d.line([(x * s, 12 * s), (x * s, 35 * s)], fill=(0xA4, 0xB4, 0xC4), width=int(s))
    # Three arrows chasing each other round the centre.
    cx, cy, r = 19.5, 23.5, 6.2
    green = (0x1E, 0x9A, 0x2E)
    for k in range(3):
        a0 = k * 120 + 20
        a1 = a0 + 80
        box = [(cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s]
        d.arc(box, a0, a1, fill=green, width=int(2 * s))
        t = math.radians(a1)
        px, py = cx + r * math.cos(t), cy + r * math.sin(t)
        tx, ty = -math.sin(t), math.cos(t)   # direction of travel
        nx, ny = math.cos(t), math.sin(t)
        d.polygon([((px + tx * 3) * s, (py + ty * 3) * s),
                   ((px + nx * 2.6) * s, (py + ny * 2.6) * s),
                   ((px - nx * 2.6) * s, (py - ny * 2.6) * s)], fill=green)


# ---------------------------------------------------------------- progress

TROUGH_BORDER = (0x9A, 0x9C, 0x9E)


def draw_trough(pct=100):
    """Two caps of 9 design pixels around one stretch column."""
    k = pct / 100.0
    w, h, b = 2 * R(9, pct) + 1, R(24, pct), line_width(pct)
    c = Canvas(w, h, PAGE)
    c.paint(coverage(w, h, rounded(0, 0, w, h, 4 * k)), lambda x, y: TROUGH_BORDER)
    c.paint(coverage(w, h, rounded(b, b, w - b, h - b, 3 * k)),
            lambda x, y: mix((0xD4, 0xD6, 0xD8), (0xF6, 0xF6, 0xF6), min(1.0, (design(y, pct) - 1) / 10.0)))
    return avoid_key(c.image())


def draw_fill(trough, pct=100):
    """The green bar: its rounded ends sit on the trough's straight middle, so
    the corners show the trough colours of the same rows. Each end is 23 design
    pixels wide; the motif lies between them."""
    k = pct / 100.0
    w, h, b, end = R(174, pct), R(24, pct), line_width(pct), R(23, pct)
    c = Canvas(w, h, PAGE)
    under = [trough.getpixel((R(9, pct), y)) for y in range(h)]
    c.paint([1.0] * (w * h), lambda x, y: under[y])
    outline = (0x1E, 0x78, 0x1E)
    c.paint(coverage(w, h, rounded(0, b, w, h - b, 3 * k)), lambda x, y: outline)
    shine, mid, low = (0xB6, 0xEE, 0xA8), (0x4C, 0xC0, 0x3C), (0x2A, 0x96, 0x22)

    def body(y):
        t = (design(y, pct) - 2) / 19.0
        return mix(shine, mid, t / 0.45) if t < 0.45 else mix(mid, low, (t - 0.45) / 0.55)

    def bar(x, y):
        col = body(y)
        if end <= x <= w - end - 1:
            # The motif: a soft light swelling towards the middle of the bar
            # with faint diagonal bands, fading to nothing at both ends.
            u = (x - (end - 1)) / float(w - 2 * end + 1)
            glow = math.sin(math.pi * u) ** 2
            band = 0.5 + 0.5 * math.cos(2 * math.pi * (design(x, pct) + design(y, pct)) / 16.0)
            col = mix(col, (255, 255, 255), glow * (0.22 + 0.12 * band))
        return col
    c.paint(coverage(w, h, rounded(b, 2 * b, w - b, h - 2 * b, 2 * k)), bar)
    return avoid_key(c.image())


# ---------------------------------------------------------------- app icon

def draw_app_icon(size):
    """The application icon: a double eighth note on a violet-blue tile."""
    big = 1024
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    grad = Image.new("RGBA", (big, big))
    top, bottom = (0x7A, 0x5C, 0xE6), (0x1E, 0x3C, 0xA8)
    gpx = []
    for y in range(big):
        col = clamp8(mix(top, bottom, y / float(big - 1)))
        gpx.extend([col + (255,)] * big)
    grad.putdata(gpx)
    mask = Image.new("L", (big, big), 0)
    ImageDraw.Draw(mask).rounded_rectangle([40, 40, big - 41, big - 41], radius=190, fill=255)
    img.paste(grad, (0, 0), mask)
    d = ImageDraw.Draw(img)
    white = (0xFF, 0xFF, 0xFF, 0xFF)
    # Two note heads, their stems and the double beam.
    for cx, cy in ((350, 720), (720, 650)):
        d.ellipse([cx - 120, cy - 88, cx + 120, cy + 88], fill=white)
    d.rectangle([420, 250, 470, 720], fill=white)
    d.rectangle([790, 190, 840, 650], fill=white)
    d.polygon([(420, 250), (840, 190), (840, 300), (420, 360)], fill=white)
    d.polygon([(420, 410), (840, 350), (840, 410), (420, 470)], fill=white)
    return img.resize((size, size), Image.LANCZOS)


def ico_bytes(images):
    """An .ico file: 256 px as PNG, smaller sizes as 32-bit DIBs with mask."""
    blobs = []
    for img in images:
        w, h = img.size
        if w >= 256:
            buf = io.BytesIO()
            img.save(buf, "PNG", optimize=False)
            blobs.append(buf.getvalue())
            continue
        rows = []
        mask_rows = []
        stride = ((w + 31) // 32) * 4
        for y in range(h - 1, -1, -1):   # DIB rows bottom-up
            row = bytearray()
            bits = bytearray(stride)
            for x in range(w):
                r, g, b, a = img.getpixel((x, y))
                row += bytes((b, g, r, a))
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            rows.append(bytes(row))
            mask_rows.append(bytes(bits))
        header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0,
                             w * h * 4 + stride * h, 0, 0, 0, 0)
        blobs.append(header + b"".join(rows) + b"".join(mask_rows))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, blobs):
        w, h = img.size
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


# ---------------------------------------------------------------- output

def words(img):
    return ["0x%08X" % ((r << 16) | (g << 8) | b) for (r, g, b) in img.getdata()]


def c_array(name, dims, images):
    """One array definition; images are the picture(s) in row-major order."""
    lines = ["const uint32_t %s%s = {" % (name, "".join("[%s]" % d for d in dims))]
    for img in images:
        ws = words(img)
        if len(images) > 1:
            lines.append("  {")
        for i in range(0, len(ws), 8):
            lines.append("    " + ", ".join(ws[i:i + 8]) + ",")
        if len(images) > 1:
            lines.append("  },")
    lines.append("};")
    return "\n".join(lines)


CAPTIONS = [("buttonBack", "back", "뒤 로 (B)"), ("buttonNext", "next", "다 음 (N)"),
            ("buttonExit", "exit", "종 료 (X)"), ("buttonFinish", "finish", "완 료 (C)"),
            ("buttonCancel", "cancel", "취 소 (C)")]


def draw_all(pct):
    """Every picture of the window at one scale, as (array, [(png name, picture)]),
    in the order of the arrays of shell/skin_pictures.h."""
    groups = []
    for array, stem, caption in CAPTIONS:
        looks = [draw_button(85, 21, caption, look, pct) for look in BUTTON_LOOKS]
        if stem == "cancel":
            looks[4] = looks[0]   # Cancel has no greyed look of its own
        groups.append((array, [("button-%s-%s" % (stem, look), img) for look, img in zip(BUTTON_LOOKS, looks)]))
    looks = [draw_button(118, 21, "찾아보기 (R)...", look, pct) for look in BUTTON_LOOKS]
    groups.append(("buttonBrowse", [("button-browse-%s" % look, img) for look, img in zip(BUTTON_LOOKS, looks)]))
    groups.append(("optionMarkLooks", [("option-mark-%s" % look, draw_option_mark(look, pct))
                                       for look in MARK_LOOKS]))
    groups.append(("checkMarkLooks", [("check-mark-empty", draw_check_mark(False, pct)),
                                      ("check-mark-ticked", draw_check_mark(True, pct))]))
    groups.append(("optionIcons", [("option-icon-%s" % stem, avoid_key(draw_big(39, 40, PAGE, fn, pct)))
                                   for stem, fn in (("modify", icon_modify), ("repair", icon_repair),
                                                    ("remove", icon_remove))]))
    trough = draw_trough(pct)
    groups.append(("progressTrough", [("progress-trough", trough)]))
    groups.append(("progressFill", [("progress-fill", draw_fill(trough, pct))]))
    for _, pictures in groups:
        for name, img in pictures:
            assert COLOUR_KEY not in set(img.getdata()), (pct, name)
    return groups


ARRAY_DIMS = {
    "buttonBack": ["kLooks", "kButtonWidth * kButtonHeight"],
    "buttonNext": ["kLooks", "kButtonWidth * kButtonHeight"],
    "buttonExit": ["kLooks", "kButtonWidth * kButtonHeight"],
    "buttonFinish": ["kLooks", "kButtonWidth * kButtonHeight"],
    "buttonCancel": ["kLooks", "kButtonWidth * kButtonHeight"],
    "buttonBrowse": ["kLooks", "kWideButtonWidth * kButtonHeight"],
    "optionMarkLooks": ["6", "16 * 16"],
    "checkMarkLooks": ["2", "11 * 11"],
    "optionIcons": ["3", "39 * 40"],
    "progressTrough": ["24 * 19"],
    "progressFill": ["24 * 174"],
}


def run_words(img):
    """Run length code of a picture: (count << 24) | 0xRRGGBB, count 1-255."""
    out = []
    prev, count = None, 0
    for (r, g, b) in img.getdata():
        word = (r << 16) | (g << 8) | b
        if word == prev and count < 255:
            count += 1
            continue
        if prev is not None:
            out.append((count << 24) | prev)
        prev, count = word, 1
    out.append((count << 24) | prev)
    return out


def scaled_cpp(scaled):
    """The pictures at every listed scale: run-coded words and each picture's size."""
    count = sum(len(group) for _, group in scaled[0][1])
    lines = ["// Generated by resources/skin/draw_skin.py; edit the script, not this file.",
             '#include "skin_scaled.h"', "", "namespace skin {", "",
             'static_assert(kScaledSkins == %d && kScaledPictures == %d, "the scales drawn");' % (len(scaled), count),
             "", "namespace {", ""]
    table = []
    for pct, groups in scaled:
        pictures = [img for _, group in groups for _, img in group]
        words = []
        for img in pictures:
            words += run_words(img)
        lines.append("const uint32_t kWords%d[] = {" % pct)
        for i in range(0, len(words), 8):
            lines.append("    " + ", ".join("0x%08X" % w for w in words[i:i + 8]) + ",")
        lines.append("};")
        lines.append("const uint16_t kSizes%d[kScaledPictures][2] = {" % pct)
        lines.append("    " + ", ".join("{%d, %d}" % img.size for img in pictures) + ",")
        lines.append("};")
        lines.append("")
        table.append("    {%d, kWords%d, %d, kSizes%d}," % (pct, pct, len(words), pct))
    lines += ["}  // namespace", "", "const ScaledSkin scaledSkins[kScaledSkins] = {"] + table
    lines += ["};", "", "}  // namespace skin", ""]
    return "\n".join(lines)


def write_text(path, text):
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    os.replace(tmp, path)


def main():
    out_cpp, out_ico, png_dir = sys.argv[1:4]
    out_scaled = sys.argv[4] if len(sys.argv) > 4 else None
    os.makedirs(png_dir, exist_ok=True)
    groups = draw_all(100)
    pngs = {name: img for _, group in groups for name, img in group}
    arrays = [c_array(array, ARRAY_DIMS[array], [img for _, img in group]) for array, group in groups]

    cpp = ["// Generated by resources/skin/draw_skin.py; edit the script, not this file.",
           '#include "skin_pictures.h"', "", "namespace skin {", ""]
    cpp.append("\n\n".join(arrays))
    cpp += ["", "}  // namespace skin", ""]
    write_text(out_cpp, "\n".join(cpp))

    if out_scaled:
        scaled = [(pct, draw_all(pct)) for pct in SCALES]
        write_text(out_scaled, scaled_cpp(scaled))
        for pct, scaled_groups in scaled:
            folder = os.path.join(png_dir, str(pct))
            os.makedirs(folder, exist_ok=True)
            for _, group in scaled_groups:
                for name, img in group:
                    img.save(os.path.join(folder, name + ".png"), "PNG", optimize=False)

    app = [draw_app_icon(n) for n in (256, 128, 64, 48, 32, 16)]
    with open(out_ico, "wb") as f:
        f.write(ico_bytes(app))
    for img in app:
        pngs["app-icon-%d" % img.size[0]] = img

    for name, img in sorted(pngs.items()):
        img.save(os.path.join(png_dir, name + ".png"), "PNG", optimize=False)


if __name__ == "__main__":
    main()
