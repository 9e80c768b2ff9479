#!/usr/bin/python3
"""Draws every skin picture of the setup window and the application icon.

Usage: draw_skin.py OUT_CPP OUT_ICO PNG_DIR

Writes the pictures as 0x00RRGGBB arrays (OUT_CPP, the definitions declared in
shell/skin_pictures.h), the six-size application icon (OUT_ICO) and a PNG copy
of every picture (PNG_DIR, names in README.md). Everything is drawn from code
with Pillow, so the same Pillow and font give the same bytes on every build.
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
        d.rounded_rectangle([x0 * s, y0 * s, x1 * s - 1, y1 * s - 1], radius=r * s, fill=255)
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


def draw_big(w, h, bg, draw_fn):
    """Draws a detailed picture SS times larger and scales it down."""
    big = Image.new("RGB", (w * SS, h * SS), bg)
    draw_fn(ImageDraw.Draw(big), SS)
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


def draw_button(w, h, caption, look):
    border, ring, top, bottom, text = BUTTON_STYLE[look]
    c = Canvas(w, h, PAGE)
    c.paint(coverage(w, h, rounded(0, 0, w, h, 3)), lambda x, y: border)
    if ring is not None:
        c.paint(coverage(w, h, rounded(1, 1, w - 1, h - 1, 2)), lambda x, y: ring)
        inner = coverage(w, h, rounded(2, 2, w - 2, h - 2, 1))
    else:
        inner = coverage(w, h, rounded(1, 1, w - 1, h - 1, 2))
    # Upper half brighter than the lower half, as on a glossy push button.
    def face(x, y):
        t = (y - 1) / float(h - 3)
        base = mix(top, bottom, t)
        return mix(base, (255, 255, 255), 0.45) if y == (2 if ring else 1) else base
    c.paint(inner, face)
    img = c.image()
    font = ImageFont.truetype(CAPTION_FONT, 12)
    d = ImageDraw.Draw(img)
    left, _, right, _ = d.textbbox((0, 0), caption, font=font)
    # One baseline for every caption: centre the box of a tall Hangul syllable.
    _, gtop, _, gbottom = d.textbbox((0, 0), "뒤(B)", font=font)
    x = (w - (right - left)) // 2 - left
    y = (h - (gbottom - gtop)) // 2 - gtop
    if look == "pressed":
        x, y = x + 1, y + 1
    d.text((x, y), caption, font=font, fill=text)
    return avoid_key(img)


# ---------------------------------------------------------------- option marks

MARK_LOOKS = ("off", "off-hover", "off-pressed", "on", "on-hover", "on-pressed")


def draw_option_mark(look):
    pointer = look.split("-")[1] if "-" in look else ""
    selected = look.startswith("on")
    border = {"": (0x8E, 0x8F, 0x8F), "hover": (0x3C, 0x7F, 0xB1), "pressed": (0x1F, 0x4F, 0x80)}[pointer]
    top, bottom = {"": ((0xE6, 0xE6, 0xE6), (0xFF, 0xFF, 0xFF)),
                   "hover": ((0xD6, 0xEE, 0xFC), (0xF4, 0xFB, 0xFF)),
                   "pressed": ((0xA8, 0xD3, 0xF0), (0xD8, 0xEE, 0xFB))}[pointer]
    c = Canvas(16, 16, PAGE)
    c.paint(coverage(16, 16, ellipse(1, 1, 15, 15)), lambda x, y: border)
    c.paint(coverage(16, 16, ellipse(2, 2, 14, 14)), lambda x, y: mix(top, bottom, (y - 2) / 11.0))
    if selected:
        dot_hi, dot_lo = (0x5C, 0x9C, 0xE0), (0x15, 0x42, 0x7C)
        c.paint(coverage(16, 16, ellipse(4.5, 4.5, 11.5, 11.5)),
                lambda x, y: mix(dot_hi, dot_lo, (y - 4) / 7.0))
    return avoid_key(c.image())


# ---------------------------------------------------------------- check marks

def draw_check_mark(ticked):
    c = Canvas(11, 11, PAGE)
    c.paint([1.0] * 121, lambda x, y: (0x8E, 0x8F, 0x8F))
    inner = [1.0 if 1 <= x <= 9 and 1 <= y <= 9 else 0.0 for y in range(11) for x in range(11)]
    c.paint(inner, lambda x, y: mix((0xE4, 0xE4, 0xE4), (0xFF, 0xFF, 0xFF), (y - 1) / 8.0))
    if ticked:
        def tick(d, s):
            d.line([(2.3 * s, 5.4 * s), (4.4 * s, 7.6 * s), (8.7 * s, 2.6 * s)],
                   fill=255, width=int(1.7 * s), joint="curve")
        c.paint(coverage(11, 11, tick), lambda x, y: (0x1C, 0x3F, 0x6E))
    return avoid_key(c.image())


# ---------------------------------------------------------------- option icons

def computer(d, s, ox=0, oy=0):
    """A small monitor with a blue screen, stand and foot, 30 x 33 units."""
    def R(x0, y0, x1, y1):
        return [(ox + x0) * s, (oy + y0) * s, (ox + x1) * s - 1, (oy + y1) * s - 1]
    d.rounded_rectangle(R(1, 3, 31, 25), radius=2 * s, fill=(0x3A, 0x40, 0x48))
    d.rounded_rectangle(R(2, 4, 30, 24), radius=1 * s, fill=(0x6A, 0x72, 0x7C))
    # Screen: a vertical blue gradient.
    for i in range(18 * s):
        t = i / float(18 * s)
        col = clamp8(mix((0x6F, 0xB6, 0xF2), (0x1B, 0x5C, 0xB0), t))
        d.line([(ox + 4) * s, (oy + 6) * s + i, (ox + 28) * s - 1, (oy + 6) * s + i], fill=col)
    d.polygon([((ox + 13) * s, (oy + 25) * s), ((ox + 19) * s, (oy + 25) * s),
               ((ox + 21) * s, (oy + 30) * s), ((ox + 11) * s, (oy + 30) * s)], fill=(0x55, 0x5C, 0x66))
    d.rounded_rectangle(R(6, 30, 26, 34), radius=1 * s, fill=(0x3A, 0x40, 0x48))
    d.line([(ox + 7) * s, (oy + 31) * s, (ox + 25) * s, (oy + 31) * s], fill=(0x8A, 0x92, 0x9C), width=s // 2)


def icon_modify(d, s):
    computer(d, s, 0, 1)
    # A check list sheet in front of the lower right of the screen.
    d.rectangle([20 * s, 13 * s, 37 * s - 1, 39 * s - 1], fill=(0x60, 0x68, 0x70))
    d.rectangle([21 * s, 14 * s, 36 * s - 1, 38 * s - 1], fill=(0xFF, 0xFF, 0xFF))
    for k in range(3):
        y = (18 + 7 * k) * s
        d.line([(22.3 * s, y + 1.6 * s), (23.8 * s, y + 3.2 * s), (26.6 * s, y - 0.4 * s)],
               fill=(0x1E, 0x9A, 0x2E), width=int(1.4 * s), joint="curve")
        d.line([(28 * s, y + 1.5 * s), (34.5 * s, y + 1.5 * s)], fill=(0x80, 0x88, 0x90), width=s)


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
    d.rounded_rectangle([6 * s, 5 * s, 33 * s - 1, 9 * s - 1], radius=s, fill=(0x4F, 0x58, 0x62))
    d.rounded_rectangle([15 * s, 2 * s, 24 * s - 1, 6 * s - 1], radius=s, fill=(0x4F, 0x58, 0x62))
    d.polygon([(8 * s, 9 * s), (31 * s, 9 * s), (29 * s, 38 * s), (10 * s, 38 * s)], fill=(0x4F, 0x58, 0x62))
    d.polygon([(9 * s, 10 * s), (30 * s, 10 * s), (28.2 * s, 37 * s), (10.8 * s, 37 * s)],
              fill=(0xC9, 0xD6, 0xE2))
    for x in (13.5, 19.5, 25.5):
        d.line([(x * s, 12 * s), (x * s, 35 * s)], fill=(0xA4, 0xB4, 0xC4), width=s)
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


def draw_trough():
    w, h = 19, 24
    c = Canvas(w, h, PAGE)
    c.paint(coverage(w, h, rounded(0, 0, w, h, 4)), lambda x, y: TROUGH_BORDER)
    c.paint(coverage(w, h, rounded(1, 1, w - 1, h - 1, 3)),
            lambda x, y: mix((0xD4, 0xD6, 0xD8), (0xF6, 0xF6, 0xF6), min(1.0, (y - 1) / 10.0)))
    return avoid_key(c.image())


def draw_fill(trough):
    """The green bar: its rounded ends sit on the trough's straight middle, so
    the corners show the trough colours of the same rows."""
    w, h = 174, 24
    c = Canvas(w, h, PAGE)
    under = [trough.getpixel((9, y)) for y in range(h)]
    c.paint([1.0] * (w * h), lambda x, y: under[y])
    outline = (0x1E, 0x78, 0x1E)
    c.paint(coverage(w, h, rounded(0, 1, w, h - 1, 3)), lambda x, y: outline)
    shine, mid, low = (0xB6, 0xEE, 0xA8), (0x4C, 0xC0, 0x3C), (0x2A, 0x96, 0x22)

    def body(y):
        t = (y - 2) / 19.0
        return mix(shine, mid, t / 0.45) if t < 0.45 else mix(mid, low, (t - 0.45) / 0.55)

    def bar(x, y):
        col = body(y)
        if 23 <= x <= 150:
            # The motif: a soft light swelling towards the middle of the bar
            # with faint diagonal bands, fading to nothing at columns 23 and 150.
            u = (x - 22) / 129.0
            glow = math.sin(math.pi * u) ** 2
            band = 0.5 + 0.5 * math.cos(2 * math.pi * (x + y) / 16.0)
            col = mix(col, (255, 255, 255), glow * (0.22 + 0.12 * band))
        return col
    c.paint(coverage(w, h, rounded(1, 2, w - 1, h - 2, 2)), bar)
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


def main():
    out_cpp, out_ico, png_dir = sys.argv[1:4]
    os.makedirs(png_dir, exist_ok=True)
    arrays = []
    pngs = {}

    captions = [("buttonBack", "back", "뒤 로 (B)"), ("buttonNext", "next", "다 음 (N)"),
                ("buttonExit", "exit", "종 료 (X)"), ("buttonFinish", "finish", "완 료 (C)"),
                ("buttonCancel", "cancel", "취 소 (C)")]
    for array, stem, caption in captions:
        looks = [draw_button(85, 21, caption, look) for look in BUTTON_LOOKS]
        if stem == "cancel":
            looks[4] = looks[0]   # Cancel has no greyed look of its own
        arrays.append(c_array(array, ["kLooks", "kButtonWidth * kButtonHeight"], looks))
        for look, img in zip(BUTTON_LOOKS, looks):
            pngs["button-%s-%s" % (stem, look)] = img
    looks = [draw_button(118, 21, "찾아보기 (R)...", look) for look in BUTTON_LOOKS]
    arrays.append(c_array("buttonBrowse", ["kLooks", "kWideButtonWidth * kButtonHeight"], looks))
    for look, img in zip(BUTTON_LOOKS, looks):
        pngs["button-browse-%s" % look] = img

    marks = [draw_option_mark(look) for look in MARK_LOOKS]
    arrays.append(c_array("optionMarkLooks", ["6", "16 * 16"], marks))
    for look, img in zip(MARK_LOOKS, marks):
        pngs["option-mark-%s" % look] = img

    checks = [draw_check_mark(False), draw_check_mark(True)]
    arrays.append(c_array("checkMarkLooks", ["2", "11 * 11"], checks))
    pngs["check-mark-empty"], pngs["check-mark-ticked"] = checks

    icons = [avoid_key(draw_big(39, 40, PAGE, fn)) for fn in (icon_modify, icon_repair, icon_remove)]
    arrays.append(c_array("optionIcons", ["3", "39 * 40"], icons))
    for stem, img in zip(("modify", "repair", "remove"), icons):
        pngs["option-icon-%s" % stem] = img

    trough = draw_trough()
    fill = draw_fill(trough)
    arrays.append(c_array("progressTrough", ["24 * 19"], [trough]))
    arrays.append(c_array("progressFill", ["24 * 174"], [fill]))
    pngs["progress-trough"], pngs["progress-fill"] = trough, fill

    for name, img in pngs.items():
        assert COLOUR_KEY not in set(img.getdata()), name

    cpp = ["// Generated by resources/skin/draw_skin.py; edit the script, not this file.",
           '#include "skin_pictures.h"', "", "namespace skin {", ""]
    cpp.append("\n\n".join(arrays))
    cpp += ["", "}  // namespace skin", ""]
    tmp = out_cpp + ".tmp"
    with open(tmp, "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(cpp))
    os.replace(tmp, out_cpp)

    app = [draw_app_icon(n) for n in (256, 128, 64, 48, 32, 16)]
    with open(out_ico, "wb") as f:
        f.write(ico_bytes(app))
    for img in app:
        pngs["app-icon-%d" % img.size[0]] = img

    for name, img in sorted(pngs.items()):
        img.save(os.path.join(png_dir, name + ".png"), "PNG", optimize=False)


if __name__ == "__main__":
    main()
