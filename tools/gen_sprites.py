#!/usr/bin/env python3
"""Draws the hamster's frame bitmaps, the program icon and two review pictures.

The pictures are described in tools/sprites/ (see tools/README.md for the
language): each pose is a short list of shapes and small pixel grids, drawn in
order onto a white canvas with hard edges. This script turns them into

  resources/bitmaps/frame_NNN.bmp  the fourteen frame slots
  resources/pet.ico                icon 128: 32, 16 and 48 pixels at 256 colours, then
                                   20, 24, 40, 64 and 256 pixels at 32 bits
  docs/contact_sheet.png           every frame enlarged 4x with its slot and id, and
                                   every icon image
  docs/hamster.png                 the front view enlarged 4x for the README

Only the Python standard library is used. `--check` regenerates everything in
memory and fails if a committed file differs from what the sources give.
"""

import math
import os
import struct
import sys
import zlib

from generated_files import write_or_check

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SPRITES = os.path.join(ROOT, "tools", "sprites")

WHITE = (255, 255, 255)

# slot, bitmap resource id, pose source (tools/sprites/<name>.txt)
FRAMES = [
    (0, 129, "front"),
    (1, 130, "front_step"),
    (2, 134, "left"),
    (3, 135, "left_step"),
    (4, 136, "right"),
    (5, 137, "right_step"),
    (6, 138, "back"),
    (7, 139, "back_step"),
    (8, 140, "tearful"),
    (9, 141, "wand_left"),
    (10, 142, "wand_right"),
    (11, 147, "gun"),
    (12, 148, "auto_gun"),
    (13, 146, "shot_mark"),
]

# The icon's images, one source each, with their bits per pixel. The three 256-colour
# images come first and in this order (32 first: the size the program asks for); the
# 32-bit images serve scaled displays and large views, the 256-pixel one as a PNG.
ICON_IMAGES = (
    ("icon_32", 8), ("icon_16", 8), ("icon_48", 8),
    ("icon_20", 32), ("icon_24", 32), ("icon_40", 32), ("icon_64", 32), ("icon_256", 32),
)
PNG_ICON_FROM = 256  # images this large are stored PNG-compressed


class SpriteError(Exception):
    pass


# --------------------------------------------------------------------------
# Palette

def load_palette(path):
    """Reads `KEY NAME R G B` lines. Returns (by_name, by_key)."""
    by_name, by_key = {}, {}
    with open(path, encoding="utf-8") as f:
        for lineno, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].strip()
            if not line:
                continue
            parts = line.split()
            if len(parts) != 5:
                raise SpriteError(f"{path}:{lineno}: expected KEY NAME R G B")
            key, name = parts[0], parts[1]
            rgb = tuple(int(v) for v in parts[2:])
            if len(key) != 1 or key == ".":
                raise SpriteError(f"{path}:{lineno}: key must be one character other than '.'")
            if any(not 0 <= v <= 255 for v in rgb):
                raise SpriteError(f"{path}:{lineno}: colour out of range")
            if min(rgb) >= 248:
                # White is the key colour that the window region cuts away, and a
                # colour this close to it could not be told from the background.
                raise SpriteError(f"{path}:{lineno}: {name} is white or too close to white; "
                                  "white is reserved for the background")
            if name in by_name or key in by_key:
                raise SpriteError(f"{path}:{lineno}: duplicate key or name")
            by_name[name] = rgb
            by_key[key] = rgb
    return by_name, by_key


# --------------------------------------------------------------------------
# Canvas and rasterising. Coordinates are continuous: pixel (x, y) covers
# [x, x+1) x [y, y+1) and is inside a shape when its centre is.

class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[WHITE] * width for _ in range(height)]

    def get(self, x, y):
        return self.pixels[y][x]


class Transform:
    """x' = sx * x + dx, y' = s * y + dy; sx = -s when flipped."""

    def __init__(self, scale=1.0, dx=0.0, dy=0.0, flip=False):
        self.scale = scale
        self.sx = -scale if flip else scale
        self.dx = dx
        self.dy = dy

    def point(self, x, y):
        return self.sx * x + self.dx, self.scale * y + self.dy

    def then(self, dx, dy, flip, scale):
        """The transform of a part drawn at (dx, dy) in this one, SCALE times as big."""
        t = Transform()
        t.scale = self.scale * scale
        t.sx = self.sx * scale * (-1 if flip else 1)
        t.dx = self.sx * dx + self.dx
        t.dy = self.scale * dy + self.dy
        return t


