#!/usr/bin/python3
"""Draws the manager's images and writes them next to this script:

  toolbar.bmp         180 x 30, 16 colours: New, Edit, Install, Uninstall, Start, Stop
  services.bmp        48 x 48, 16 colours: the list rows' two cog-wheels on magenta
  RavelinManager.ico  the application icon, 16, 32 and 48 pixels, 256 colours and 32-bit

Run it with Debian's python3 and python3-pil: /usr/bin/python3 make_images.py
The build uses the files as they are committed; run this only to change a picture.

Shapes are drawn eight times larger and reduced to a mask (a pixel is in when at least half of
it is covered), then filled with palette colours: hard, clean edges that a 16-colour bitmap and
the toolbar's colour mapping keep intact.
"""

import math
import os
import struct

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 8  # supersampling factor of the shape masks

# ---------------------------------------------------------------------------------------------
# Palettes. In the toolbar bitmap black, RGB(128,128,128), RGB(192,192,192) and white become the
# user's button colours (text, shadow, face, highlight); the background is RGB(192,192,192).

TOOLBAR_PALETTE = [
    (0, 0, 0),        # 0 black: outlines
    (128, 128, 128),  # 1 grey
    (192, 192, 192),  # 2 button face: background
    (255, 255, 255),  # 3 white
    (0, 100, 0),      # 4 dark green
    (40, 170, 40),    # 5 green
    (130, 230, 110),  # 6 light green
    (128, 0, 0),      # 7 dark red
    (215, 30, 30),    # 8 red
    (250, 120, 110),  # 9 light red
    (150, 100, 20),   # 10 brown
    (210, 160, 70),   # 11 carton
    (255, 210, 40),   # 12 yellow
    (30, 60, 150),    # 13 dark blue
    (224, 224, 224),  # 14 light grey: page shading
    (255, 240, 170),  # 15 light yellow
]
BLACK, GREY, FACE, WHITE, DGREEN, GREEN, LGREEN, DRED, RED, LRED, BROWN, CARTON, YELLOW, \
    DBLUE, LGREY, LYELLOW = range(16)

# The row image goes into an image list of the system's 16 standard colours: only those colours
# show as drawn, so the cog-wheels use nothing else.
SERVICE_PALETTE = [
    (255, 0, 255),    # 0 magenta: transparent
    (0, 0, 0),        # 1 black
    (128, 0, 0),      # 2 maroon
    (0, 128, 0),      # 3 green
    (128, 128, 0),    # 4 olive
    (0, 0, 128),      # 5 navy
    (128, 0, 128),    # 6 purple
    (0, 128, 128),    # 7 teal
    (192, 192, 192),  # 8 silver
    (128, 128, 128),  # 9 grey
    (255, 0, 0),      # 10 red
    (0, 255, 0),      # 11 lime
    (255, 255, 0),    # 12 yellow
    (0, 0, 255),      # 13 blue
    (0, 255, 255),    # 14 aqua
    (255, 255, 255),  # 15 white
]


# ---------------------------------------------------------------------------------------------
# Masks: sets of (x, y) pixels.

def mask_of(width, height, draw_fn, ox=0, oy=0):
    """Runs draw_fn(draw, s) on a supersampled canvas (s scales a coordinate) and returns the
    pixels of which at least half is covered, shifted by (ox, oy)."""
    big = Image.new("L", (width * SS, height * SS), 0)
    draw = ImageDraw.Draw(big)

    def s(v):
        return v * SS

    draw_fn(draw, s)
    small = big.resize((width, height), Image.BOX)
    px = small.load()
    return {(x + ox, y + oy) for y in range(height) for x in range(width) if px[x, y] >= 128}


def poly(points):
    """A mask function for a polygon in pixel coordinates (pixel centres at .5)."""
    def fn(draw, s):
        draw.polygon([(s(x), s(y)) for x, y in points], fill=255)
    return fn


def ellipse(x0, y0, x1, y1):
    def fn(draw, s):
        draw.ellipse([s(x0), s(y0), s(x1), s(y1)], fill=255)
    return fn


