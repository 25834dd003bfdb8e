#!/usr/bin/python3
"""Accuracy of velogram's polynomial fits beside numpy's polyfit (LAPACK least squares) on the
same problems: the fewest correct significant digits over the coefficients of each fit, both
measured against the exact least-squares coefficients of the same double data, computed here
in rational arithmetic.

Usage: /usr/bin/python3 bench/compare_polyfit.py [path/to/velogram]
Needs Debian's python3-numpy (scripts/setup.sh installs it).
"""
import json
import math
import random
import subprocess
import sys
from fractions import Fraction

import numpy

VELOGRAM = sys.argv[1] if len(sys.argv) > 1 else "build/release/bin/velogram"
KINDS = {1: "linear", 2: "quadratic", 3: "cubic", 4: "quartic", 5: "quintic"}


def exact_fit(xs, ys, degree):
    """Exact least-squares coefficients (constant first) by the normal equations in rationals."""
    n = degree + 1
    a = [[sum(Fraction(x) ** (i + j) for x in xs) for j in range(n)] for i in range(n)]
    b = [sum(Fraction(y) * Fraction(x) ** i for x, y in zip(xs, ys)) for i in range(n)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(a[r][c]))
        a[c], a[p], b[c], b[p] = a[p], a[c], b[p], b[c]
        for r in range(n):
            if r != c and a[r][c] != 0:
                f = a[r][c] / a[c][c]
                a[r] = [u - f * v for u, v in zip(a[r], a[c])]
                b[r] -= f * b[c]
    return [b[i] / a[i][i] for i in range(n)]


def digits(got, exact):
    if exact == 0:
        return 17.0 if got == 0 else 0.0
    error = abs((Fraction(got) - exact) / exact)
    return 17.0 if error == 0 else min(17.0, -math.log10(float(error)))


def ours(xs, ys, degree):
    args = [VELOGRAM, "fit", "--fit", KINDS[degree], "--json"]
    args += ["--point=%r=%r" % (x, y) for x, y in zip(xs, ys)]
    done = subprocess.run(args, capture_output=True, text=True)
    if done.returncode != 0:
        return None
    return json.loads(done.stdout)["coefficients"]


def problems():
    rnd = random.Random(2026)
    grid = [float(i) for i in range(21)]
    yield "1 + x + ... + x^5, x = 0..20", grid, [sum(x ** k for k in range(6)) for x in grid], 5
    yield ("1 + 0.1x + ... + 1e-5x^5, x = 0..20", grid,
           [sum(10.0 ** -k * x ** k for k in range(6)) for x in grid], 5)
    offset = [1000.0 + i for i in range(12)]
    cubic = [0.5 + 0.01 * (x - 1000) ** 2 + 0.001 * (x - 1000) ** 3 for x in offset]
    yield "cubic data, raw 1000..1011, cubic fit", offset, cubic, 3
    yield "cubic data, raw 1000..1011, quintic fit", offset, cubic, 5
    yield ("noisy cubic, raw 1000..1011, quintic fit", offset,
           [y + rnd.gauss(0, 1e-4) for y in cubic], 5)
    cells = [1e5 + i * 2.6e5 for i in range(12)]
    yield ("load cell 1e5..3e6, quadratic", cells,
           [2.5 + 4.2e-3 * x + 3.1e-10 * x * x + rnd.gauss(0, 3) for x in cells], 2)
    replicated = [0.1 + 0.4 * i for i in range(12) for _ in range(3)]
    yield ("36 replicates, linear", replicated,
           [round(2.5 + 39.8 * x + rnd.gauss(0, 0.4), 3) for x in replicated], 1)
    millivolts = [0.001 * (i + 1) for i in range(10)]
    yield ("quartic on 1..10 mV", millivolts,
           [1 + 2e3 * x - 1e5 * x * x + 3e6 * x ** 3 + 1e8 * x ** 4 + rnd.gauss(0, 0.01) for x in millivolts], 4)


def main():
    print("%-45s %10s %10s" % ("problem", "velogram", "numpy"))
    worse = 0
    for name, xs, ys, degree in problems():
        exact = exact_fit(xs, ys, degree)
        mine = ours(xs, ys, degree)
        theirs = list(reversed(numpy.polyfit(numpy.array(xs), numpy.array(ys), degree).tolist()))
        d_theirs = min(digits(c, e) for c, e in zip(theirs, exact))
        if mine is None:
            print("%-45s %10s %10.1f" % (name, "failed", d_theirs))
            worse += 1
            continue
        d_mine = min(digits(c, e) for c, e in zip(mine, exact))
        worse += d_mine < d_theirs
        print("%-45s %10.1f %10.1f" % (name, d_mine, d_theirs))
    print("fewest correct significant digits over the coefficients; exact least squares in rationals")
    return 1 if worse else 0


if __name__ == "__main__":
    sys.exit(main())