def _centre_pixel(canvas, x, y):
    px, py = int(math.floor(x)), int(math.floor(y))
    if 0 <= px < canvas.width and 0 <= py < canvas.height:
        return {(px, py)}
    return set()


def mask_ellipse(canvas, cx, cy, rx, ry):
    rx, ry = abs(rx), abs(ry)
    mask = set()
    if rx > 0 and ry > 0:
        for py in range(max(0, int(cy - ry) - 1), min(canvas.height, int(cy + ry) + 2)):
            ny = (py + 0.5 - cy) / ry
            for px in range(max(0, int(cx - rx) - 1), min(canvas.width, int(cx + rx) + 2)):
                nx = (px + 0.5 - cx) / rx
                if nx * nx + ny * ny <= 1.0:
                    mask.add((px, py))
    # A shape too small to cover a pixel centre (icon sizes) still shows.
    return mask or _centre_pixel(canvas, cx, cy)


def mask_rect(canvas, x0, y0, x1, y1):
    x0, x1 = min(x0, x1), max(x0, x1)
    y0, y1 = min(y0, y1), max(y0, y1)
    mask = set()
    for py in range(max(0, int(math.floor(y0))), min(canvas.height, int(math.ceil(y1)))):
        if not y0 <= py + 0.5 < y1:
            continue
        for px in range(max(0, int(math.floor(x0))), min(canvas.width, int(math.ceil(x1)))):
            if x0 <= px + 0.5 < x1:
                mask.add((px, py))
    return mask or _centre_pixel(canvas, (x0 + x1) / 2, (y0 + y1) / 2)