def rect(x0, y0, x1, y1):
    """Pixels x0..x1-1, y0..y1-1."""
    return {(x, y) for x in range(x0, x1) for y in range(y0, y1)}


def edge(mask):
    """The pixels of mask that touch (4-neighbourhood) a pixel outside it."""
    return {(x, y) for x, y in mask
            if (x - 1, y) not in mask or (x + 1, y) not in mask
            or (x, y - 1) not in mask or (x, y + 1) not in mask}


def shrink(mask):
    return mask - edge(mask)


def lit_edge(mask, upper_left):
    """Edge pixels facing up/left (upper_left True) or down/right."""
    if upper_left:
        return {(x, y) for x, y in mask if (x - 1, y) not in mask or (x, y - 1) not in mask}
    return {(x, y) for x, y in mask if (x + 1, y) not in mask or (x, y + 1) not in mask}


class Canvas:
    def __init__(self, width, height, background):
        self.width = width
        self.height = height
        self.px = [[background] * width for _ in range(height)]

    def fill(self, mask, colour):
        for x, y in mask:
            if 0 <= x < self.width and 0 <= y < self.height:
                self.px[y][x] = colour

    def shape(self, mask, fill, outline=BLACK, light=None, shade=None):
        """A filled shape with a one-pixel outline and, inside it, an optional bevel."""
        self.fill(mask, outline)
        inner = shrink(mask)
        self.fill(inner, fill)
        if light is not None:
            self.fill(lit_edge(inner, True), light)
        if shade is not None:
            self.fill(lit_edge(inner, False) - lit_edge(inner, True), shade)
        return inner

    def image(self, palette):
        img = Image.new("P", (self.width, self.height))
        flat = []
        for colour in palette:
            flat.extend(colour)
        flat.extend([0] * (768 - len(flat)))
        img.putpalette(flat)
        img.putdata([c for row in self.px for c in row])
        return img


# ---------------------------------------------------------------------------------------------
# Toolbar buttons, each 30 x 30, drawn into the strip at offset ox.

def page(c, ox, x0=5, y0=3, x1=23, y1=27, fold=6, lines=False):
    """A sheet of paper with a folded top-right corner."""
    outline = mask_of(30, 30, poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1),
                                   (x0, y1)]), ox)
    c.shape(outline, WHITE, BLACK, shade=LGREY)
    ear = mask_of(30, 30, poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]), ox)
    c.fill(ear, LGREY)
    c.fill({(x1 - fold + i, y0 + fold - 1) for i in range(fold)}, BLACK)
    c.fill({(x1 - fold, y0 + i) for i in range(fold)}, BLACK)
    if lines:
        for i, y in enumerate(range(y0 + 9, y1 - 2, 3)):
            c.fill(rect(ox + x0 + 3, y, ox + x1 - 3 - (4 if i % 2 else 0), y + 1), GREY)


def button_new(c, ox):
    page(c, ox)
    # A yellow star, as for something just made.
    cx, cy, ro, ri = 20.5, 20.0, 9.6, 4.1
    pts = []
    for i in range(10):
        a = -math.pi / 2 + i * math.pi / 5
        r = ro if i % 2 == 0 else ri
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    star = mask_of(30, 30, poly(pts), ox)
    c.shape(star, YELLOW, BROWN, light=LYELLOW)


def button_edit(c, ox):
    page(c, ox, lines=True)
    # A pencil lying from the lower left to the upper right, its tip on the page.
    def along(t, d):
        # Point at distance t along the pencil axis and d across it.
        ax, ay = 9.0, 26.0       # tip
        ux, uy = 1 / math.sqrt(2), -1 / math.sqrt(2)
        return (ax + ux * t - uy * d, ay + uy * t + ux * d)
    w = 3.4
    body = mask_of(30, 30, poly([along(6, -w), along(21, -w), along(21, w), along(6, w)]), ox)
    wood = mask_of(30, 30, poly([along(0, 0), along(6.5, -w), along(6.5, w)]), ox)
    band = mask_of(30, 30, poly([along(20, -w), along(23, -w), along(23, w), along(20, w)]), ox)
    eraser = mask_of(30, 30, poly([along(22.5, -w), along(26, -w), along(26, w),
                                   along(22.5, w)]), ox)
    lead = mask_of(30, 30, poly([along(0, 0), along(2.6, -1.6), along(2.6, 1.6)]), ox)
    c.shape(wood, LYELLOW, BLACK)
    c.shape(body, YELLOW, BLACK, light=LYELLOW, shade=CARTON)
    c.shape(eraser, LRED, BLACK, shade=RED)
    c.shape(band, GREY, BLACK, light=WHITE)
    c.fill(lead, BLACK)


