#!/usr/bin/env python3
"""Draw the launcher's skin pictures.

Generates, into OUTDIR (default: res/ next to this tools/ directory):
  background.bmp  239x528, 24 bpp: the whole window (logo, heading, framed
                  zone list with sample entries, "所选大区：" label and field
                  slot, button panel)
  start.bmp       308x23, 24 bpp: four 77x23 button frames side by side
  cancel.bmp      (disabled, normal, hover, pressed)
  app.ico         one 32x32 32-bpp image with AND mask
and the same drawing rendered for 144 and 192 DPI (150 % and 200 %):
  background_<dpi>_rows.bmp   the background without the part the zone list
  background_<dpi>_sides.bmp  covers: the rows above and below the list
                              stacked, and the columns left and right of it
                              side by side (the launcher puts them together)
  start_<dpi>.bmp, cancel_<dpi>.bmp   strips of four frames of 77x23 scaled
  app_scaled.ico  the icon at 32, 48 and 64 pixels
Every figure at D DPI is the 96-DPI figure times D / 96 rounded half up, the
rule the launcher lays its window out with.

Output is byte-for-byte deterministic (fixed seeds, no timestamps).  The
generated files are committed, so building the launcher needs neither Python
nor this script; rerun it only when the artwork changes.

Usage: /usr/bin/python3 tools/make_pictures.py [OUTDIR] [--preview sheet.png] [--scaled-preview window_%d.png]
"""
import argparse, glob, math, os, random, struct, sys
from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

W, H = 239, 528                 # picture size; the client area shows 232x525
VIS_W, VIS_H = 232, 525
LIST = (25, 84, 186, 367)       # x, y, w, h of the zone list control
FIELD = (93, 457, 111, 18)      # selected-zone edit field
BUTTONS = ((28, 490), (132, 490))
BW, BH = 77, 23                 # one button frame
KEY = (0, 0, 255)               # transparency key colour used by the skin
CX = LIST[0] + LIST[2] // 2     # design axis (centre of the list)

GOLD_HI, GOLD, GOLD_LO, GOLD_DK = (250, 226, 160), (214, 172, 92), (150, 108, 46), (64, 44, 18)
ZONES = [("电信一区 · 龙腾", "推荐"), ("电信二区 · 凤鸣", "良好"), ("电信三区 · 风暴", "繁忙"),
         ("电信四区 · 烈焰", "良好"), ("网通一区 · 苍穹", "推荐"), ("网通二区 · 破晓", "爆满"),
         ("网通三区 · 星辰", "良好"), ("双线专区 · 天启", "繁忙"), ("双线二区 · 永恒", "良好"),
         ("教育网专区", "良好"), ("新区 · 幻月之境", "新开")]
STATE_COLOURS = {"推荐": (30, 140, 60), "良好": (40, 110, 40), "繁忙": (200, 120, 0),
                 "爆满": (200, 30, 30), "新开": (20, 90, 200)}
SCALED_DPIS = (144, 192)
LIST_PAPER = (250, 248, 242)

# The drawing is written in 96-DPI pixels. S is the scale it is rendered at; at 1 every helper below hands the
# figures through untouched, so the 96-DPI pictures stay exactly what they always were.
S = 1


def mul_div(v, dpi):
    """A 96-DPI figure at dpi: rounded half up, as the launcher's layout rounds."""
    return (v * dpi + 48) // 96


def E(v):
    """An edge (or a length) in 96-DPI pixels, at the current scale."""
    return v if S == 1 else int(math.floor(v * S + 0.5))


def P(v):
    """A position given as a pixel centre, at the current scale."""
    return v if S == 1 else (v + 0.5) * S - 0.5


def K(n=1):
    """A line thickness at the current scale."""
    return n if S == 1 else max(1, int(n * S + 0.5))


