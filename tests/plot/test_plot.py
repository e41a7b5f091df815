"""Tests of packscan-plot: its fixed-column reading of the report and the images it writes.

Run as: python3 test_plot.py  with PACKSCAN_PLOT (the tool) and PACKSCAN_GOLDEN_DIR set.
"""

import importlib.machinery
import importlib.util
import math
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

PLOT = os.environ.get("PACKSCAN_PLOT",
                      os.path.join(os.path.dirname(__file__), "..", "..", "tools", "packscan-plot"))
GOLDEN = os.environ.get("PACKSCAN_GOLDEN_DIR",
                        os.path.join(os.path.dirname(__file__), "..", "golden"))

_loader = importlib.machinery.SourceFileLoader("packscan_plot", PLOT)
_spec = importlib.util.spec_from_loader("packscan_plot", _loader)
plot = importlib.util.module_from_spec(_spec)
_loader.exec_module(plot)


def golden_report(case):
    with open(os.path.join(GOLDEN, case, "expected", "qtVORNEL.dat"), encoding="latin-1",
              newline="") as f:
        return f.read()


def row_text(v):
    """A final-table record written the way the program writes it:
    (9F10.4,I4,6F10.4,I4,3F10.4)."""
    f = lambda x: "%10.4f" % x
    return ("".join(f(x) for x in v[0:9]) + "%4d" % v[9] + "".join(f(x) for x in v[10:16])
            + "%4d" % v[16] + "".join(f(x) for x in v[17:20]))


def best_text(angle, energy):
    return ["", " " * 100 + "%10.4f%10.4f" % (angle, energy)]


def start_text(angle):
    return "%10.4f" % angle + "    7.0000" * 6 + "   0   0" + "    1.0000" * 4 + "   0" + \
        "  -10.0000"


def synthetic_report(coarse_best, fine, rows):
    """A complete report around a given final table: a coarse pass of 37 angles, a slide scan
    of 26 points with its lowest point at 0.4, the fine pass over the given angles."""
    lines = ["   8.0000", "", "   Theta      a"]
    for k in range(37):
        lines += [start_text(5.0 * k), " " * 10 + "   7.02000" * 6 + "    0    0    0"]
    lines += best_text(coarse_best, -20.0)
    slides = [0.2 * k for k in range(26)]
    energies = [-5.0 - (1.0 if k == 2 else 0.0) for k in range(26)]
    lines += [start_text(s) for s in slides]
    for values in (slides, energies):
        lines += ["".join("%10.4f" % x for x in values[:15]),
                  "".join("%10.4f" % x for x in values[15:])]
    lines += ["    0.4000   -6.0000"]
    lines += best_text(coarse_best, -20.0)
    for a in fine:
        lines += [start_text(a), " " * 10 + "   7.02000" * 6 + "    0    0    0"]
    lines += best_text(coarse_best, -20.0) + ["", ""]
    lines += [row_text(r) for r in rows]
    lines += best_text(coarse_best, -20.0) + ["", "NATM3 =   10"]
    lines += ["%10.4f" % r[0] + "    1.0000" * 9 for r in rows]
    return "\n".join(lines) + "\n"


def table_row(angle, etot, e1=-5.0, e2=-3.0):
    v = [angle, 7.0, 6.0, 0.02, -1.0, 4.0, -4.0, -1.0, e1, 6, 0.0, -5.0, 2.0, -2.5, -0.5, e2, 8,
         -13.0, -2.5, etot]
    return v


class FieldReading(unittest.TestCase):
    def test_one_field(self):
        cases = [
            ("   -1.5000", -1.5),
            ("    0.0000", 0.0),
            ("   -0.0000", -0.0),
            ("**********", math.nan),   # too wide for its field
            ("       NaN", math.nan),
            (" -Infinity", -math.inf),
            ("  Infinity", math.inf),
        ]
        for text, want in cases:
            with self.subTest(text=text):
                got = plot._number(text, 7, 11)
                if math.isnan(want):
                    self.assertTrue(math.isnan(got))
                else:
                    self.assertEqual(got, want)
                    self.assertEqual(math.copysign(1.0, got), math.copysign(1.0, want))

    def test_garbage_names_record_and_columns(self):
        with self.assertRaises(plot.ReportError) as e:
            plot._number("   1.2x4  ", 2140, 61)
        self.assertEqual(str(e.exception), 'record 2140, columns 61-70: cannot read "1.2x4" as a number')

    def test_touching_values_are_split_by_columns(self):
        v = table_row(90.0, -123.4567)
        v[17] = 3.8900
        v[18] = 13510.6758
        line = row_text(v)
        self.assertIn("3.890013510.6758", line)
        row = plot.parse_row(line, 1)
        self.assertEqual(row["VDWT"], 3.89)
        self.assertEqual(row["COULT"], 13510.6758)
        self.assertEqual(row["RETOT"], -123.4567)
        self.assertEqual((row["RN12"], row["RN3"]), (6, 8))