def carton(c, ox):
    """An open cardboard box at the bottom of the button."""
    front = mask_of(30, 30, poly([(4, 17), (26, 17), (26, 28), (4, 28)]), ox)
    c.shape(front, CARTON, BLACK, light=LYELLOW, shade=BROWN)
    # The open top: back wall seen from above, and the two flaps.
    inside = mask_of(30, 30, poly([(4, 17), (8, 13), (22, 13), (26, 17)]), ox)
    c.shape(inside, BROWN, BLACK)
    left = mask_of(30, 30, poly([(4, 17), (1, 12.5), (8, 12.5), (9.5, 17)]), ox)
    right = mask_of(30, 30, poly([(26, 17), (29, 12.5), (22, 12.5), (20.5, 17)]), ox)
    c.shape(left, CARTON, BLACK, light=LYELLOW)
    c.shape(right, CARTON, BLACK, light=LYELLOW)
    # A strip of tape on the front.
    c.fill(rect(ox + 12, 19, ox + 18, 27), LYELLOW)


def arrow(c, ox, down, fill, outline, light):
    if down:
        pts = [(11.5, 1), (18.5, 1), (18.5, 10), (23.5, 10), (15, 20), (6.5, 10), (11.5, 10)]
    else:
        pts = [(15, 1), (23.5, 11), (18.5, 11), (18.5, 20), (11.5, 20), (11.5, 11), (6.5, 11)]
    c.shape(mask_of(30, 30, poly(pts), ox), fill, outline, light=light)


def button_install(c, ox):
    carton(c, ox)
    arrow(c, ox, True, GREEN, DGREEN, LGREEN)


def button_uninstall(c, ox):
    carton(c, ox)
    arrow(c, ox, False, RED, DRED, LRED)


def button_start(c, ox):
    tri = mask_of(30, 30, poly([(7, 3.5), (26, 15), (7, 26.5)]), ox)
    c.shape(tri, GREEN, DGREEN, light=LGREEN)


def button_stop(c, ox):
    square = mask_of(30, 30, poly([(5, 5), (25, 5), (25, 25), (5, 25)]), ox)
    c.shape(square, RED, DRED, light=LRED)


def make_toolbar():
    c = Canvas(180, 30, FACE)
    for i, draw in enumerate([button_new, button_edit, button_install, button_uninstall,
                              button_start, button_stop]):
        draw(c, i * 30)
    return c.image(TOOLBAR_PALETTE)


# ---------------------------------------------------------------------------------------------
# Cog-wheels.

def cog_points(cx, cy, r_out, r_in, teeth, phase=0.0, steps=6):
    """Outline of a cog: teeth whose flanks taper a little, between root and tip circles."""
    pts = []
    pitch = 2 * math.pi / teeth
    for k in range(teeth):
        base = phase + k * pitch
        # root arc, rising flank, tip arc, falling flank
        for a, r in [(base - 0.50 * pitch, r_in), (base - 0.30 * pitch, r_in),
                     (base - 0.20 * pitch, r_out), (base + 0.20 * pitch, r_out),
                     (base + 0.30 * pitch, r_in)]:
            pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def ring(cx, cy, r_hole):
    return ellipse(cx - r_hole, cy - r_hole, cx + r_hole, cy + r_hole)