class Pen:
    """ImageDraw taking 96-DPI figures: at S == 1 each call is passed on unchanged; at other scales boxes are mapped
    by their edges (so a 1-pixel rule becomes a band of the scaled thickness), points by their pixel centres."""

    def __init__(self, img):
        self.d = ImageDraw.Draw(img)

    @staticmethod
    def box(b):
        x0, y0, x1, y1 = b
        return [E(x0), E(y0), E(x1 + 1) - 1, E(y1 + 1) - 1]

    def line(self, xy, fill=None, width=1):
        if S == 1:
            return self.d.line(xy, fill=fill, width=width)
        if len(xy) > 2:
            for a, b in zip(xy, xy[1:]):
                self.line([a, b], fill=fill, width=width)
            return None
        (x0, y0), (x1, y1) = xy
        if x0 == x1 or y0 == y1:
            a, b = min(x0, x1), max(x0, x1)
            c, e = min(y0, y1), max(y0, y1)
            return self.d.rectangle([E(a), E(c), E(math.floor(b) + 1) - 1, E(math.floor(e) + 1) - 1], fill=fill)
        return self.d.line([(P(x), P(y)) for x, y in xy], fill=fill, width=K(width))

    def rectangle(self, b, fill=None, outline=None):
        if S == 1:
            return self.d.rectangle(b, fill=fill, outline=outline)
        return self.d.rectangle(self.box(b), fill=fill, outline=outline, width=K() if outline else 0)

    def rounded_rectangle(self, b, r, fill=None, outline=None):
        if S == 1:
            return self.d.rounded_rectangle(b, r, fill=fill, outline=outline)
        return self.d.rounded_rectangle(self.box(b), E(r), fill=fill, outline=outline, width=K())

    def ellipse(self, b, fill=None):
        return self.d.ellipse(b if S == 1 else self.box(b), fill=fill)

    def polygon(self, xy, fill=None, outline=None):
        return self.d.polygon(xy if S == 1 else [(P(x), P(y)) for x, y in xy], fill=fill, outline=outline)

    def text(self, xy, s, font=None, fill=None, **kw):
        if S != 1:
            xy = (xy[0] * S, xy[1] * S)
            if "stroke_width" in kw:
                kw["stroke_width"] = K(kw["stroke_width"])
        return self.d.text(xy, s, font=font, fill=fill, **kw)


def find_font():
    names = ("wqy-microhei.ttc", "wqy-zenhei.ttc")
    for root in ("/usr/share/fonts", "/usr/local/share/fonts", os.path.expanduser("~/.fonts")):
        for name in names:
            hits = sorted(glob.glob(os.path.join(root, "**", name), recursive=True))
            if hits:
                return hits[0]
    sys.exit("make_pictures: no CJK font found (wqy-microhei.ttc); "
             "install it with: apt-get install fonts-wqy-microhei")


FONT_PATH = find_font()


def blur(radius):
    return ImageFilter.GaussianBlur(radius if S == 1 else radius * S)


def font(size):
    return ImageFont.truetype(FONT_PATH, E(size), index=0)


