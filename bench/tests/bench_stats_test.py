#!/usr/bin/env python3
"""Checks of the benchmark's arithmetic and of its reading of the reader
benchmark's output: a wrong median or a misread figure would put a false
number in the published table."""
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from bench_stats import paired_ratios, parse_reader_run, quantile, read_samples, summary, verdict  # noqa: E402
from idle_sample import delta  # noqa: E402
from summarize import memory_breakdown, phase_breakdown, timed_pair  # noqa: E402

READER_OUTPUT = """Silent server (5 s stall before the answer): read 15 bytes
  CPU 0.0040 s over 5.012 s wall (0.080% of one core)
64 KB file by lines (65536 bytes), 20 rounds each, same run:
  reader, in this process                CPU    1.500 ms  wall    2.000 ms  (per read, 20 rounds)
  reader, per line in this process       CPU    0.250 us  wall    0.400 us  (1192 lines per read)
  reader, one process per read           CPU   12.000 ms  wall   16.000 ms  (per read, 20 rounds)
  curl CLI, one process per read         CPU    8.000 ms  wall   20.000 ms  (per read, 20 rounds)
  ratio reader/curl, process per read: CPU 1.50  wall 0.80
"""


class Quantiles(unittest.TestCase):
    def test_median_and_quartiles_of_odd_even_and_unsorted_samples(self):
        cases = [
            # samples, q, expected
            ([5.0], 0.5, 5.0),
            ([3.0, 1.0, 2.0], 0.5, 2.0),
            ([4.0, 1.0, 3.0, 2.0], 0.5, 2.5),
            ([10.0, 20.0, 30.0, 40.0, 50.0], 0.25, 20.0),
            ([10.0, 20.0, 30.0, 40.0, 50.0], 0.75, 40.0),
            ([1.0, 2.0], 0.25, 1.25),
            ([7.0, 1.0, 9.0], 0.0, 1.0),
            ([7.0, 1.0, 9.0], 1.0, 9.0),
        ]
        for samples, q, expected in cases:
            with self.subTest(samples=samples, q=q):
                self.assertAlmostEqual(quantile(samples, q), expected)

    def test_summary_leaves_its_input_in_order_and_counts_it(self):
        samples = [9.0, 1.0, 5.0, 3.0]
        s = summary(samples)
        self.assertEqual(samples, [9.0, 1.0, 5.0, 3.0])
        self.assertEqual((s["n"], s["min"], s["max"], s["median"]), (4, 1.0, 9.0, 4.0))

    def test_no_samples_is_an_error_not_a_zero(self):
        with self.assertRaises(ValueError):
            quantile([], 0.5)


class Pairing(unittest.TestCase):
    def test_ratios_pair_rounds_in_order(self):
        self.assertEqual(paired_ratios([2.0, 9.0, 4.0], [1.0, 3.0, 8.0]), [2.0, 3.0, 0.5])

    def test_unequal_rounds_are_refused(self):
        with self.assertRaises(ValueError):
            paired_ratios([1.0, 2.0], [1.0])

    def test_samples_are_grouped_by_measurement_and_side(self):
        text = "launch launcher 10.5\nlaunch baseline 9\n\nlaunch launcher 11\ninstcheck handler 2\n"
        self.assertEqual(read_samples(text), {
            "launch": {"launcher": [10.5, 11.0], "baseline": [9.0]},
            "instcheck": {"handler": [2.0]},
        })

    def test_a_torn_sample_line_is_an_error(self):
        for text in ("launch launcher\n", "launch launcher 1 2\n", "launch launcher fast\n"):
            with self.subTest(text=text), self.assertRaises(ValueError):
                read_samples(text)


class ReaderOutput(unittest.TestCase):
    def test_figures_and_ratios_come_from_the_lines_they_name(self):
        run = parse_reader_run(READER_OUTPUT)
        self.assertAlmostEqual(run["stall_cpu_ms"], 4.0)
        self.assertAlmostEqual(run["stall_wall_s"], 5.012)
        self.assertAlmostEqual(run["process_cpu_ratio"], 12.0 / 8.0)
        self.assertAlmostEqual(run["process_wall_ratio"], 16.0 / 20.0)
        self.assertAlmostEqual(run["in_process_cpu_ratio"], 1.5 / 8.0)
        self.assertAlmostEqual(run["in_process_wall_ratio"], 2.0 / 20.0)
        self.assertAlmostEqual(run["per_line_cpu_us"], 0.25)
        self.assertAlmostEqual(run["per_line_wall_us"], 0.4)

    def test_a_run_missing_a_figure_is_refused(self):
        for drop in ("CPU 0.0040 s", "reader, in this process", "per line", "curl CLI"):
            broken = "\n".join(l for l in READER_OUTPUT.splitlines() if drop not in l)
            with self.subTest(drop=drop), self.assertRaises(ValueError):
                parse_reader_run(broken)