def draw_cog(c, size, cx, cy, r_out, r_in, teeth, phase, r_hole, colours):
    outline, shade, fill, light, glint = colours
    body = mask_of(size, size, poly(cog_points(cx, cy, r_out, r_in, teeth, phase)))
    hole = mask_of(size, size, ring(cx, cy, r_hole))
    hub = mask_of(size, size, ring(cx, cy, r_hole + 3.2))
    solid = body - hole
    c.fill(solid, outline)
    inner = shrink(solid)
    # Light from the upper left: each pixel's shade follows the direction from the centre.
    for x, y in inner:
        dx, dy = x + 0.5 - cx, y + 0.5 - cy
        d = math.hypot(dx, dy) or 1.0
        lightness = -(dx + dy) / (d * math.sqrt(2))
        c.fill({(x, y)}, light if lightness > 0.8 else shade if lightness < -0.55 else fill)
    # A raised hub ring around the hole, lit the other way so it reads as a step.
    c.fill(edge(hub) & inner, outline)
    for x, y in shrink(hub) & inner:
        if (x, y) in edge(shrink(hub)):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            c.fill({(x, y)}, glint if dx + dy < 0 else shade)
    # The hole's rim.
    rim = {(x, y) for x, y in solid
           if any((x + dx, y + dy) in hole for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))}
    c.fill(rim, outline)


def make_services():
    size = 48
    c = Canvas(size, size, 0)
    # outline, shade, fill, light, glint
    grey = (1, 9, 8, 15, 15)
    yellow = (1, 4, 12, 12, 15)
    # The big grey cog upper left, the small yellow one lower right, their teeth in mesh.
    # Column 47 is cut away by the list view: nothing is drawn there.
    draw_cog(c, size, 18.5, 18.5, 17.5, 13.5, 10, 0.0, 4.5, grey)
    draw_cog(c, size, 34.5, 34.5, 12.0, 8.8, 8, math.pi / 8, 3.0, yellow)
    assert all(c.px[y][47] == 0 for y in range(size))
    return c.image(SERVICE_PALETTE)


# ---------------------------------------------------------------------------------------------
# The application icon: a ravelin, the arrow-head outwork of a fortress, seen from above, with
# a golden cog on it.

def icon_rgba(size, simple=False):
    big = size * SS
    img = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)

    def p(x, y):
        return (x * big / 48.0, y * big / 48.0)

    # Outer wall (dark stone) and the terreplein (lighter stone) inside it.
    outer = [(24, 1.5), (46, 17), (42, 46.5), (6, 46.5), (2, 17)]
    inner = [(24, 7.5), (40.5, 19.2), (37.6, 41.5), (10.4, 41.5), (7.5, 19.2)]
    d.polygon([p(*q) for q in outer], fill=(40, 52, 84, 255))
    d.polygon([p(*q) for q in [(24, 3.8), (43.6, 17.8), (40, 44.5), (8, 44.5), (4.4, 17.8)]],
              fill=(98, 118, 168, 255))
    # Left faces lit, right faces in shade: two halves of the wall top.
    d.polygon([p(*q) for q in [(24, 3.8), (24, 7.5), (7.5, 19.2), (10.4, 41.5), (8, 44.5),
                               (4.4, 17.8)]], fill=(150, 170, 215, 255))
    d.polygon([p(*q) for q in inner], fill=(60, 78, 122, 255))
    d.polygon([p(*q) for q in [(24, 9.6), (38.6, 20), (36, 39.6), (12, 39.6), (9.4, 20)]],
              fill=(176, 190, 222, 255))

    if simple:
        return icon_simple(img, d, p, big, size)
    # The cog.
    cx, cy = 24, 26
    cog = cog_points(cx, cy, 12.6, 9.6, 8, math.pi / 8)
    d.polygon([p(*q) for q in cog], fill=(110, 72, 0, 255))
    cog_in = cog_points(cx, cy, 11.2, 8.4, 8, math.pi / 8)
    d.polygon([p(*q) for q in cog_in], fill=(244, 190, 20, 255))
    d.ellipse([p(cx - 7.2, cy - 7.2), p(cx + 5.4, cy + 5.4)], fill=(255, 226, 110, 255))
    d.ellipse([p(cx - 5.8, cy - 5.8), p(cx + 5.8, cy + 5.8)], fill=(244, 190, 20, 255))
    d.ellipse([p(cx - 3.8, cy - 3.8), p(cx + 3.8, cy + 3.8)], fill=(110, 72, 0, 255))
    d.ellipse([p(cx - 2.6, cy - 2.6), p(cx + 2.6, cy + 2.6)], fill=(60, 78, 122, 255))
    return img.resize((size, size), Image.BOX)


