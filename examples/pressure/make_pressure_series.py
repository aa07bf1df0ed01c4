#!/usr/bin/env python3
"""Write a compression series of a gold calibrant and an MgO sample, 0 to 50 GPa.

The volumes are made from published equations of state, not measured:
gold from the Vinet form of Fei et al., Proc. Natl. Acad. Sci. USA 104, 9182
(2007), V0 = 67.850 A^3, K0 = 167 GPa, K0' = 6.00; MgO from the Vinet form of
Tange, Nishihara and Tsuchiya, J. Geophys. Res. 114, B03208 (2009), V0 = 74.698
A^3, K0 = 160.63 GPa, K0' = 4.367; both at 300 K. Each file lists the cubic
first ten face-centred reflections at 0.4133 A (a synchrotron wavelength) with
Gaussian scatter of 0.003 deg, seeded per file, so the script reproduces the
files byte for byte. Standard library only:

    python3 make_pressure_series.py
"""

import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
WAVELENGTH = 0.4133
SIGMA_2THETA = 0.003
PRESSURES = [0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50]  # GPa
MATERIALS = {
    "au": ("Gold calibrant", 67.850, 167.0, 6.00),
    "mgo": ("MgO sample", 74.698, 160.63, 4.367),
}
FCC = [(1, 1, 1), (2, 0, 0), (2, 2, 0), (3, 1, 1), (2, 2, 2), (4, 0, 0), (3, 3, 1), (4, 2, 0), (4, 2, 2), (5, 1, 1)]


def vinet(v, v0, k0, k0p):
    eta = (v / v0) ** (1.0 / 3.0)
    return 3.0 * k0 * (1.0 - eta) / eta ** 2 * math.exp(1.5 * (k0p - 1.0) * (1.0 - eta))


def volume_at(p, v0, k0, k0p):
    """The volume where the Vinet pressure is p, by bisection (P falls with V)."""
    lo, hi = 0.4 * v0, 1.0 * v0
    for _ in range(200):
        mid = 0.5 * (lo + hi)
        if vinet(mid, v0, k0, k0p) > p:
            lo = mid
        else:
            hi = mid
    return 0.5 * (lo + hi)


def write(key, index, p):
    title, v0, k0, k0p = MATERIALS[key]
    a = volume_at(p, v0, k0, k0p) ** (1.0 / 3.0)
    rng = random.Random(1000 * index + len(key))
    lines = [f"{title} at {p} GPa (from a published EoS), 0.4133 A*", f"1 tt {WAVELENGTH} tt n"]
    for h, k, l in FCC:
        d = a / math.sqrt(h * h + k * k + l * l)
        tt = 2.0 * math.degrees(math.asin(WAVELENGTH / (2.0 * d))) + rng.gauss(0.0, SIGMA_2THETA)
        lines.append(f"{h:4d}{k:4d}{l:4d}{tt:12.4f}")
    lines.append("   0   0   0")
    with open(os.path.join(HERE, f"{key}_{p:02d}GPa.dat"), "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


for i, pressure in enumerate(PRESSURES):
    for material in MATERIALS:
        write(material, i, pressure)