class GoldenReports(unittest.TestCase):
    def test_table_equals_the_report_records(self):
        # Every final-table record is 188 columns wide and no other record of a report is: the
        # numbers read back must write exactly those records again.
        for case in ("real_naphthalene", "real_bithiophene", "real_btbt_c12_oc13_100atoms",
                     "edge_one_type_natm3_0", "edge_natom_0", "edge_crlf"):
            with self.subTest(case=case):
                text = golden_report(case)
                table = [l for l in text.replace("\r\n", "\n").split("\n") if len(l) == 188]
                data = plot.parse_report(text)
                self.assertEqual(len(data["rows"]), len(table))
                for row, line in zip(data["rows"], table):
                    values = [row[name] for name, _ in plot.ROW_FIELDS]
                    self.assertEqual(row_text(values), line)

    def test_naphthalene_values(self):
        # Read off the report: the best coarse angle 60 is refined from 56 to 64 in rows 13 to
        # 21; row 13 is the fine 56 degrees.
        data = plot.parse_report(golden_report("real_naphthalene"))
        self.assertEqual(data["fine"], [56.0 + k for k in range(9)])
        self.assertEqual(data["fine_rows"], list(range(12, 21)))
        self.assertEqual(data["plot_rows"], list(range(45)))
        r = data["rows"][12]
        self.assertEqual((r["RTH"], r["RE1"], r["RE2"], r["RETOT"]), (56.0, -10.7316, -9.0017, -30.7381))
        self.assertEqual((r["RN12"], r["RN3"]), (6, 4))
        last = data["rows"][44]
        self.assertEqual((last["RTH"], last["RE1"], last["RE2"], last["RETOT"]),
                         (180.0, -4.6096, -19.9037, -29.1229))
        self.assertEqual(data["best"], (60.0, -40.6923))
        self.assertEqual(len(data["slides"]), 26)
        self.assertEqual((data["slides"][0], data["slides"][-1]), (0.0, 5.0))
        self.assertEqual((data["slide_energies"][0], data["slide_energies"][-1]), (-29.1229, -21.7495))
        self.assertEqual(data["slide_best"], (1.0, -29.3105))

    def test_best_at_zero_refines_negative_angles(self):
        data = plot.parse_report(golden_report("real_bithiophene"))
        self.assertEqual(data["fine"], [-4.0 + k for k in range(9)])
        self.assertEqual(data["fine_rows"], list(range(9)))
        self.assertEqual(data["best"], (0.0, -34.6481))

    def test_fine_angle_becomes_best_and_crlf(self):
        data = plot.parse_report(golden_report("edge_crlf"))
        self.assertEqual(data["fine"], [56.0 + k for k in range(9)])
        self.assertEqual(data["best"], (58.0, -86.1027))
        self.assertEqual(len(data["rows"]), 45)

    def test_incomplete_reports_are_refused(self):
        for case in ("bad_eof_before_neighbour_record", "bad_letters_cols_81_90", "bad_empty_file"):
            with self.subTest(case=case):
                with self.assertRaisesRegex(plot.ReportError, "ends before its final table"):
                    plot.parse_report(golden_report(case))


class BestAt180(unittest.TestCase):
    """At 180 degrees the fine pass visits 176 to 180 only: rows 42 to 44 hold no visited
    angle, and row 45 keeps the coarse 180."""

    def setUp(self):
        rows = [table_row(5.0 * k, -10.0 - k * 0.1) for k in range(36)]
        rows += [table_row(176.0 + k, -19.0 - k * 0.1) for k in range(5)]
        rows += [[0.0] * 9 + [0] + [0.0] * 6 + [0] + [0.0] * 3 for _ in range(3)]
        rows += [table_row(180.0, -20.0)]
        self.text = synthetic_report(180.0, [176.0, 177.0, 178.0, 179.0, 180.0], rows)

    def test_unvisited_rows_are_left_out(self):
        data = plot.parse_report(self.text)
        self.assertEqual(data["fine_rows"], [36, 37, 38, 39, 40])
        self.assertEqual(data["plot_rows"], list(range(41)) + [44])
        self.assertEqual(data["slide_best"], (0.4, -6.0))
        self.assertEqual(data["slide_energies"][2], -6.0)

    def test_table_without_the_fine_angles_is_refused(self):
        broken = self.text.replace(row_text(table_row(178.0, -19.2)),
                                   row_text(table_row(178.5, -19.2)))
        self.assertNotEqual(broken, self.text)
        with self.assertRaisesRegex(plot.ReportError, "does not hold the fine-pass angles"):
            plot.parse_report(broken)


class Images(unittest.TestCase):
    def run_tool(self, cwd, *args):
        return subprocess.run([PLOT, *args], cwd=cwd, capture_output=True, text=True)

    def test_png_and_svg_beside_the_report(self):
        with tempfile.TemporaryDirectory() as d:
            sub = os.path.join(d, "run")
            os.mkdir(sub)
            shutil.copy(os.path.join(GOLDEN, "real_naphthalene", "expected", "qtVORNEL.dat"), sub)
            # The default report is qtVORNEL.dat in the current directory.
            p = self.run_tool(sub)
            self.assertEqual(p.returncode, 0, p.stderr)
            with open(os.path.join(sub, "qtVORNEL.png"), "rb") as f:
                png = f.read()
            self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
            self.assertGreater(len(png), 20000)
            with open(os.path.join(sub, "qtVORNEL.svg"), encoding="utf-8") as f:
                svg = f.read()
            self.assertIn("<svg", svg)
            # The same report given by path writes the same picture beside it.
            os.remove(os.path.join(sub, "qtVORNEL.svg"))
            p = self.run_tool(d, os.path.join("run", "qtVORNEL.dat"))
            self.assertEqual(p.returncode, 0, p.stderr)
            self.assertTrue(os.path.exists(os.path.join(sub, "qtVORNEL.svg")))

    def test_failed_run_writes_no_image(self):
        with tempfile.TemporaryDirectory() as d:
            shutil.copy(os.path.join(GOLDEN, "bad_type_9", "expected", "qtVORNEL.dat"), d)
            p = self.run_tool(d)
            self.assertEqual(p.returncode, 1)
            self.assertTrue(p.stderr.startswith("packscan-plot: qtVORNEL.dat: the report ends"),
                            p.stderr)
            self.assertEqual(sorted(os.listdir(d)), ["qtVORNEL.dat"])
            p = self.run_tool(d, "missing.dat")
            self.assertEqual(p.returncode, 1)
            self.assertIn("cannot read the report", p.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
