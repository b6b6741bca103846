#!/usr/bin/python3
"""check-scaled-panel.py AT_1.png AT_S.png SCALE

The panel's picture at a scale against the one at 1 (screenshots of zkhost panel, PNG or
zkhost.exe's BMP): it must be
round(612 x SCALE) by round(486 x SCALE), and where the product's name is printed (the
panel-menu display, editor/PanelLayout.h) it must not be the 1 x picture enlarged pixel by
pixel: the text is drawn at the new resolution. Exits 1 otherwise."""
import importlib.util, pathlib, re, sys

here = pathlib.Path(__file__).resolve().parent
spec = importlib.util.spec_from_file_location("compare_panels", here / "compare-panels.py")
compare = importlib.util.module_from_spec(spec)
spec.loader.exec_module(compare)


def menu_rect():
    text = (here.parent / "editor" / "PanelLayout.h").read_text()
    found = re.search(r"kPanelMenuRect\{(\d+), (\d+), (\d+), (\d+)\}", text)
    return tuple(int(v) for v in found.groups())


def main(args=None):
    args = sys.argv[1:] if args is None else list(args)
    small_path, large_path, scale = args[0], args[1], float(args[2])
    small, large = compare.read_picture(small_path), compare.read_picture(large_path)
    (sw, sh), (lw, lh) = (len(small[0]), len(small)), (len(large[0]), len(large))
    want = (int(612 * scale + 0.5), int(486 * scale + 0.5))
    if (sw, sh) != (612, 486) or (lw, lh) != want:
        print(f"sizes {sw} x {sh} and {lw} x {lh}; wanted 612 x 486 and {want[0]} x {want[1]}")
        return 1
    if scale == 1:
        print(f"{lw} x {lh}")
        return 0
    left, top, right, _ = menu_rect()
    differing = 0
    for y in range(int((top + 8) * scale), int((top + 36) * scale)):
        for x in range(int(left * scale), int(right * scale)):
            a, b = large[y][x], small[int(y / scale)][int(x / scale)]
            differing += max(abs(a[i] - b[i]) for i in range(3)) > 24
    if differing < 200:
        print(f"{lw} x {lh}, but the name looks enlarged from 1 x ({differing} pixels differ)")
        return 1
    print(f"{lw} x {lh}; {differing} pixels of the name differ from an enlarged 1 x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