def mask_poly(canvas, pts):
    """Even-odd fill of a closed polygon, sampled at pixel centres."""
    mask = set()
    ys = [p[1] for p in pts]
    for py in range(max(0, int(min(ys)) - 1), min(canvas.height, int(max(ys)) + 2)):
        yc = py + 0.5
        xs = []
        for i in range(len(pts)):
            (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
            if (y0 <= yc < y1) or (y1 <= yc < y0):
                xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
        xs.sort()
        for a, b in zip(xs[0::2], xs[1::2]):
            for px in range(max(0, int(math.floor(a))), min(canvas.width, int(math.ceil(b)) + 1)):
                if a <= px + 0.5 < b:
                    mask.add((px, py))
    if not mask:
        cx = sum(p[0] for p in pts) / len(pts)
        cy = sum(p[1] for p in pts) / len(pts)
        mask = _centre_pixel(canvas, cx, cy)
    return mask


def mask_line(canvas, pts):
    """A one-pixel polyline through the pixels that hold the points."""
    mask = set()
    cells = [(int(math.floor(x)), int(math.floor(y))) for x, y in pts]
    for (x0, y0), (x1, y1) in zip(cells, cells[1:] or cells):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            if 0 <= x0 < canvas.width and 0 <= y0 < canvas.height:
                mask.add((x0, y0))
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy
    return mask


def rim_of(mask):
    """Pixels of the mask with a side neighbour outside it: a thin outline."""
    return {
        (x, y) for (x, y) in mask
        if (x - 1, y) not in mask or (x + 1, y) not in mask
        or (x, y - 1) not in mask or (x, y + 1) not in mask
    }


# --------------------------------------------------------------------------
# The description language (see tools/README.md)

def _num(s, where):
    try:
        return float(s)
    except ValueError:
        raise SpriteError(f"{where}: '{s}' is not a number") from None


def _pairs(tokens, where):
    pts = []
    for tok in tokens:
        if "," not in tok:
            raise SpriteError(f"{where}: expected X,Y but found '{tok}'")
        x, y = tok.split(",", 1)
        pts.append((_num(x, where), _num(y, where)))
    return pts


def _source_path(name):
    for candidate in (os.path.join(SPRITES, name + ".txt"),
                      os.path.join(SPRITES, "parts", name + ".txt")):
        if os.path.exists(candidate):
            return candidate
    raise SpriteError(f"no sprite source named '{name}' in {SPRITES} or its parts/")


def read_lines(name):
    path = _source_path(name)
    out = []
    with open(path, encoding="utf-8") as f:
        for lineno, raw in enumerate(f, 1):
            line = raw.split("#", 1)[0].rstrip()
            if line.strip():
                out.append((f"{os.path.relpath(path, ROOT)}:{lineno}", line.strip()))
    return out


def read_header(name):
    """`size W H` and `bits N` lines of a top-level source."""
    header = {"size": None, "bits": 24}
    for where, line in read_lines(name):
        parts = line.split()
        if parts[0] == "size":
            header["size"] = (int(parts[1]), int(parts[2]))
        elif parts[0] == "bits":
            header["bits"] = int(parts[1])
    if header["size"] is None:
        raise SpriteError(f"{name}: missing 'size W H'")
    return header


class Painter:
    def __init__(self, canvas, palette):
        self.canvas = canvas
        self.by_name, self.by_key = palette
        self.clips = []        # stack of masks that limit painting (`inside` blocks)
        self.last_inner = None  # interior of the last outlined shape

    def colour(self, name, where):
        if name not in self.by_name:
            raise SpriteError(f"{where}: unknown colour '{name}'")
        return self.by_name[name]

    def paint(self, mask, rgb):
        for p in mask:
            if all(p in clip for clip in self.clips):
                self.canvas.pixels[p[1]][p[0]] = rgb

    def fill_and_rim(self, mask, style, where):
        """STYLE is FILL, FILL/OUTLINE or -/OUTLINE."""
        fill, _, outline = style.partition("/")
        if fill != "-":
            self.paint(mask, self.colour(fill, where))
        if outline:
            rim = rim_of(mask)
            self.paint(rim, self.colour(outline, where))
            self.last_inner = mask - rim
        else:
            self.last_inner = mask

    def shape_mask(self, op, args, t, where):
        c = self.canvas
        if op == "ellipse":
            cx, cy, rx, ry = (_num(a, where) for a in args[:4])
            x, y = t.point(cx, cy)
            return mask_ellipse(c, x, y, rx * t.scale, ry * t.scale)
        if op == "rect":
            x, y, w, h = (_num(a, where) for a in args[:4])
            x0, y0 = t.point(x, y)
            x1, y1 = t.point(x + w, y + h)
            return mask_rect(c, x0, y0, x1, y1)
        if op == "poly":
            pts = [t.point(x, y) for x, y in _pairs(args, where)]
            if len(pts) < 3:
                raise SpriteError(f"{where}: a polygon needs three points")
            return mask_poly(c, pts)
        raise SpriteError(f"{where}: '{op}' is not a shape")

    def run(self, name, t, depth=0):
        if depth > 8:
            raise SpriteError(f"{name}: parts nested too deeply (a part uses itself?)")
        lines = read_lines(name)
        i = 0
        inside_depth = 0
        while i < len(lines):
            where, line = lines[i]
            parts = line.split()
            op, args = parts[0], parts[1:]
            i += 1
            if op in ("size", "bits"):
                continue
            if op in ("ellipse", "rect"):
                if len(args) != 5:
                    raise SpriteError(f"{where}: {op} takes four numbers and a style")
                self.fill_and_rim(self.shape_mask(op, args[:4], t, where), args[4], where)
            elif op == "poly":
                self.fill_and_rim(self.shape_mask(op, args[1:], t, where), args[0], where)
            elif op == "line":
                rgb = self.colour(args[0], where)
                pts = [t.point(x + 0.5, y + 0.5) for x, y in _pairs(args[1:], where)]
                self.paint(mask_line(self.canvas, pts), rgb)
            elif op == "dots":
                rgb = self.colour(args[0], where)
                for x, y in _pairs(args[1:], where):
                    self.paint(self._cell(x, y, t), rgb)
            elif op == "union":
                style = args[0]
                mask = set()
                while True:
                    if i >= len(lines):
                        raise SpriteError(f"{where}: 'union' without 'end'")
                    w2, l2 = lines[i]
                    i += 1
                    p2 = l2.split()
                    if p2[0] == "end":
                        break
                    mask |= self.shape_mask(p2[0], p2[1:], t, w2)
                self.fill_and_rim(mask, style, where)
            elif op == "inside":
                if self.last_inner is None:
                    raise SpriteError(f"{where}: 'inside' needs a shape before it")
                self.clips.append(self.last_inner)
                inside_depth += 1
            elif op == "end":
                if inside_depth == 0:
                    raise SpriteError(f"{where}: 'end' without 'inside' or 'union'")
                self.clips.pop()
                inside_depth -= 1
            elif op == "grid":
                gx, gy = _num(args[0], where), _num(args[1], where)
                row = 0
                while True:
                    if i >= len(lines):
                        raise SpriteError(f"{where}: 'grid' without 'end'")
                    w2, l2 = lines[i]
                    i += 1
                    if l2 == "end":
                        break
                    for col, ch in enumerate(l2):
                        if ch == ".":
                            continue
                        if ch not in self.by_key:
                            raise SpriteError(f"{w2}: unknown colour key '{ch}'")
                        self.paint(self._cell(gx + col, gy + row, t), self.by_key[ch])
                    row += 1
            elif op == "enlarge":
                if len(args) != 2 or not args[1].isdigit() or int(args[1]) < 1:
                    raise SpriteError(f"{where}: enlarge takes a source name and a whole factor")
                self.enlarge(args[0], int(args[1]), t, depth + 1)
            elif op == "use":
                rest = args[1:]
                flip = "flip" in rest
                scale = 1.0
                if "scale" in rest:
                    k = rest.index("scale")
                    if k + 1 >= len(rest):
                        raise SpriteError(f"{where}: 'scale' needs a number")
                    scale = _num(rest[k + 1], where)
                    rest = rest[:k] + rest[k + 2:]
                nums = [a for a in rest if a != "flip"]
                dx = _num(nums[0], where) if nums else 0.0
                dy = _num(nums[1], where) if len(nums) > 1 else 0.0
                saved = self.clips
                self.clips = list(saved)
                self.run(args[0], t.then(dx, dy, flip, scale), depth + 1)
                self.clips = saved
            else:
                raise SpriteError(f"{where}: unknown command '{op}'")
        if inside_depth:
            raise SpriteError(f"{name}: 'inside' without 'end'")

    def enlarge(self, name, factor, t, depth):
        """Draws the top-level source NAME with each of its pixels as a FACTOR x FACTOR block."""
        if depth > 8:
            raise SpriteError(f"{name}: parts nested too deeply (a part uses itself?)")
        w, h = read_header(name)["size"]
        small = Canvas(w, h)
        Painter(small, (self.by_name, self.by_key)).run(name, Transform(), depth)
        big = t.then(0, 0, False, factor)
        for y in range(h):
            for x in range(w):
                rgb = small.get(x, y)
                if rgb != WHITE:
                    self.paint(self._cell(x, y, big), rgb)

    def _cell(self, x, y, t):
        x0, y0 = t.point(x, y)
        x1, y1 = t.point(x + 1, y + 1)
        return mask_rect(self.canvas, x0, y0, x1, y1)


def render(name, palette):
    """Draws a top-level source onto a new white canvas of its `size`."""
    header = read_header(name)
    w, h = header["size"]
    canvas = Canvas(w, h)
    Painter(canvas, palette).run(name, Transform())
    return canvas, header


# --------------------------------------------------------------------------
# Checks on a finished frame

def enclosed_white(canvas):
    """White pixels that cannot be reached from the border: holes the region would cut."""
    w, h = canvas.width, canvas.height
    seen = set()
    stack = [(x, y) for x in range(w) for y in (0, h - 1)] + \
            [(x, y) for y in range(h) for x in (0, w - 1)]
    while stack:
        x, y = stack.pop()
        if (x, y) in seen or not (0 <= x < w and 0 <= y < h):
            continue
        if canvas.get(x, y) != WHITE:
            continue
        seen.add((x, y))
        stack.extend(((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)))
    return [(x, y) for y in range(h) for x in range(w)
            if canvas.get(x, y) == WHITE and (x, y) not in seen]


def shape_box(canvas):
    xs, ys = [], []
    for y in range(canvas.height):
        for x in range(canvas.width):
            if canvas.get(x, y) != WHITE:
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def check_frame(slot, res_id, canvas, header):
    problems = []
    expected = (31, 36) if res_id == 146 else (60, 60)
    if (canvas.width, canvas.height) != expected:
        problems.append(f"size {canvas.width}x{canvas.height}, expected {expected[0]}x{expected[1]}")
    if canvas.get(0, canvas.height - 1) != WHITE:
        problems.append("bottom-left pixel is not white")
    holes = enclosed_white(canvas)
    if holes:
        problems.append(f"{len(holes)} white pixels enclosed by the shape, first at {holes[0]}")
    box = shape_box(canvas)
    if box is None:
        problems.append("the picture is empty")
    elif res_id == 146:
        # The image list shows only the top-left 30 x 35 of this bitmap.
        if box[2] > 30 or box[3] > 35:
            problems.append("the shot mark reaches the last column or row, which is not drawn")
    elif not 48 <= box[3] - box[1] <= 56:
        problems.append(f"the hamster is {box[3] - box[1]} pixels tall, expected 48 to 56")
    expected_bits = 4 if res_id == 146 else 24
    if header["bits"] != expected_bits:
        problems.append(f"bits {header['bits']}, expected {expected_bits}")
    if problems:
        raise SpriteError(f"frame slot {slot} (bitmap {res_id}): " + "; ".join(problems))


# --------------------------------------------------------------------------
# File writers

def bmp_bytes(canvas, bits):
    """An uncompressed bottom-up BMP at 24 bits, or 4 bits with a 16-colour table."""
    w, h = canvas.width, canvas.height
    if bits == 24:
        stride = (w * 3 + 3) & ~3
        rows = []
        for y in range(h - 1, -1, -1):
            row = bytearray()
            for x in range(w):
                r, g, b = canvas.get(x, y)
                row += bytes((b, g, r))
            row += b"\0" * (stride - len(row))
            rows.append(bytes(row))
        table = b""
        colours_used = 0
    elif bits == 4:
        colours = [WHITE] + sorted({canvas.get(x, y) for y in range(h) for x in range(w)} - {WHITE})
        if len(colours) > 16:
            raise SpriteError(f"a 4-bit picture may use 16 colours, this one uses {len(colours)}")
        colours += [(0, 0, 0)] * (16 - len(colours))
        index = {c: i for i, c in reversed(list(enumerate(colours)))}
        stride = ((w + 1) // 2 + 3) & ~3
        rows = []
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                row[x // 2] |= index[canvas.get(x, y)] << (4 if x % 2 == 0 else 0)
            rows.append(bytes(row))
        table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
        colours_used = 16
    else:
        raise SpriteError(f"unsupported bit depth {bits}")
    pixels = b"".join(rows)
    offset = 14 + 40 + len(table)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(pixels), 2835, 2835,
                       colours_used, 0)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + pixels


def _icon_dib_8bit(canvas):
    """A 256-colour icon image: header, palette, colour rows and AND mask."""
    n = canvas.width
    colours = sorted({canvas.get(x, y) for y in range(n) for x in range(n)} - {WHITE})
    if len(colours) > 255:
        raise SpriteError("an icon image may use 255 colours besides transparency")
    palette = [(0, 0, 0)] + colours
    palette += [(0, 0, 0)] * (256 - len(palette))
    index = {c: i + 1 for i, c in enumerate(colours)}
    xor_stride = (n + 3) & ~3
    xor_rows = []
    for y in range(n - 1, -1, -1):
        xor_row = bytearray(xor_stride)
        for x in range(n):
            c = canvas.get(x, y)
            if c != WHITE:  # transparent pixels stay black in the colour image
                xor_row[x] = index[c]
        xor_rows.append(bytes(xor_row))
    xor_data = b"".join(xor_rows)
    and_data = _and_mask(canvas)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 8, 0,
                         len(xor_data) + len(and_data), 0, 0, 256, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + xor_data + and_data


def _icon_dib_32bit(canvas):
    """A 32-bit icon image: BGRA rows (white fully transparent, all else opaque) and
    the AND mask that older readers use."""
    n = canvas.width
    rows = []
    for y in range(n - 1, -1, -1):
        row = bytearray()
        for x in range(n):
            c = canvas.get(x, y)
            if c == WHITE:
                row += b"\0\0\0\0"
            else:
                r, g, b = c
                row += bytes((b, g, r, 255))
        rows.append(bytes(row))
    xor_data = b"".join(rows)
    and_data = _and_mask(canvas)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0,
                         len(xor_data) + len(and_data), 0, 0, 0, 0)
    return header + xor_data + and_data


def _and_mask(canvas):
    """One bit per pixel, set where the icon is transparent; rows bottom-up, 4-byte aligned."""
    n = canvas.width
    stride = ((n + 31) // 32) * 4
    rows = []
    for y in range(n - 1, -1, -1):
        row = bytearray(stride)
        for x in range(n):
            if canvas.get(x, y) == WHITE:
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    return b"".join(rows)


def _icon_png(canvas):
    n = canvas.width
    rows = [[(0, 0, 0, 0) if canvas.get(x, y) == WHITE else canvas.get(x, y) + (255,)
             for x in range(n)] for y in range(n)]
    return png_bytes(n, n, rows, alpha=True)


def ico_bytes(images):
    """An icon file. IMAGES is a list of (square canvas, bits per pixel), bits 8 or 32;
    white is transparent. 32-bit images of PNG_ICON_FROM pixels or more are stored as PNG."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for canvas, bits in images:
        n = canvas.width
        if bits == 8:
            blob = _icon_dib_8bit(canvas)
        elif bits == 32:
            blob = _icon_png(canvas) if n >= PNG_ICON_FROM else _icon_dib_32bit(canvas)
        else:
            raise SpriteError(f"unsupported icon depth {bits}")
        colours = 0  # 256 colours and more are written as 0
        entries.append(struct.pack("<BBBBHHII", n % 256, n % 256, colours, 0, 1, bits, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def png_bytes(width, height, rows, alpha=False):
    """A truecolour PNG from rows of (r, g, b) tuples, or (r, g, b, a) with ALPHA."""
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# --------------------------------------------------------------------------
# Review pictures

# A 3 x 5 pixel font: enough for "SLOT 12  ID 148".
FONT = {
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["###", "..#", "###", "#..", "###"],
    "3": ["###", "..#", ".##", "..#", "###"],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    "5": ["###", "#..", "###", "..#", "###"],
    "6": ["###", "#..", "###", "#.#", "###"],
    "7": ["###", "..#", ".#.", ".#.", ".#."],
    "8": ["###", "#.#", "###", "#.#", "###"],
    "9": ["###", "#.#", "###", "..#", "###"],
    "S": [".##", "#..", ".#.", "..#", "##."],
    "L": ["#..", "#..", "#..", "#..", "###"],
    "O": [".#.", "#.#", "#.#", "#.#", ".#."],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "I": ["###", ".#.", ".#.", ".#.", "###"],
    "D": ["##.", "#.#", "#.#", "#.#", "##."],
    "B": ["##.", "#.#", "##.", "#.#", "##."],
    "C": [".##", "#..", "#..", "#..", ".##"],
    "X": ["#.#", "#.#", ".#.", "#.#", "#.#"],
    " ": ["...", "...", "...", "...", "..."],
}


class Sheet:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.rows = [[background] * width for _ in range(height)]

    def fill(self, x0, y0, w, h, rgb):
        for y in range(max(0, y0), min(self.height, y0 + h)):
            for x in range(max(0, x0), min(self.width, x0 + w)):
                self.rows[y][x] = rgb

    def blit(self, canvas, x0, y0, zoom, behind):
        """Draws CANVAS enlarged; BEHIND(x, y) gives the colour shown where it is cut away."""
        for y in range(canvas.height * zoom):
            for x in range(canvas.width * zoom):
                c = canvas.get(x // zoom, y // zoom)
                self.rows[y0 + y][x0 + x] = behind(x, y) if c == WHITE else c

    def text(self, s, x, y, zoom, rgb):
        for ch in s:
            for gy, line in enumerate(FONT[ch]):
                for gx, bit in enumerate(line):
                    if bit == "#":
                        self.fill(x + gx * zoom, y + gy * zoom, zoom, zoom, rgb)
            x += 4 * zoom

    def png(self):
        return png_bytes(self.width, self.height, self.rows)


def checker(x, y):
    """Shows cut-away pixels as a light checkerboard."""
    return (226, 226, 232) if ((x // 8) + (y // 8)) % 2 == 0 else (246, 246, 250)


def contact_sheet(frames, icons):
    """Every frame at 4x, then a row with every icon image: the 256-colour ones labelled
    "256C", the 32-bit ones "32BIT"; each shown at 2x up to 64 pixels, the largest at 1x."""
    zoom, cell_w, cell_h, pad, cols = 4, 240, 240 + 26, 12, 5
    rows = (len(frames) + cols - 1) // cols
    icon_row_h = 256 + 26
    sheet = Sheet(pad + cols * (cell_w + pad), pad + rows * (cell_h + pad) + icon_row_h + pad,
                  (92, 98, 112))
    for n, (slot, res_id, _, canvas) in enumerate(frames):
        x0 = pad + (n % cols) * (cell_w + pad)
        y0 = pad + (n // cols) * (cell_h + pad)
        sheet.fill(x0, y0, cell_w, cell_h, (250, 250, 252))
        ox = x0 + (cell_w - canvas.width * zoom) // 2
        oy = y0 + (240 - canvas.height * zoom) // 2
        sheet.blit(canvas, ox, oy, zoom, checker)
        sheet.text(f"SLOT {slot}  ID {res_id}", x0 + 6, y0 + 240 + 6, 3, (40, 44, 56))
    y0 = pad + rows * (cell_h + pad)
    sheet.fill(pad, y0, sheet.width - 2 * pad, icon_row_h, (250, 250, 252))
    x = pad + 8
    for canvas, bits in icons:
        size = canvas.width
        icon_zoom = 2 if size <= 64 else 1
        shown = size * icon_zoom
        label = f"{size}X{size} " + ("256C" if bits == 8 else "32BIT")
        label_w = 8 * len(label)
        cell = max(shown, label_w)
        sheet.blit(canvas, x + (cell - shown) // 2, y0 + 256 - shown, icon_zoom, checker)
        sheet.text(label, x + (cell - label_w) // 2, y0 + 256 + 8, 2, (40, 44, 56))
        x += cell + 14
    if x > sheet.width - pad:
        raise SpriteError("the icon images do not fit on the contact sheet")
    return sheet.png()


def hamster_picture(canvas):
    zoom, margin = 4, 24
    size = canvas.width * zoom + 2 * margin
    centre = (size - 1) / 2

    def soft(x, y):
        # A pale peach disc on cream: soft enough for a README.
        d = math.hypot(x - centre, y - centre) / (size / 2)
        return (255, 226, 196) if d < 0.92 else (255, 246, 234)

    sheet = Sheet(size, size, (255, 246, 234))
    for y in range(size):
        for x in range(size):
            sheet.rows[y][x] = soft(x, y)
    sheet.blit(canvas, margin, margin, zoom, lambda x, y: soft(x + margin, y + margin))
    return sheet.png()


# --------------------------------------------------------------------------

def build():
    """Returns {relative path: bytes} of every generated file."""
    palette = load_palette(os.path.join(SPRITES, "palette.txt"))
    out, frames = {}, []
    for slot, res_id, name in FRAMES:
        canvas, header = render(name, palette)
        check_frame(slot, res_id, canvas, header)
        out[f"resources/bitmaps/frame_{res_id}.bmp"] = bmp_bytes(canvas, header["bits"])
        frames.append((slot, res_id, name, canvas))
    icons = []
    for name, bits in ICON_IMAGES:
        canvas, _ = render(name, palette)
        if canvas.width != canvas.height or not 1 <= canvas.width <= 256:
            raise SpriteError(f"{name}: an icon image is square and at most 256 pixels")
        if bits == 8 and canvas.width > 255:
            raise SpriteError(f"{name}: a 256-colour icon image is at most 255 pixels")
        if enclosed_white(canvas):
            raise SpriteError(f"{name}: transparent pixels enclosed by the shape")
        icons.append((canvas, bits))
    out["resources/pet.ico"] = ico_bytes(icons)
    out["docs/contact_sheet.png"] = contact_sheet(frames, icons)
    out["docs/hamster.png"] = hamster_picture(frames[0][3])
    return out


def main(argv):
    check = "--check" in argv[1:]
    try:
        files = build()
    except SpriteError as e:
        print(f"gen_sprites: {e}", file=sys.stderr)
        return 1
    return write_or_check(files, "gen_sprites", check)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
