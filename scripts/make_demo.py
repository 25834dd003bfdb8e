#!/usr/bin/env python3
"""Writes the demo recording and its reference points into demo/.

The recording is a pressure transducer channel in volts, sampled at 1 kHz, in two blocks: a
slow ramp to 180 kPa with a hold, then a step to 120 kPa with a damped ringing. The transducer
puts out 0.5 V at 0 kPa and about 4.5 V at 200 kPa with a slight bow, and 1 mV of noise. The
reference points are the transducer's output at nine pressures of a reference gauge.

Deterministic (fixed seed), so running it again reproduces the files byte for byte.
"""
import math
import random
from pathlib import Path

RATE = 1000        # samples per second
BLOCK = 5000       # samples per block
NOISE = 0.001      # volts


def volts(kpa):
    """The transducer's output at a pressure."""
    return 0.5 + 0.02 * kpa - 2e-7 * kpa * kpa


def ramp_and_hold(t):
    return 180.0 * min(t / 3.0, 1.0)


def step_with_ringing(t):
    if t < 0.5:
        return 20.0
    s = t - 0.5
    return 120.0 - 100.0 * math.exp(-3.0 * s) * math.cos(2 * math.pi * 4.0 * s)


def main():
    rng = random.Random(7)
    out = Path(__file__).resolve().parent.parent / "demo"
    out.mkdir(exist_ok=True)

    lines = ["Transducer (V)"]
    for block, pressure in enumerate((ramp_and_hold, step_with_ringing)):
        if block:
            lines.append("")
        for i in range(BLOCK):
            v = volts(pressure(i / RATE)) + rng.gauss(0.0, NOISE)
            lines.append(f"{v:.5f}")
    (out / "pressure.csv").write_text("\n".join(lines) + "\n")

    points = ["Transducer (V),Pressure (kPa)"]
    for kpa in range(0, 201, 25):
        points.append(f"{volts(kpa) + rng.gauss(0.0, NOISE / 4):.4f},{kpa}")
    (out / "pressure_points.csv").write_text("\n".join(points) + "\n")


if __name__ == "__main__":
    main()
