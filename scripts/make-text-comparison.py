#!/usr/bin/python3
"""make-text-comparison.py OUT.png [--zoom N] BEFORE AFTER LEFT TOP WIDTH HEIGHT [BEFORE AFTER ...]

Puts the same corner of two pictures of the panel (BMP or PNG) side by side, each enlarged N
times pixel for pixel (default 3), one pair under the other: the README's picture of the
text before and after anti-aliasing. scripts/make-docs-text-comparison gives the arguments."""
import importlib.util, pathlib, sys

here = pathlib.Path(__file__).resolve().parent
spec = importlib.util.spec_from_file_location("compare_panels", here / "compare-panels.py")
compare = importlib.util.module_from_spec(spec)
spec.loader.exec_module(compare)

WHITE = (255, 255, 255)


def main(args=None):
    args = sys.argv[1:] if args is None else list(args)
    zoom = 3
    if "--zoom" in args:
        at = args.index("--zoom")
        zoom = int(args[at + 1])
        del args[at:at + 2]
    if len(args) < 7 or (len(args) - 1) % 6:
        print(__doc__, file=sys.stderr)
        return 2
    out, groups = args[0], [args[i:i + 6] for i in range(1, len(args), 6)]
    gap = 4 * zoom
    rows = []
    for before, after, *box in groups:
        left, top, width, height = (int(v) for v in box)
        pictures = [compare.read_picture(before), compare.read_picture(after)]
        if rows:
            rows += [[]] * gap
        for y in range(top, top + height):
            row = []
            for index, picture in enumerate(pictures):
                if index:
                    row += [WHITE] * gap
                row += [p for p in picture[y][left:left + width] for _ in range(zoom)]
            rows += [row] * zoom
    width = max(len(row) for row in rows)
    compare.write_png(out, [row + [WHITE] * (width - len(row)) for row in rows])
    return 0


if __name__ == "__main__":
    sys.exit(main())
