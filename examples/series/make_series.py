#!/usr/bin/env python3
"""Write a temperature series of silicon powder patterns, 300 K to 700 K.

The lattice parameter follows the thermal expansion of silicon measured by
Y. Okada and Y. Tokumaru, "Precise determination of lattice parameter and
thermal expansion coefficient of silicon between 300 and 1500 K",
J. Appl. Phys. 56, 314-320 (1984):

    alpha(T) = (3.725 (1 - exp(-5.88e-3 (T - 124))) + 5.548e-4 T) 1e-6 / K,

integrated from a = 5.431020511 A at 22.5 deg C (295.65 K; CODATA 2018).
Each file lists the 11 silicon reflections below 2-theta 150 deg at Cu Ka1
with Gaussian scatter of 0.005 deg, seeded per file, so the script
reproduces the files byte for byte.  Standard library only:

    python3 make_series.py
"""

import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
CU_KA1 = 1.540593           # angstrom
A_REFERENCE = 5.431020511   # angstrom at T_REFERENCE
T_REFERENCE = 295.65        # K
SIGMA_2THETA = 0.005        # degrees
TEMPERATURES = [300, 400, 500, 600, 700]   # K


def expansion(t):
    """Linear thermal expansion coefficient of silicon at t kelvin, 1/K."""
    return (3.725 * (1.0 - math.exp(-5.88e-3 * (t - 124.0))) + 5.548e-4 * t) * 1e-6


def lattice_parameter(t, steps=2000):
    """a(t) = a_ref exp(integral of alpha from T_REFERENCE to t), Simpson's rule."""
    h = (t - T_REFERENCE) / steps
    total = expansion(T_REFERENCE) + expansion(t)
    for i in range(1, steps):
        total += (4 if i % 2 else 2) * expansion(T_REFERENCE + i * h)
    return A_REFERENCE * math.exp(total * h / 3.0)


def reflections():
    """Silicon (Fd-3m, atoms on 8a): h, k, l all odd, or all even with
    h + k + l = 4n; one h >= k >= l >= 0 per distinct h^2 + k^2 + l^2,
    2-theta below 150 deg at Cu Ka1."""
    found = {}
    for h in range(12):
        for k in range(h + 1):
            for l in range(k + 1):
                parities = {h % 2, k % 2, l % 2}
                if h == 0 or len(parities) != 1:
                    continue
                if parities == {0} and (h + k + l) % 4:
                    continue
                found.setdefault(h * h + k * k + l * l, (h, k, l))
    return [found[s] for s in sorted(found)]


def render(t, seed):
    a = lattice_parameter(t)
    rng = random.Random(seed)
    lines = ["Silicon powder at %d K, Cu Ka1, 2-theta*" % t, "1 tt %.6f tt n" % CU_KA1]
    for hkl in reflections():
        d = a / math.sqrt(sum(i * i for i in hkl))
        s = CU_KA1 / (2.0 * d)
        tt = 2.0 * math.degrees(math.asin(s))
        if tt >= 150.0:
            break
        lines.append("%4d%4d%4d%10.3f" % (hkl + (tt + rng.gauss(0.0, SIGMA_2THETA),)))
    lines.append("%4d%4d%4d%10d" % (0, 0, 0, 0))
    return a, "".join(line + "\r\n" for line in lines)


def main():
    for i, t in enumerate(TEMPERATURES):
        a, text = render(t, 700 + i)
        name = "silicon_%dK.dat" % t
        with open(os.path.join(HERE, name), "w", encoding="ascii", newline="") as out:
            out.write(text)
        print("%s  a = %.6f A" % (name, a))


if __name__ == "__main__":
    main()
