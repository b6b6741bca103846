#!/usr/bin/python3
"""x11-shot.py X Y WIDTH HEIGHT [--png OUT.png] [--style]

Grabs a rectangle of the screen of $DISPLAY with xwd (Debian: x11-apps): --png writes it as a
PNG; --style checks that it is drawn in the panel's popup style (its most common colour the
popups' dark background, and enough grey levels for anti-aliased text) and exits 1 if not.
Prints what it found."""
import importlib.util, pathlib, struct, subprocess, sys
from collections import Counter

here = pathlib.Path(__file__).resolve().parent
spec = importlib.util.spec_from_file_location("compare_panels", here / "compare-panels.py")
compare = importlib.util.module_from_spec(spec)
spec.loader.exec_module(compare)

POPUP_BACK = (50, 53, 58)  # gui/platform/x11/PopupStyle.h
POPUP_INK = (214, 217, 220)


def read_xwd(data, left, top, right, bottom):
    """Rows of (r, g, b) within a rectangle (clipped to the picture) of a 24/32-bit TrueColor
    ZPixmap XWD."""
    fields = struct.unpack(">25I", data[:100])
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line, ncolours = fields[7], fields[11], fields[12], fields[19]
    masks = fields[14:17]
    if bits_per_pixel != 32:
        raise ValueError(f"{bits_per_pixel}-bit XWD; only 32-bit pixels are read")
    start = header_size + 12 * ncolours
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    left, top, right, bottom = max(left, 0), max(top, 0), min(right, width), min(bottom, height)
    order = "<" if byte_order == 0 else ">"
    rows = []
    for y in range(top, bottom):
        line = data[start + y * bytes_per_line + 4 * left:start + y * bytes_per_line + 4 * right]
        pixels = struct.unpack(f"{order}{right - left}I", line)
        rows.append([tuple((p & m) >> s for m, s in zip(masks, shifts)) for p in pixels])
    return rows


def main(args=None):
    args = sys.argv[1:] if args is None else list(args)
    try:
        x, y, w, h = (int(v) for v in args[:4])
    except ValueError:
        print(__doc__, file=sys.stderr)
        return 2
    rows = read_xwd(subprocess.run(["xwd", "-root", "-silent"], check=True, capture_output=True,
                                   timeout=30).stdout, x, y, x + w, y + h)
    if "--png" in args:
        compare.write_png(args[args.index("--png") + 1], rows)
    status = 0
    if "--style" in args:
        colours = Counter(p for row in rows for p in row)
        common = colours.most_common(1)[0][0]
        ok = common == POPUP_BACK and POPUP_INK in colours and len(colours) > 12
        print(f"{len(rows[0])} x {len(rows)}: mostly {common}, {len(colours)} colours, "
              f"ink {'present' if POPUP_INK in colours else 'absent'}; {'PASS' if ok else 'FAIL'}")
        status = 0 if ok else 1
    return status


if __name__ == "__main__":
    sys.exit(main())
