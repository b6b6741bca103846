"""The panel-picture helpers that the display and Wine checks trust for their verdicts
(scripts/compare-panels.py, scripts/check-scaled-panel.py), on the committed pictures."""
import contextlib, importlib.util, io, pathlib, struct, sys, tempfile, unittest

root = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parents[2])


def load(name):
    spec = importlib.util.spec_from_file_location(name.replace("-", "_"), root / "scripts" / f"{name}.py")
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


compare, scaled = load("compare-panels"), load("check-scaled-panel")


def write_bmp(path, rows):
    """A 24-bit bottom-up BMP, as zkhost.exe writes its screenshots."""
    width, height = len(rows[0]), len(rows)
    stride = (width * 3 + 3) & ~3
    pixels = b"".join(bytes(v for r, g, b in row for v in (b, g, r)).ljust(stride, b"\0") for row in reversed(rows))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    pathlib.Path(path).write_bytes(header + info + pixels)


class PictureHelpers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = tempfile.TemporaryDirectory()
        cls.panel = str(root / "docs" / "panel.png")
        cls.rows = compare.read_picture(cls.panel)

    def picture(self, name, rows):
        path = str(pathlib.Path(self.scratch.name) / name)
        (write_bmp if name.endswith(".bmp") else compare.write_png)(path, rows)
        return path

    def verdict(self, module, *args):
        with contextlib.redirect_stdout(io.StringIO()):
            return module.main(list(args))

    def changed(self, points):
        rows = [list(row) for row in self.rows]
        for x, y in points:
            rows[y][x] = tuple(255 - v for v in rows[y][x])
        return rows

    def test_exact_wants_every_pixel_and_reads_bmp_rows_bottom_up(self):
        self.assertEqual(self.verdict(compare, self.panel, self.picture("same.bmp", self.rows), "--exact"), 0)
        self.assertEqual(self.verdict(compare, self.panel, self.picture("one.png", self.changed([(300, 1)])), "--exact"), 1)

    def test_changed_wants_the_control_alone_to_differ(self):
        tag, left, top, width, height = compare.control_rects()[0]
        inside = self.picture("inside.png", self.changed([(left + width // 2, top + height // 2)]))
        both = self.picture("both.png", self.changed([(left + width // 2, top + height // 2), (0, 0)]))
        self.assertEqual(self.verdict(compare, self.panel, inside, "--changed", str(tag)), 0)
        self.assertEqual(self.verdict(compare, self.panel, both, "--changed", str(tag)), 1)
        self.assertEqual(self.verdict(compare, self.panel, self.panel, "--changed", str(tag)), 1)

    def test_the_layout_comparison_refuses_a_moved_control_however_small(self):
        _, left, top, width, height = compare.control_rects()[0]
        moved = self.picture("moved.png", self.changed([(left + 1, top + 1)]))
        self.assertEqual(self.verdict(compare, self.panel, moved), 1)

    def test_a_scaled_panel_must_draw_its_name_anew_at_its_size(self):
        self.assertEqual(self.verdict(scaled, self.panel, str(root / "docs" / "panel@2x.png"), "2"), 0)
        enlarged = [[p for p in row for _ in range(2)] for row in self.rows for _ in range(2)]
        self.assertEqual(self.verdict(scaled, self.panel, self.picture("enlarged.png", enlarged), "2"), 1)
        self.assertEqual(self.verdict(scaled, self.panel, self.panel, "2"), 1)


if __name__ == "__main__":
    unittest.main()