def icon_simple(img, d, p, big, size):
    """At 16 pixels: one wall, one stone colour and a larger cog without a hub ring."""
    d.rectangle([0, 0, big, big], fill=(0, 0, 0, 0))
    d.polygon([p(*q) for q in [(24, 0), (48, 17), (44, 48), (4, 48), (0, 17)]],
              fill=(40, 52, 84, 255))
    d.polygon([p(*q) for q in [(24, 6), (42, 19.5), (39, 42), (9, 42), (6, 19.5)]],
              fill=(150, 170, 215, 255))
    cx, cy = 24, 26.5
    d.polygon([p(*q) for q in cog_points(cx, cy, 16.5, 12.0, 6, math.pi / 6)],
              fill=(110, 72, 0, 255))
    d.polygon([p(*q) for q in cog_points(cx, cy, 13.5, 9.0, 6, math.pi / 6)],
              fill=(248, 196, 24, 255))
    d.ellipse([p(cx - 4.5, cy - 4.5), p(cx + 4.5, cy + 4.5)], fill=(40, 52, 84, 255))
    return img.resize((size, size), Image.BOX)


def icon_16():
    """At 16 pixels the picture is simplified so that it stays readable."""
    return icon_rgba(16, simple=True)


def ico_entry_32bit(img):
    w, h = img.size
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    px = img.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    return header + bytes(xor) + and_mask(img)


def and_mask(img):
    w, h = img.size
    px = img.load()
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if px[x, y][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def ico_entry_8bit(img):
    w, h = img.size
    # Colours of the opaque pixels, blended over nothing: alpha becomes the AND mask.
    rgb = Image.new("RGB", (w, h), (0, 0, 0))
    rgb.paste(img.convert("RGB"), (0, 0), img.split()[3].point(lambda a: 255 if a >= 128 else 0))
    pal = rgb.quantize(colors=255, method=Image.MEDIANCUT, dither=Image.NONE)
    colours = pal.getpalette()[:255 * 3]
    colours += [0] * (256 * 3 - len(colours))
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    table = bytearray()
    for i in range(256):
        r, g, b = colours[i * 3:i * 3 + 3]
        table += bytes((b, g, r, 0))
    px = pal.load()
    alpha = img.load()
    stride = ((w + 3) // 4) * 4
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            row[x] = px[x, y] if alpha[x, y][3] >= 128 else 0
        xor += row
    return header + bytes(table) + bytes(xor) + and_mask(img)


def write_ico(path, images):
    entries = []
    for img in images:
        entries.append((img.size[0], 8, ico_entry_8bit(img)))
    for img in images:
        entries.append((img.size[0], 32, ico_entry_32bit(img)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, bits, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0 if bits >= 8 else 16, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    for _, _, data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


# ---------------------------------------------------------------------------------------------
# A 16-colour BMP (BITMAPINFOHEADER, 4 bits a pixel, uncompressed): Pillow writes 8 bits at least.

def write_bmp4(path, img):
    w, h = img.size
    palette = img.getpalette()[:48]
    stride = ((w * 4 + 31) // 32) * 4
    px = img.load()
    rows = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            index = px[x, y]
            assert index < 16
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        rows += row
    table = bytearray()
    for i in range(16):
        r, g, b = palette[i * 3:i * 3 + 3]
        table += bytes((b, g, r, 0))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(rows), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(head + info + bytes(table) + bytes(rows))


def main():
    write_bmp4(os.path.join(HERE, "toolbar.bmp"), make_toolbar())
    write_bmp4(os.path.join(HERE, "services.bmp"), make_services())
    write_ico(os.path.join(HERE, "RavelinManager.ico"), [icon_16(), icon_rgba(32), icon_rgba(48)])


if __name__ == "__main__":
    main()
