#!/usr/bin/python3
"""Times numpy's nearest equivalents of the calibration evaluators on the same 4096-sample
blocks as evaluators_bench, and prints them beside our figures from the same session.

Every figure is a ratio to the bare pass of its own side (widen the float block to double,
narrow it back): ours to our bare pass measured by evaluators_bench, numpy's to the same pass
done in numpy (np.copyto both ways). As in the C++ benchmarks, each kind and its bare pass are
timed alternately, in groups of blocks, in thread CPU time, so that a machine shared with other
work weighs on both sides alike.

Usage: compare_numpy.py [--evaluators-bench build/release/bin/evaluators_bench] [--seconds S]
Without --evaluators-bench only numpy's column is printed. Uses Debian's python3-numpy.
"""

import argparse
import json
import math
import subprocess
import sys
import time

import numpy as np

BLOCK = 4096
BLOCKS_PER_TIMING = 64


def samples(low, high):
    """The smooth signal of evaluators_bench (slow sine plus a little ripple) over [low, high]."""
    phase = 2.0 * math.pi * np.arange(BLOCK, dtype=np.float64) / BLOCK
    unit = 0.5 + 0.45 * np.sin(phase) + 0.05 * np.sin(37 * phase)
    return (low + (high - low) * unit).astype(np.float32)


def point_table(points, low, high):
    x = low + (high - low) * np.arange(points, dtype=np.float64) / (points - 1)
    return x, 3.0 * x + 0.2 * x * x


def make_kinds():
    """name in evaluators_bench -> (numpy's nearest equivalent, raw range, what it does per block)."""
    kinds = []

    def widened(compute):
        # float block -> double work buffer -> compute in place -> float block, as our path does
        def run(raw, work, out):
            np.copyto(work, raw)
            compute(work)
            np.copyto(out, work, casting="same_kind")
        return run

    def linear(work):
        np.multiply(work, 2.0, out=work)
        np.add(work, 0.5, out=work)

    quintic = np.array([3e-7, -2e-5, 1e-3, -0.03, 2.0, 0.5])  # highest power first

    def polyval(work):
        work[:] = np.polyval(quintic, work)

    def log64(work):
        np.log(work, out=work)
        np.multiply(work, 20.0, out=work)
        np.add(work, 1.5, out=work)

    def log32(raw, work, out):
        np.log(raw, out=out)
        np.multiply(out, np.float32(20.0), out=out)
        np.add(out, np.float32(1.5), out=out)

    def exp32(raw, work, out):
        np.multiply(raw, np.float32(0.3), out=out)
        np.exp(out, out=out)
        np.multiply(out, np.float32(2.0), out=out)

    def exp64(work):
        np.multiply(work, 0.3, out=work)
        np.exp(work, out=work)
        np.multiply(work, 2.0, out=work)

    def interp(points):
        xp, fp = point_table(points, -8.0, 8.0)

        def compute(work):
            work[:] = np.interp(work, xp, fp)
        return compute

    kinds.append(("linear", "a + b*x (float64)", (-10.0, 10.0), widened(linear)))
    kinds.append(("quintic", "polyval (float64)", (-10.0, 10.0), widened(polyval)))
    kinds.append(("logarithmic", "log (float32)", (0.01, 100.0), log32))
    kinds.append(("logarithmic", "log (float64)", (0.01, 100.0), widened(log64)))
    kinds.append(("exponential", "exp (float32)", (-10.0, 10.0), exp32))
    kinds.append(("exponential", "exp (float64)", (-10.0, 10.0), widened(exp64)))
    for points in (12, 64, 1000):
        kinds.append(("point_to_point_%d" % points, "interp, %d points" % points, (-10.0, 10.0),
                      widened(interp(points))))
    return kinds


def bare(raw, work, out):
    np.copyto(work, raw)
    np.copyto(out, work, casting="same_kind")


def time_kind(run, raw, seconds):
    """ns per sample of run and of the bare pass, timed alternately."""
    work = np.empty(BLOCK, dtype=np.float64)
    out = np.empty(BLOCK, dtype=np.float32)
    spent = {"kind": 0.0, "bare": 0.0}
    blocks = 0
    deadline = time.monotonic() + seconds
    first = "kind"
    while time.monotonic() < deadline or blocks == 0:
        order = ("kind", "bare") if first == "kind" else ("bare", "kind")
        for which in order:
            f = run if which == "kind" else bare
            start = time.thread_time_ns()
            for _ in range(BLOCKS_PER_TIMING):
                f(raw, work, out)
            spent[which] += time.thread_time_ns() - start
        blocks += BLOCKS_PER_TIMING
        first = "bare" if first == "kind" else "kind"
    samples_timed = blocks * BLOCK
    return spent["kind"] / samples_timed, spent["bare"] / samples_timed


def ours(bench, seconds):
    """evaluators_bench's smooth-signal figures: name -> (ns per sample, ratio)."""
    out = subprocess.run([bench, "--benchmark_filter=/smooth", "--benchmark_format=json",
                          "--benchmark_min_time=%g" % seconds],
                         check=True, capture_output=True, text=True).stdout
    figures = {}
    for b in json.loads(out)["benchmarks"]:
        name = b["name"].split("/")[0]
        figures[name] = (b["ns_per_sample"], b["ratio"])
    return figures


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--evaluators-bench", help="path of evaluators_bench, run first in this session")
    parser.add_argument("--seconds", type=float, default=0.5, help="time per measurement (default 0.5)")
    args = parser.parse_args()

    figures = ours(args.evaluators_bench, args.seconds) if args.evaluators_bench else {}
    print("numpy %s, blocks of %d samples; ratio = time / the bare float->double->float pass of the same side"
          % (np.__version__, BLOCK))
    if figures:
        print("our bare pass: %.3f ns/sample" % figures.get("bare_pass", (math.nan, math.nan))[0])
    bare_ns = []
    rows = []
    for name, what, (low, high), run in make_kinds():
        kind_ns, numpy_bare = time_kind(run, samples(low, high), args.seconds)
        bare_ns.append(numpy_bare)
        rows.append((name, what, kind_ns, kind_ns / numpy_bare))
    print("numpy bare pass: %.3f ns/sample (median of the runs beside each kind)" % sorted(bare_ns)[len(bare_ns) // 2])
    print()
    print("| kind | ours ns/sample (ratio) | numpy equivalent | numpy ns/sample (ratio) |")
    print("|---|---|---|---|")
    for name, what, kind_ns, ratio in rows:
        mine = figures.get(name)
        mine_text = "%.2f (%.2f)" % mine if mine else "-"
        print("| %s | %s | %s | %.2f (%.2f) |" % (name, mine_text, what, kind_ns, ratio))
    return 0


if __name__ == "__main__":
    sys.exit(main())