class Targets(unittest.TestCase):
    def test_verdict_at_below_and_above_the_target(self):
        for value, target, slack, expected in [(1.15, 1.15, 0, "yes"), (1.1501, 1.15, 0, "no"),
                                               (0.9, 1.05, 0, "yes"), (40.0, 0.0, 50.0, "yes"),
                                               (60.0, 0.0, 50.0, "no")]:
            with self.subTest(value=value, target=target):
                self.assertEqual(verdict(value, target, slack), expected)

    def test_a_target_is_judged_on_the_median_of_the_round_ratios(self):
        cases = [
            # ours, baseline, expected: both readings within 1.15 ...
            ([110.0, 105.0, 108.0], [100.0, 100.0, 100.0], "yes"),
            # ... both beyond it ...
            ([130.0, 125.0, 140.0], [100.0, 100.0, 100.0], "no"),
            # ... median of round ratios within (1.0), ratio of medians beyond (1.5) ...
            ([100.0, 300.0, 150.0], [100.0, 100.0, 200.0], "yes"),
            # ... and the other way round: ratios 1.2, 1.2, 1.05, medians 110 / 100
            ([60.0, 120.0, 110.0], [50.0, 100.0, 105.0], "no"),
        ]
        for ours, base, expected in cases:
            with self.subTest(ours=ours):
                row = timed_pair({"launch": {"launcher": ours, "baseline": base}}, "launch", "launcher", 1.15)
                self.assertEqual(row["met"], expected)


class TrayMemory(unittest.TestCase):
    def test_the_difference_by_kind_largest_first_with_the_mappings_that_differ(self):
        tray = {"image": {"zentarislauncher.exe": 2048, "user32.dll": 512, "gdi32.dll": 100},
                "anonymous": {"anonymous": 4096}, "unix heap": {"[heap]": 1024}}
        minimal = {"image": {"zen_bench_idle.exe": 512, "user32.dll": 512, "gdi32.dll": 40},
                   "anonymous": {"anonymous": 1024}, "unix heap": {"[heap]": 1024}, "other": {"/x": 256}}
        self.assertEqual(memory_breakdown(tray, minimal),
                         # user32 is the same on both sides and gdi32 differs by
                         # less than 64 KiB: neither is named.
                         "anonymous +3.00; image +1.56 (zentarislauncher.exe +2.00, zen_bench_idle.exe -0.50); "
                         "unix heap +0.00; other -0.25")


class InstallCheckPhases(unittest.TestCase):
    def test_medians_in_bind_order_without_the_calls_a_side_never_makes(self):
        text = "\n".join([
            "instphase.after handler 0.5", "instphase.after handler 0.1", "instphase.after handler 0.3",
            "instphase.to_start handler 2", "instphase.to_start handler 4", "instphase.to_start handler 3",
            "instphase.InternetOpen handler 0", "instphase.InternetOpen handler 0", "instphase.InternetOpen handler 0",
            "instcalls.InternetOpen handler 0", "instcalls.InternetOpen handler 0", "instcalls.InternetOpen handler 1",
            "instphase.InternetReadFile handler 1", "instphase.InternetReadFile handler 2",
            "instphase.InternetReadFile handler 9",
            "instcalls.InternetReadFile handler 2", "instcalls.InternetReadFile handler 3",
            "instcalls.InternetReadFile handler 3",
            "instphase.after baseline 7",
        ])
        samples = read_samples(text)
        handler = phase_breakdown(samples, "handler")
        self.assertEqual(list(handler), ["to_start", "InternetReadFile", "after"])
        self.assertEqual(handler["to_start"], (3.0, None))
        self.assertEqual(handler["InternetReadFile"], (2.0, 3.0))
        self.assertEqual(handler["after"], (0.3, None))
        self.assertEqual(phase_breakdown(samples, "baseline"), {"after": (7.0, None)})


class IdleCounts(unittest.TestCase):
    def test_growth_per_thread_counts_threads_born_during_sampling_whole(self):
        first = {1: (1000, 5), 2: (500, 2)}
        last = {1: (1500, 7), 2: (500, 2), 3: (40, 1)}
        self.assertEqual(delta(first, last), {1: (500, 2), 2: (0, 0), 3: (40, 1)})


if __name__ == "__main__":
    unittest.main()
