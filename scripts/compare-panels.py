#!/usr/bin/python3
"""compare-panels.py EXPECTED OTHER [--png OUT.png] [--scale N] [--ignore AREAS] [--exact | --changed TAG|readout]

Compares two pictures of the panel, each a PNG (zk_render_panel, zkhost panel on Linux) or
a 24-bit BMP (zkhost.exe panel). By default the controls must sit at the same places: the
handle pixels of the layout (every knob, slider, button and lamp, read from
editor/PanelLayout.h) must match, and the picture as a whole may differ only where two
systems draw text differently. --exact wants every pixel equal; --changed TAG wants the
control TAG (or the read-out's area in the title display) to look different and every
pixel outside it equal. Exits 1 otherwise.
--png writes OTHER as a PNG. --scale N (a whole number) compares panels shown at N x, whose
controls lie at N times their places. --ignore AREAS leaves out the pixels of the areas listed
in that file ("LEFT TOP RIGHT BOTTOM" a line; zk_render_panel --text-areas writes the printed
names' areas), where two font engines may each draw the same name in their own way."""
import re, struct, sys, zlib, pathlib


def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and not interlace, "only 8-bit RGB(A) PNG"
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + size
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            a = line[x - channels] if x >= channels else 0
            b, c = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1: line[x] = (line[x] + a) & 255
            elif kind == 2: line[x] = (line[x] + b) & 255
            elif kind == 3: line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, channels)])
        previous = line
    return rows


def read_bmp(path):
    data = open(path, "rb").read()
    offset = struct.unpack("<I", data[10:14])[0]
    width, height, _, bits = struct.unpack("<iiHH", data[18:30])
    assert bits == 24, "only 24-bit BMP"
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row = y if height < 0 else abs(height) - 1 - y
        line = data[offset + row * stride:offset + row * stride + width * 3]
        rows.append([(line[x + 2], line[x + 1], line[x]) for x in range(0, width * 3, 3)])
    return rows


def write_png(path, rows):
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    open(path, "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) +
                           chunk(b"IEND", b""))


def parameter_indices(root):
    """The parameter names of product/ParameterIndex.h with their indices."""
    text = (root / "product" / "ParameterIndex.h").read_text()
    body = text[text.index("enum ParameterIndex"):]
    body = body[body.index("{") + 1:body.index("};")]
    names = re.findall(r"^\s*(param\w+)", body, re.MULTILINE)
    return {name: index for index, name in enumerate(names)}


def control_rects():
    """(tag, left, top, width, height) of every control in the layout table."""
    root = pathlib.Path(__file__).resolve().parent.parent
    text = (root / "editor" / "PanelLayout.h").read_text()
    table = text[text.index("kControls"):]
    indices = parameter_indices(root)
    rects = []
    for kind, args in re.findall(r"detail::(\w+)\(([^)]*)\)", table):
        a = [s.strip() for s in args.split(",")]
        n = lambda i: indices[a[i]] if a[i] in indices else int(a[i])
        if kind == "button": rects.append((n(0), n(1), n(2), n(3), n(4)))
        elif kind == "knob": rects.append((n(0), n(1), n(2), 40, 40))
        elif kind == "largeSlider": rects.append((n(0), 306, n(1), 293, n(2)))
        elif kind == "amSlider": rects.append((n(0), 342, n(1), 6, 38))
        elif kind == "fineSlider": rects.append((n(0), 60, n(1), 55, 5))
        elif kind == "lamp": rects.append((n(0), 111, n(1), 10, 10))
    return rects


def readout_rect():
    """(left, top, width, height) of the read-out in the title display (kReadoutRect)."""
    root = pathlib.Path(__file__).resolve().parent.parent
    text = (root / "editor" / "PanelLayout.h").read_text()
    l, t, r, b = map(int, re.search(r"kReadoutRect\{(\d+), (\d+), (\d+), (\d+)\}", text).groups())
    return l, t, r - l, b - t


def read_picture(path):
    return read_bmp(path) if path.lower().endswith(".bmp") else read_png(path)


def option(args, name):
    return args[args.index(name) + 1] if name in args else None


def compare_changed(expected, other, tag):
    rect = [(tag, *readout_rect())] if tag == "readout" else [r for r in control_rects() if r[0] == int(tag)]
    if not rect:
        print(f"no control {tag} in the layout")
        return 1
    _, left, top, width, height = rect[0]
    inside = lambda x, y: left <= x < left + width and top <= y < top + height
    changed = outside = 0
    for y, (la, lb) in enumerate(zip(expected, other)):
        for x, (a, b) in enumerate(zip(la, lb)):
            if a != b:
                if inside(x, y): changed += 1
                else: outside += 1
    ok = changed > 0 and outside == 0
    print(f"{'the read-out' if tag == 'readout' else f'control {tag}'}: {changed} pixels changed; {outside} pixels outside it changed; {'PASS' if ok else 'FAIL'}")
    return 0 if ok else 1


def main(args=None):
    """Runs the comparison that the command line ARGS (sys.argv[1:] by default) ask for;
    prints the verdict and returns the exit status."""
    args = sys.argv[1:] if args is None else list(args)
    option_ = lambda name: option(args, name)
    linux, windows = read_picture(args[0]), read_picture(args[1])
    if option_("--png"):
        write_png(option_("--png"), windows)
    if (len(linux), len(linux[0])) != (len(windows), len(windows[0])):
        print(f"sizes differ: {len(linux[0])}x{len(linux)} against {len(windows[0])}x{len(windows)}")
        return 1
    if option_("--changed"):
        return compare_changed(linux, windows, option_("--changed"))
    if "--exact" in args:
        total = sum(a != b for la, lb in zip(linux, windows) for a, b in zip(la, lb))
        print(f"{total} of {len(linux) * len(linux[0])} pixels differ; {'PASS' if total == 0 else 'FAIL'}")
        return 0 if total == 0 else 1
    scale = int(option_("--scale") or 1)
    rects = [tuple(v * scale if i else v for i, v in enumerate(r)) for r in control_rects()]
    ignored = set()
    if option_("--ignore"):
        for line in pathlib.Path(option_("--ignore")).read_text().split("\n"):
            if line.strip():
                l, t, r, b = map(int, line.split())
                ignored.update((x, y) for y in range(t, b) for x in range(l, r))
    differs = lambda x, y: linux[y][x] != windows[y][x] and (x, y) not in ignored
    bad_controls = []
    for tag, left, top, width, height in rects:
        # A control may reach past the panel's edge; only what is on the panel counts.
        ys = range(max(top, 0), min(top + height, len(linux)))
        xs = range(max(left, 0), min(left + width, len(linux[0])))
        differing = sum(differs(x, y) for y in ys for x in xs)
        if differing:
            bad_controls.append(f"{tag}: {differing} of {len(ys) * len(xs)} pixels")
    total = sum(differs(x, y) for y in range(len(linux)) for x in range(len(linux[0])))
    share = total / (len(linux) * len(linux[0]))
    ok = not bad_controls and share < 0.01
    print(f"{len(rects)} controls, {len(rects) - len(bad_controls)} alike; {total} pixels differ "
          f"({100 * share:.2f} %); {'PASS' if ok else 'FAIL'}")
    for line in bad_controls[:10]:
        print("  control " + line)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
