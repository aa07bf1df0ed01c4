"""The peak search that made pbso4_peaks.txt from GSAS-II's test pattern PBSO4.XRA
(github.com/AdvancedPhotonSource/GSAS-II, tests/testinp/): PbSO4 (anglesite), Cu Ka1/Ka2,
2theta 10 to 160 deg in steps of 0.025 deg, in GSAS's STD format.

A peak is a local maximum of the counts smoothed over five points that stands 8 esd of
the counts above the median of the 81 points around it; its position is the vertex of
a parabola through the three highest raw points, to three decimals. Kept as the peak
search gave them: the Ka2 shoulders at high angles are in the list on purpose.

    python3 peak_search.py PBSO4.XRA > pbso4_peaks.txt
"""

import statistics
import sys


def read_std(path):
    lines = open(path).read().splitlines()
    start, step = 10.0, 0.025  # BANK 1 6001 601 CONST 1000 2.5: centidegrees
    counts = [int(x) for line in lines[2:] for x in line.split()]
    return [start + i * step for i in range(len(counts))], counts


def main(path):
    tth, y = read_std(path)
    smooth = [sum(y[max(0, i - 2):i + 3]) / len(y[max(0, i - 2):i + 3]) for i in range(len(y))]
    print("# PbSO4 (anglesite), GSAS-II tests/testinp/PBSO4.XRA, peak search of examples/indexing/peak_search.py")
    print("# wavelength = 1.5405")
    print("# 2theta  intensity")
    for i in range(3, len(y) - 3):
        if not (smooth[i] > smooth[i - 1] and smooth[i] >= smooth[i + 1]):
            continue
        background = statistics.median(y[max(0, i - 40):i + 41])
        if smooth[i] - background < 8 * max(1.0, background) ** 0.5:
            continue
        j = max(range(i - 2, i + 3), key=lambda k: y[k])
        a, b, c = y[j - 1], y[j], y[j + 1]
        shift = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c != 0 else 0
        print(f"{tth[j] + shift * 0.025:8.3f}  {b - background:8.0f}")


if __name__ == "__main__":
    main(sys.argv[1])
