#!/usr/bin/env python3
"""Writes data files as peak-fitting programs write them: 2-theta at a given number of
decimals, with the scatter of a real pattern (0.005 deg), for a monoclinic cell with 40
reflections and a triclinic one with 60 (the lines of each cell, by d, from 10 to 140
deg at Cu Ka1), each copied COUNT times into its own folder.

    realistic_files.py FOLDER COUNT [DECIMALS]      (DECIMALS: 4 unless given)
"""
import os
import sys

import numpy as np

WAVELENGTH = 1.540593


def reciprocal_metric(a, b, c, alpha, beta, gamma):
    al, be, ga = np.radians([alpha, beta, gamma])
    g = np.array([[a * a, a * b * np.cos(ga), a * c * np.cos(be)],
                  [a * b * np.cos(ga), b * b, b * c * np.cos(al)],
                  [a * c * np.cos(be), b * c * np.cos(al), c * c]])
    return np.linalg.inv(g)


def lines(cell, count):
    g = reciprocal_metric(*cell)
    seen, found = set(), []
    for h in range(-6, 7):
        for k in range(-6, 7):
            for l in range(-6, 7):
                hkl = np.array([h, k, l])
                if not hkl.any():
                    continue
                d = 1 / np.sqrt(hkl @ g @ hkl)
                s = WAVELENGTH / (2 * d)
                if s >= 1 or round(d, 5) in seen:
                    continue
                two_theta = 2 * np.degrees(np.arcsin(s))
                if 10 < two_theta < 140:
                    seen.add(round(d, 5))
                    found.append((d, h, k, l, two_theta))
    return sorted(found, reverse=True)[:count]


def data_file(title, system, cell, count, decimals, seed):
    rng = np.random.default_rng(seed)
    text = [title + '*', '%d tt %.6f tt n' % (system, WAVELENGTH)]
    for _, h, k, l, two_theta in lines(cell, count):
        text.append('%4d%4d%4d   %.*f' % (h, k, l, decimals, two_theta + rng.normal(0, 0.005)))
    text.append('   0   0   0')
    return ('\r\n'.join(text) + '\r\n').encode()


def main():
    folder, copies = sys.argv[1], int(sys.argv[2])
    decimals = int(sys.argv[3]) if len(sys.argv) > 3 else 4
    files = {'monoclinic40': data_file('monoclinic, 40 lines', 5, (9.75, 8.90, 5.25, 90, 105.8, 90), 40, decimals, 1),
             'triclinic60': data_file('triclinic, 60 lines', 6, (8.14, 12.79, 7.16, 94.3, 116.6, 87.7), 60, decimals, 2)}
    for name, data in files.items():
        os.makedirs(os.path.join(folder, name), exist_ok=True)
        for i in range(copies):
            with open(os.path.join(folder, name, '%s_%05d.dat' % (name, i + 1)), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main()