def lerp(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def vgradient(w, h, stops):
    """Vertical gradient through [(position 0..1, colour), ...]."""
    col = Image.new("RGB", (1, h))
    for y in range(h):
        t = y / max(h - 1, 1)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                col.putpixel((0, y), lerp(c0, c1, (t - p0) / ((p1 - p0) or 1)))
                break
    return col.resize((w, h), Image.NEAREST)


def noise(w, h, seed, cell=1):
    rng = random.Random(seed)
    sw, sh = w // cell + 3, h // cell + 3
    img = Image.frombytes("L", (sw, sh), rng.randbytes(sw * sh))
    if S == 1:
        return img.resize((sw * cell, sh * cell), Image.BICUBIC).crop((cell, cell, cell + w, cell + h))
    # The same random field as at 96 DPI, spread over the scaled picture.
    return img.resize((E(sw * cell), E(sh * cell)), Image.BICUBIC).crop((E(cell), E(cell), E(cell) + E(w), E(cell) + E(h)))


def tint(img, colour, mask):
    """Blend a flat colour into img through an L mask."""
    img.paste(Image.new(img.mode, img.size, colour + ((255,) if img.mode == "RGBA" else ())), (0, 0), mask)


def blurred_shape(size, draw_fn, radius):
    m = Image.new("L", size, 0)
    draw_fn(Pen(m))
    return m.filter(blur(radius))


def text_size(f, s):
    """Extent and offsets of a text, in 96-DPI pixels."""
    l, t, r, b = f.getbbox(s)
    if S != 1:
        return (r - l) / S, (b - t) / S, l / S, t / S
    return r - l, b - t, l, t


def draw_centered(d, cx, cy, s, f, fill, **kw):
    w, h, l, t = text_size(f, s)
    d.text((cx - w / 2 - l, cy - h / 2 - t), s, font=f, fill=fill, **kw)


def diamond(d, cx, cy, r, fill, outline=None):
    d.polygon([(cx, cy - r), (cx + r, cy), (cx, cy + r), (cx - r, cy)], fill=fill, outline=outline)


def ornament_line(d, x0, x1, y, towards_centre):
    """Thin gold rule ending in a diamond at the end nearer the centre."""
    d.line([(x0, y), (x1, y)], fill=GOLD_LO)
    end = x1 if towards_centre > 0 else x0
    d.line([(min(x0, x1) + 6, y - 1), (max(x0, x1) - 6, y - 1)], fill=(90, 70, 40))
    diamond(d, end, y, 3, GOLD_HI, GOLD_DK)


def bevel_frame(d, x0, y0, x1, y1):
    """Gold bevelled frame whose inner edge is the rectangle (x0,y0)-(x1,y1)."""
    d.rectangle([x0 - 5, y0 - 5, x1 + 5, y1 + 5], outline=GOLD_DK)
    for i, (hi, lo) in enumerate([(GOLD_HI, GOLD_LO), (GOLD, (120, 86, 36)), (GOLD_LO, GOLD_HI)]):
        k = 4 - i
        d.line([(x0 - k, y1 + k), (x0 - k, y0 - k), (x1 + k, y0 - k)], fill=hi)
        d.line([(x1 + k, y0 - k), (x1 + k, y1 + k), (x0 - k, y1 + k)], fill=lo)
    d.rectangle([x0 - 1, y0 - 1, x1 + 1, y1 + 1], outline=(28, 20, 8))
    for cx, cy in ((x0 - 3, y0 - 3), (x1 + 3, y0 - 3), (x0 - 3, y1 + 3), (x1 + 3, y1 + 3)):
        diamond(d, cx, cy, 4, GOLD_HI, GOLD_DK)


def draw_logo(img):
    f, word, cy = font(34), "Tarvo", 28
    tw, th, l, t = text_size(f, word)
    x, y = CX - tw / 2 - l, cy - th / 2 - t
    # dark halo, then a gold gradient fill clipped to the letters, then a highlight rim
    halo = Image.new("L", img.size, 0)
    Pen(halo).text((x, y), word, font=f, fill=255, stroke_width=4, stroke_fill=255)
    tint(img, (255, 170, 60), halo.filter(blur(6)).point(lambda v: v * 3 // 5))
    tint(img, (20, 10, 4), halo.filter(blur(1)))
    mask = Image.new("L", img.size, 0)
    Pen(mask).text((x, y), word, font=f, fill=255)
    top, bot = (int(y + t), int(y + t + th)) if S == 1 else (int((y + t) * S), int((y + t + th) * S))
    fill = Image.new("RGB", img.size, GOLD_LO)
    fill.paste(vgradient(img.size[0], bot - top + 1, [(0, (255, 244, 200)), (0.45, (240, 196, 96)),
                                            (0.55, (176, 118, 40)), (1, (236, 186, 92))]), (0, top))
    img.paste(fill, (0, 0), mask)
    inner = ImageChops.subtract(mask, mask.filter(ImageFilter.MinFilter(2 * K() + 1)))
    tint(img, (255, 236, 180), inner.point(lambda v: v // 3))
    d = Pen(img)
    # wings: tapering rules with diamonds either side of the word
    for side in (-1, 1):
        xa, xb = CX + side * (tw / 2 + 6), CX + side * (tw / 2 + 38)
        for dy, c in ((-2, GOLD_LO), (0, GOLD), (2, GOLD_LO)):
            d.line([(xa, cy + dy / 2), (xb - side * abs(dy) * 4, cy + dy)], fill=c)
        diamond(d, xa + side * 2, cy, 3, GOLD_HI, GOLD_DK)
        diamond(d, xb + side * 3, cy, 2, GOLD, None)
    # small crown-like crest over the word and a caption under it
    diamond(d, CX, 8, 3, GOLD_HI, GOLD_DK)
    d.line([(CX - 22, 8), (CX - 6, 8)], fill=GOLD_LO)
    d.line([(CX + 6, 8), (CX + 22, 8)], fill=GOLD_LO)
    cap = font(9)
    draw_centered(d, CX, 49, "Z O N E   L A U N C H E R", cap, (176, 150, 104))


def background():
    img = vgradient(E(W), E(H), [(0, (40, 26, 52)), (0.18, (22, 20, 44)), (0.6, (12, 16, 34)), (1, (6, 8, 18))])
    mist = noise(W, H, 7, cell=28).filter(blur(8))
    tint(img, (70, 60, 120), mist.point(lambda v: max(0, v - 110) // 3))
    grain = noise(W, H, 11)
    tint(img, (0, 0, 0), grain.point(lambda v: v // 14))
    tint(img, (255, 255, 255), grain.point(lambda v: max(0, v - 200) // 10))
    # warm glow behind the logo, soft rays, cool glow over the footer
    tint(img, (200, 120, 50), blurred_shape(img.size, lambda d: d.ellipse([CX - 90, -30, CX + 90, 70], fill=110), 22))
    rays = blurred_shape(img.size, lambda d: [d.polygon([(CX, -10), (CX + dx - 10, H), (CX + dx + 10, H)], fill=34)
                                               for dx in (-260, -150, -60, 40, 120, 230)], 6)
    tint(img, (240, 190, 120), rays)
    tint(img, (40, 110, 170), blurred_shape(img.size, lambda d: d.ellipse([CX - 130, 470, CX + 130, 580], fill=80), 20))
    # shadow around the list frame
    tint(img, (0, 0, 0), blurred_shape(img.size, lambda d: d.rectangle([16, 76, 220, 460], fill=200), 5))
    draw_logo(img)
    d = Pen(img)
    # window border: double gold rule with corner diamonds, kept inside the visible area
    d.rectangle([1, 1, VIS_W - 2, VIS_H - 2], outline=GOLD_DK)
    d.rectangle([2, 2, VIS_W - 3, VIS_H - 3], outline=GOLD_LO)
    d.rectangle([5, 5, VIS_W - 6, VIS_H - 6], outline=(110, 80, 36))
    for cx, cy in ((4, 4), (VIS_W - 5, 4), (4, VIS_H - 5), (VIS_W - 5, VIS_H - 5)):
        diamond(d, cx, cy, 4, GOLD_HI, GOLD_DK)
    # side ornaments running down the margins
    for x in (12, VIS_W - 13):
        d.line([(x, 110), (x, 430)], fill=(70, 54, 32))
        for y in range(120, 430, 40):
            diamond(d, x, y, 2, GOLD_LO)
    # heading
    hf = font(15)
    hw = text_size(hf, "选择游戏大区")[0]
    draw_centered(d, CX + 1, 69, "选择游戏大区", hf, (10, 6, 2))
    draw_centered(d, CX, 68, "选择游戏大区", hf, (244, 222, 170))
    ornament_line(d, 22, CX - hw / 2 - 8, 68, 1)
    ornament_line(d, CX + hw / 2 + 8, 214, 68, -1)
    # framed list with sample entries, as the list box will show them
    x, y, w, h = LIST
    bevel_frame(d, x, y, x + w - 1, y + h - 1)
    d.rectangle([x, y, x + w - 1, y + h - 1], fill=(250, 248, 242))
    lf, row = font(12), 18
    for i, (name, state) in enumerate(ZONES):
        ry = y + 2 + i * row
        sel = i == 0
        if sel:
            d.rectangle([x + 1, ry, x + w - 2, ry + row - 1], fill=(51, 120, 215))
        d.text((x + 6, ry + row / 2), name, font=lf, fill=(255, 255, 255) if sel else (24, 24, 32), anchor="lm")
        d.text((x + w - 8, ry + row / 2), state, font=lf,
               fill=(255, 255, 255) if sel else STATE_COLOURS[state], anchor="rm")
        if not sel:
            d.line([(x + 4, ry + row - 1), (x + w - 5, ry + row - 1)], fill=(232, 226, 212))
    # label and the slot of the selected-zone field
    fx, fy, fw, fh = FIELD
    lab = font(12)
    d.text((fx - 3, fy + fh / 2 + 1), "所选大区：", font=lab, fill=(8, 4, 0), anchor="rm")
    d.text((fx - 4, fy + fh / 2), "所选大区：", font=lab, fill=(236, 214, 164), anchor="rm")
    # (the list frame ends on the row just above, so the slot's gold rim skips the top)
    d.line([(fx - 2, fy - 1), (fx - 2, fy + fh + 1), (fx + fw + 1, fy + fh + 1), (fx + fw + 1, fy - 1)], fill=GOLD_LO)
    d.rectangle([fx - 1, fy - 1, fx + fw, fy + fh], outline=(20, 14, 6))
    d.rectangle([fx, fy, fx + fw - 1, fy + fh - 1], fill=(250, 248, 242))
    # button panel: recessed strip with sockets under both buttons
    d.rectangle([12, 483, VIS_W - 13, 517], fill=(10, 12, 26), outline=(70, 54, 30))
    d.line([(13, 484), (VIS_W - 14, 484)], fill=(4, 4, 10))
    d.line([(24, 483), (VIS_W - 25, 483)], fill=GOLD_LO)
    d.line([(24, 517), (VIS_W - 25, 517)], fill=GOLD_LO)
    for bx, by in BUTTONS:
        d.rounded_rectangle([bx - 2, by - 2, bx + BW + 1, by + BH + 1], 5, fill=(4, 6, 14), outline=GOLD_DK)
    diamond(d, (BUTTONS[0][0] + BW + BUTTONS[1][0]) / 2, 501, 4, GOLD_HI, GOLD_DK)
    return img


def rounded_mask(w, h, r, scale=4):
    m = Image.new("L", (w * scale, h * scale), 0)
    ImageDraw.Draw(m).rounded_rectangle([0, 0, w * scale - 1, h * scale - 1], r * scale, fill=255)
    return m.resize((w, h), Image.LANCZOS)


def button_frame(label, state):
    """state: 0 disabled, 1 normal, 2 hover, 3 pressed."""
    top, bot, edge, text = [((200, 202, 206), (150, 152, 158), (96, 98, 104), (100, 102, 108)),
                            ((92, 152, 236), (22, 72, 172), (10, 30, 90), (255, 255, 255)),
                            ((140, 196, 255), (46, 118, 224), (14, 44, 120), (255, 255, 255)),
                            ((150, 196, 246), (186, 220, 255), (20, 52, 120), (12, 36, 92))][state]
    fw, fh, k = E(BW), E(BH), K()
    frame = Image.new("RGB", (fw, fh), (8, 18, 52))             # dark blue outside the corners
    face = vgradient(fw, fh, [(0, top), (0.5, lerp(top, bot, 0.6)), (1, bot)])
    d = Pen(face)
    if state == 3:                                              # pushed in: shaded top edge
        d.line([(2, 1), (BW - 3, 1)], fill=(60, 100, 170))
        d.line([(2, 2), (BW - 3, 2)], fill=(110, 156, 220))
        d.line([(1, 2), (1, BH - 3)], fill=(100, 146, 210))
    else:                                                       # raised: glossy top highlight
        d.line([(3, 1), (BW - 4, 1)], fill=lerp(top, (255, 255, 255), 0.55))
        gloss = Image.new("L", (fw, fh), 0)
        Pen(gloss).rectangle([1, 2, BW - 2, BH // 2], fill=36)
        tint(face, (255, 255, 255), gloss)
    f = font(13)
    ox = oy = 1 if state == 3 else 0
    shadow = {0: (232, 232, 236), 1: (0, 0, 0), 2: (10, 40, 110)}.get(state)   # disabled: etched look
    if shadow:
        draw_centered(d, BW / 2 + ox + 1, BH / 2 + oy + 1, label, f, shadow)
    draw_centered(d, BW / 2 + ox, BH / 2 + oy, label, f, text)
    outer, inner = rounded_mask(fw, fh, E(5)), rounded_mask(fw - 2 * k, fh - 2 * k, E(4))
    rim = Image.new("RGB", (fw, fh), edge)
    rim.paste(face.crop((k, k, fw - k, fh - k)), (k, k), inner)
    frame.paste(rim, (0, 0), outer)
    return frame


def button_strip(label):
    strip = Image.new("RGB", (4 * E(BW), E(BH)))
    for i in range(4):
        strip.paste(button_frame(label, i), (i * E(BW), 0))
    px = [(0, 0, 254) if p == KEY else p for p in strip.getdata()]   # never hit the key colour
    strip.putdata(px)
    assert KEY not in set(strip.getdata()), "button strip contains the transparency key colour"
    return strip


def icon(size=32):
    s = 8
    big = Image.new("RGBA", (32 * s, 32 * s), (0, 0, 0, 0))
    d = ImageDraw.Draw(big)
    shield = [(16, 1), (29, 5), (28, 17), (16, 31), (4, 17), (3, 5)]
    d.polygon([(x * s, y * s) for x, y in shield], fill=GOLD_DK + (255,))
    d.polygon([(x * s + (16 - x) * s // 9, y * s + (16 - y) * s // 7) for x, y in shield], fill=GOLD + (255,))
    d.polygon([(x * s + (16 - x) * s // 4, y * s + (16 - y) * s // 4) for x, y in shield], fill=(26, 30, 70, 255))
    d.polygon([(x * s + (16 - x) * s // 4, y * s + (16 - y) * s // 4) for x, y in shield[:3]] + [(16 * s, 16 * s)],
              fill=(44, 54, 120, 255))
    # the "T": bar with flared ends and a tapering stem
    d.polygon([(8 * s, 8 * s), (24 * s, 8 * s), (23 * s, 12 * s), (18 * s, 11 * s), (17 * s, 25 * s),
               (16 * s, 27 * s), (15 * s, 25 * s), (14 * s, 11 * s), (9 * s, 12 * s)],
              fill=GOLD_HI + (255,), outline=GOLD_DK + (255,), width=s // 2)
    return big.resize((size, size), Image.LANCZOS)


def write_bmp(path, img):
    w, h = img.size
    raw, stride = img.convert("RGB").tobytes("raw", "BGR"), (w * 3 + 3) & ~3
    pad = b"\0" * (stride - w * 3)
    data = b"".join(raw[y * w * 3:(y + 1) * w * 3] + pad for y in range(h - 1, -1, -1))
    with open(path, "wb") as fp:
        fp.write(struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54))
        fp.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0))
        fp.write(data)


def icon_dib(img):
    w, h = img.size
    raw = img.tobytes("raw", "BGRA")
    xor = b"".join(raw[y * w * 4:(y + 1) * w * 4] for y in range(h - 1, -1, -1))
    alpha, mrow = img.getchannel("A"), ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        bits = bytearray(mrow)
        for x in range(w):
            if alpha.getpixel((x, y)) < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0) + xor + bytes(mask)


def write_ico(path, *imgs):
    dibs = [icon_dib(img) for img in imgs]
    offset = 6 + 16 * len(imgs)
    with open(path, "wb") as fp:
        fp.write(struct.pack("<HHH", 0, 1, len(imgs)))
        for img, dib in zip(imgs, dibs):
            fp.write(struct.pack("<BBBBHHII", img.size[0], img.size[1], 0, 0, 1, 32, len(dib), offset))
            offset += len(dib)
        for dib in dibs:
            fp.write(dib)


def preview(path, bg, strips, ico):
    """Window as it will look (normal button frames in place), strips at 2x below, icon."""
    view = bg.copy()
    for (bx, by), strip in zip(BUTTONS, strips):
        view.paste(strip.crop((BW, 0, 2 * BW, BH)), (bx, by))
    sheet = Image.new("RGB", (8 * BW + 16, H + 128), (60, 60, 64))
    sheet.paste(view, (8, 8))
    for i, strip in enumerate(strips):
        sheet.paste(strip.resize((8 * BW, 2 * BH), Image.NEAREST), (8, H + 16 + i * 54))
    big = ico.resize((128, 128), Image.NEAREST)
    sheet.paste(big, (W + 40, 8), big)
    sheet.paste(ico, (W + 184, 56), ico)
    sheet.save(path)


def set_scale(dpi):
    global S
    S = 1 if dpi == 96 else dpi / 96


def background_parts(bg, dpi):
    """The background without the zone list's rectangle: (rows above and below it, columns left and right of it)."""
    x, y, w, h = (mul_div(v, dpi) for v in LIST)
    bw, bh = bg.size
    rows = Image.new("RGB", (bw, bh - h))
    rows.paste(bg.crop((0, 0, bw, y)), (0, 0))
    rows.paste(bg.crop((0, y + h, bw, bh)), (0, y))
    sides = Image.new("RGB", (bw - w, h))
    sides.paste(bg.crop((0, y, x, y + h)), (0, 0))
    sides.paste(bg.crop((x + w, y, bw, y + h)), (x, 0))
    return rows, sides


def main():
    ap = argparse.ArgumentParser(description="Draw the launcher skin pictures.")
    ap.add_argument("outdir", nargs="?", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res"))
    ap.add_argument("--preview", metavar="PNG", help="also write a preview sheet")
    ap.add_argument("--scaled-preview", metavar="PNG", help="also write the window at 144 and 192 DPI (%%d: the DPI)")
    args = ap.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    bg, ico = background(), icon()
    strips = [button_strip("开始游戏"), button_strip("取消")]
    for name, img in (("background.bmp", bg), ("start.bmp", strips[0]), ("cancel.bmp", strips[1])):
        write_bmp(os.path.join(args.outdir, name), img)
    write_ico(os.path.join(args.outdir, "app.ico"), ico)
    if args.preview:
        preview(args.preview, bg, strips, ico)
    write_ico(os.path.join(args.outdir, "app_scaled.ico"), icon(32), icon(48), icon(64))
    for dpi in SCALED_DPIS:
        set_scale(dpi)
        rows, sides = background_parts(background(), dpi)
        write_bmp(os.path.join(args.outdir, "background_%d_rows.bmp" % dpi), rows)
        write_bmp(os.path.join(args.outdir, "background_%d_sides.bmp" % dpi), sides)
        for name, label in (("start", "开始游戏"), ("cancel", "取消")):
            write_bmp(os.path.join(args.outdir, "%s_%d.bmp" % (name, dpi)), button_strip(label))
        if args.scaled_preview:
            bg = background()
            view = bg.copy()
            for (bx, by), label in zip(BUTTONS, ("开始游戏", "取消")):
                view.paste(button_frame(label, 1), (mul_div(bx, dpi), mul_div(by, dpi)))
            view.save(args.scaled_preview % dpi)
    set_scale(96)


if __name__ == "__main__":
    main()
