#!/usr/bin/env python3
"""Write the example reflection files of this directory.

Every file lists indexed reflections of a real material.  The positions are
computed from a published cell (see README.md), then given Gaussian noise of
0.005 degrees in 2-theta from a generator seeded per file, so that running
the script again reproduces every file byte for byte.

    python3 make_examples.py           write the files, then check them
    python3 make_examples.py --check   only check the files already written

Only the Python standard library is used.
"""

import math
import os
import random
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

CU_KA1 = 1.540593     # angstrom
MO_KA1 = 0.709317     # angstrom
HC_HALF = 6.199       # keV * angstrom: E * d * sin(theta) for a photon of energy E
SIGMA_2THETA = 0.005  # degrees: the scatter given to every observed 2-theta
MAX_2THETA = 149.5    # degrees: no written 2-theta reaches 150
E_MIN, E_MAX = 5.0, 120.0   # keV: the energy window of the detector

# Two reflections closer than this count as one unresolved peak and both are
# left out, as a careful user would do; in 2-theta for angle-dispersive data,
# as a fraction of d for energy-dispersive data.
RESOLVE_2THETA = 0.04
RESOLVE_ENERGY = 0.005

SYSTEM_NAMES = {1: "cubic", 2: "tetragonal", 3: "hexagonal",
                4: "orthorhombic", 5: "monoclinic", 6: "triclinic"}


# ---------------------------------------------------------------------------
# Reflection conditions.  Each takes the indices of one reflection and says
# whether the space group lets it appear; the conditions are written so that
# they hold for every member of a set of equivalent reflections.

def diamond_fd3m(h, k, l):
    """Fd-3m, atoms on 8a (diamond): h, k, l all odd, or all even with h+k+l = 4n."""
    parities = {h % 2, k % 2, l % 2}
    if len(parities) != 1:
        return False
    return parities == {1} or (h + k + l) % 4 == 0


def primitive(h, k, l):
    return True


def rutile_p42mnm(h, k, l):
    """P4_2/mnm: 0kl and h0l with k+l resp. h+l even (gives h00 and 00l even)."""
    if h == 0 and (k + l) % 2:
        return False
    if k == 0 and (h + l) % 2:
        return False
    return True


def corundum_r3c(h, k, l):
    """R-3c, hexagonal axes, obverse: -h+k+l = 3n; l even on the h -h 0 l zones."""
    if (-h + k + l) % 3:
        return False
    if (h == 0 or k == 0 or h + k == 0) and l % 2:
        return False
    return True


def quartz_p3221(h, k, l):
    """P3_221: 000l with l = 3n."""
    return not (h == 0 and k == 0 and l % 3)


def olivine_pbnm(h, k, l):
    """Pbnm: 0kl with k even, h0l with h+l even."""
    if h == 0 and k % 2:
        return False
    if k == 0 and (h + l) % 2:
        return False
    return True


def pyroxene_c2c(h, k, l):
    """C2/c, unique axis b: h+k even; h0l with l even."""
    return (h + k) % 2 == 0 and (k != 0 or l % 2 == 0)


def feldspar_c1(h, k, l):
    """C-1: h+k even."""
    return (h + k) % 2 == 0


# ---------------------------------------------------------------------------
# Materials and their cells.

class Material:
    def __init__(self, name, formula, system, cell, space_group, allowed):
        self.name = name
        self.formula = formula
        self.system = system
        self.cell = cell
        self.space_group = space_group
        self.allowed = allowed
        self.recip = reciprocal_metric(cell)

    def q(self, hkl):
        """1/d^2 of a reflection, from the reciprocal metric tensor."""
        g = self.recip
        return sum(hkl[i] * g[i][j] * hkl[j] for i in range(3) for j in range(3))

    def d(self, hkl):
        return 1.0 / math.sqrt(self.q(hkl))


def reciprocal_metric(cell):
    """Inverse of the direct metric tensor G of the cell (a, b, c, alpha, beta, gamma)."""
    a, b, c = cell[:3]
    ca, cb, cg = (math.cos(math.radians(x)) for x in cell[3:])
    g = [[a * a, a * b * cg, a * c * cb],
         [a * b * cg, b * b, b * c * ca],
         [a * c * cb, b * c * ca, c * c]]
    cof = [[g[(i + 1) % 3][(j + 1) % 3] * g[(i + 2) % 3][(j + 2) % 3]
            - g[(i + 1) % 3][(j + 2) % 3] * g[(i + 2) % 3][(j + 1) % 3]
            for j in range(3)] for i in range(3)]
    det = sum(g[0][j] * cof[0][j] for j in range(3))
    # G is symmetric, so its inverse is the cofactor matrix over the determinant.
    return [[cof[j][i] / det for j in range(3)] for i in range(3)]


MATERIALS = {
    "silicon": Material("Silicon", "Si", 1,
                        (5.431020, 5.431020, 5.431020, 90.0, 90.0, 90.0),
                        "Fd-3m", diamond_fd3m),
    "lab6": Material("Lanthanum hexaboride", "LaB6", 1,
                     (4.15692, 4.15692, 4.15692, 90.0, 90.0, 90.0),
                     "Pm-3m", primitive),
    "rutile": Material("Rutile", "TiO2", 2,
                       (4.59373, 4.59373, 2.95812, 90.0, 90.0, 90.0),
                       "P4_2/mnm", rutile_p42mnm),
    "corundum": Material("Corundum", "Al2O3", 3,
                         (4.76050, 4.76050, 12.9956, 90.0, 90.0, 120.0),
                         "R-3c (hexagonal axes)", corundum_r3c),
    "quartz": Material("Quartz", "SiO2", 3,
                       (4.9134, 4.9134, 5.4052, 90.0, 90.0, 120.0),
                       "P3_221", quartz_p3221),
    "forsterite": Material("Forsterite", "Mg2SiO4", 4,
                           (4.7534, 10.1902, 5.9783, 90.0, 90.0, 90.0),
                           "Pbnm", olivine_pbnm),
    "diopside": Material("Diopside", "CaMgSi2O6", 5,
                         (9.746, 8.899, 5.251, 90.0, 105.63, 90.0),
                         "C2/c (unique axis b)", pyroxene_c2c),
    "albite": Material("Low albite", "NaAlSi3O8", 6,
                       (8.137, 12.785, 7.158, 94.26, 116.60, 87.71),
                       "C-1", feldspar_c1),
}


# ---------------------------------------------------------------------------
# Unique reflections of a material.

def index_preference(hkl):
    """Sort key choosing how a reflection is written: fewest negative indices,
    the first non-zero index positive, then the larger indices first."""
    negatives = sum(1 for x in hkl if x < 0)
    first = next((x for x in hkl if x != 0), 0)
    return (negatives, first < 0, tuple(-x for x in hkl))


def family(hkl, system):
    """A label shared by reflections that are equivalent by symmetry; used only
    to name, in a remark, the other forms that fall at exactly the same d in a
    cubic cell (such as 333 beside 511).  Other systems get no such remark."""
    if system != 1:
        return None
    return tuple(sorted((abs(x) for x in hkl), reverse=True))


class Reflection:
    def __init__(self, hkl, d, coincident):
        self.hkl = hkl
        self.d = d
        self.coincident = coincident   # other families at the same d


def unique_reflections(mat, d_min):
    """Allowed reflections with d >= d_min, one per distinct d spacing, in
    order of falling d.  Reflections whose d agree to 1 part in 10^9 (Friedel
    pairs, symmetry equivalents, accidental coincidences such as 511/333 in a
    cubic cell) form one peak and are written once."""
    limits = [int(length / d_min) + 1 for length in mat.cell[:3]]
    found = []
    for h in range(-limits[0], limits[0] + 1):
        for k in range(-limits[1], limits[1] + 1):
            for l in range(-limits[2], limits[2] + 1):
                if (h, k, l) == (0, 0, 0) or not mat.allowed(h, k, l):
                    continue
                q = mat.q((h, k, l))
                if q <= 1.0 / (d_min * d_min):
                    found.append((q, (h, k, l)))
    found.sort()
    groups = []
    for q, hkl in found:
        if groups and q - groups[-1][0] <= 1e-9 * q:
            groups[-1][1].append(hkl)
        else:
            groups.append((q, [hkl]))
    result = []
    for q, members in groups:
        members.sort(key=index_preference)
        best = members[0]
        families = []
        for m in members:
            f = family(m, mat.system)
            if f not in families:
                families.append(f)
        others = [f for f in families if f != family(best, mat.system)]
        result.append(Reflection(best, 1.0 / math.sqrt(q), others))
    return result


# ---------------------------------------------------------------------------
# Conversions between d, 2-theta and energy.

def two_theta(d, wavelength):
    return 2.0 * math.degrees(math.asin(wavelength / (2.0 * d)))


def d_from_two_theta(tt, wavelength):
    return wavelength / (2.0 * math.sin(math.radians(tt / 2.0)))


def energy(d, beam2theta):
    return HC_HALF / (d * math.sin(math.radians(beam2theta / 2.0)))


def d_from_energy(e, beam2theta):
    return HC_HALF / (e * math.sin(math.radians(beam2theta / 2.0)))


def d_min_for(wavelength):
    """Smallest d whose 2-theta at this wavelength stays below MAX_2THETA."""
    return wavelength / (2.0 * math.sin(math.radians(MAX_2THETA / 2.0)))


def d_relative_sigma(tt):
    """Relative scatter of a d spacing whose 2-theta carries SIGMA_2THETA."""
    return math.radians(SIGMA_2THETA / 2.0) / math.tan(math.radians(tt / 2.0))


def energy_sigma(e, beam2theta):
    """Scatter in energy equivalent to SIGMA_2THETA at a fixed detector angle:
    dE/E = -cot(theta) d(theta)."""
    theta = math.radians(beam2theta / 2.0)
    return e * math.radians(SIGMA_2THETA / 2.0) / math.tan(theta)


# ---------------------------------------------------------------------------
# The files.

class DataFile:
    def __init__(self, name, material, kind, title, seed, count,
                 wavelength=CU_KA1, beam2theta=10.0, header=None,
                 zero=0.0, remarks=False, resolve=True, d_floor=None):
        self.name = name
        self.material = MATERIALS[material]
        self.kind = kind              # "tt", "d" or "e"
        self.title = title
        self.seed = seed
        self.count = count            # None: every reflection that qualifies
        self.wavelength = wavelength  # generating wavelength of 2-theta and d data
        self.beam2theta = beam2theta  # detector angle of energy data
        self.header = header          # None, or (minimise token, zero-shift flag)
        self.zero = zero              # degrees of 2-theta, or keV for energies
        self.remarks = remarks
        self.resolve = resolve
        # d spacings must stay above half the wavelength that the program will
        # use to derive 2-theta: Cu Ka1 unless the header sets another.
        self.d_floor = d_floor if d_floor is not None else d_min_for(CU_KA1)


FILES = [
    DataFile("silicon_2theta.dat", "silicon", "tt",
             "Silicon powder, Cu Ka1, 2-theta", seed=640, count=None,
             header=("tt", "n"), remarks=True),
    DataFile("silicon_too_few.dat", "silicon", "tt",
             "Silicon, only two reflections: too few for a cubic fit", seed=641,
             count=2, header=("tt", "n")),
    DataFile("silicon_energy.dat", "silicon", "e",
             "Silicon powder, energy-dispersive, detector at 2-theta 7.5 deg",
             seed=642, count=None, beam2theta=7.5, header=("e", "n"), remarks=True),
    DataFile("lab6_2theta_zeroshift.dat", "lab6", "tt",
             "LaB6 powder, Cu Ka1, 2-theta with a +0.03 deg zero error",
             seed=660, count=None, header=("tt", "y"), zero=0.03, remarks=True),
    DataFile("lab6_dspacing.dat", "lab6", "d",
             "LaB6 powder, d spacings from Cu Ka1 data", seed=661, count=None,
             header=("d", "n"), remarks=True),
    DataFile("rutile_2theta.dat", "rutile", "tt",
             "Rutile TiO2, Cu Ka1, 2-theta, minimised in d", seed=136, count=30,
             header=("d", "n")),
    DataFile("rutile_dspacing.dat", "rutile", "d",
             "Rutile TiO2, d spacings from Cu Ka1 data", seed=137, count=30,
             header=("d", "n")),
    DataFile("rutile_energy_min2theta.dat", "rutile", "e",
             "Rutile TiO2, energy-dispersive at 2-theta 10 deg, minimised in 2-theta",
             seed=138, count=25, header=("tt", "n")),
    DataFile("rutile_mo_over200.dat", "rutile", "d",
             "Rutile TiO2, every reflection to 2-theta 150 deg with Mo Ka1: over 200 lines",
             seed=139, count=None, wavelength=MO_KA1, header=("q", "n"),
             resolve=False, d_floor=d_min_for(MO_KA1)),
    DataFile("corundum_energy.dat", "corundum", "e",
             "Corundum Al2O3, energy-dispersive at 2-theta 10 deg", seed=167,
             count=30, header=("e", "n")),
    DataFile("quartz_2theta.dat", "quartz", "tt",
             "Quartz SiO2, Cu Ka1, 2-theta, no header line: choose the settings in the window",
             seed=154, count=40),
    DataFile("quartz_dspacing.dat", "quartz", "d",
             "Quartz SiO2, d spacings from Cu Ka1 data, minimised in Q", seed=155,
             count=35, header=("q", "n")),
    DataFile("forsterite_2theta.dat", "forsterite", "tt",
             "Forsterite Mg2SiO4 (Pbnm), Cu Ka1, 2-theta, minimised in Q",
             seed=62, count=40, header=("q", "n")),
    DataFile("forsterite_dspacing.dat", "forsterite", "d",
             "Forsterite Mg2SiO4 (Pbnm), d spacings from Cu Ka1 data", seed=63,
             count=35, header=("d", "n")),
    DataFile("forsterite_energy.dat", "forsterite", "e",
             "Forsterite Mg2SiO4 (Pbnm), energy-dispersive at 2-theta 10 deg",
             seed=65, count=30, header=("e", "n")),
    DataFile("diopside_2theta.dat", "diopside", "tt",
             "Diopside CaMgSi2O6, Cu Ka1, 2-theta with a +0.02 deg zero error",
             seed=15, count=40, header=("tt", "y"), zero=0.02),
    DataFile("diopside_dspacing.dat", "diopside", "d",
             "Diopside CaMgSi2O6, d spacings from Cu Ka1 data, minimised in Q",
             seed=16, count=35, header=("q", "n")),
    DataFile("diopside_energy_zeroshift.dat", "diopside", "e",
             "Diopside CaMgSi2O6, energy-dispersive at 2-theta 10 deg, +0.05 keV zero error",
             seed=17, count=30, header=("e", "y"), zero=0.05),
    DataFile("albite_2theta.dat", "albite", "tt",
             "Low albite NaAlSi3O8 (C-1), Cu Ka1, 2-theta", seed=2, count=60,
             header=("tt", "n")),
    DataFile("albite_dspacing_mo.dat", "albite", "d",
             "Low albite NaAlSi3O8 (C-1), d spacings from Mo Ka1 data", seed=3,
             count=40, wavelength=MO_KA1, header=("d", "n")),
    DataFile("albite_energy.dat", "albite", "e",
             "Low albite NaAlSi3O8 (C-1), energy-dispersive at 2-theta 10 deg",
             seed=4, count=35, header=("e", "n")),
]


def header_line(f):
    """The settings line: system, data kind, wavelength or detector angle,
    minimised quantity and zero-shift flag, each item followed by one blank
    except the flag, which must follow the blank after the minimise token."""
    number = ("%.1f" % f.beam2theta) if f.kind == "e" else ("%.6f" % f.wavelength)
    minimise, flag = f.header
    return "%d %s %s %s %s" % (f.material.system, f.kind, number, minimise, flag)


def qualifies(f, refl):
    """Whether a reflection can appear in the file: every derived quantity
    must exist and stay inside the instrument's range."""
    if f.kind == "tt":
        return two_theta(refl.d, f.wavelength) <= MAX_2THETA
    if refl.d < f.d_floor:
        return False
    if f.kind == "d":
        return two_theta(refl.d, f.wavelength) <= MAX_2THETA
    e = energy(refl.d, f.beam2theta)
    return E_MIN <= e <= E_MAX


def resolved(f, refls):
    """Drop reflections that overlap a neighbour (both members of the pair)."""
    if not f.resolve:
        return refls
    if f.kind == "e":
        pos = [r.d for r in refls]
        close = lambda i, j: abs(pos[i] - pos[j]) < RESOLVE_ENERGY * pos[i]
    else:
        pos = [two_theta(r.d, f.wavelength) for r in refls]
        close = lambda i, j: abs(pos[i] - pos[j]) < RESOLVE_2THETA
    keep = []
    for i, r in enumerate(refls):
        if (i > 0 and close(i, i - 1)) or (i + 1 < len(refls) and close(i, i + 1)):
            continue
        keep.append(r)
    return keep


def select(f):
    lowest = f.d_floor if f.kind == "e" else d_min_for(f.wavelength)
    refls = [r for r in unique_reflections(f.material, lowest) if qualifies(f, r)]
    refls = resolved(f, refls)
    if f.count is not None:
        refls = refls[:f.count]
    return refls


def observed(f, refl, rng):
    """The value written for a reflection, with its noise and zero error."""
    if f.kind == "e":
        e = energy(refl.d, f.beam2theta)
        return e + rng.gauss(0.0, energy_sigma(e, f.beam2theta)) + f.zero
    tt = two_theta(refl.d, f.wavelength) + rng.gauss(0.0, SIGMA_2THETA)
    if f.kind == "tt":
        return tt + f.zero
    return d_from_two_theta(tt, f.wavelength)


VALUE_FORMAT = {"tt": "%10.3f", "d": "%10.5f", "e": "%10.4f"}


def render(f):
    rng = random.Random(f.seed)
    lines = [f.title + ("*" if f.header else "")]
    if f.header:
        lines.append(header_line(f))
    for refl in select(f):
        h, k, l = refl.hkl
        line = "%4d%4d%4d" % (h, k, l) + VALUE_FORMAT[f.kind] % observed(f, refl, rng)
        if f.remarks and refl.coincident:
            line += "   same d as " + ", ".join("%d %d %d" % c for c in refl.coincident)
        lines.append(line)
    lines.append("%4d%4d%4d%10d" % (0, 0, 0, 0))
    return "".join(line + "\r\n" for line in lines)


def write_all():
    for f in FILES:
        with open(os.path.join(HERE, f.name), "w", encoding="ascii", newline="") as out:
            out.write(render(f))


# ---------------------------------------------------------------------------
# Check of the written files, read back the way the program reads them.

def read_header(text):
    """Read a header line item by item as the program does: numbers after
    skipping characters up to code 32, words as tokens of six characters,
    right-justified, each ended by a blank, and the flag as the single
    character after the blank that ends the minimise token."""
    pos = 0

    def number():
        nonlocal pos
        while ord(text[pos]) <= 32:
            pos += 1
        start = pos
        while pos < len(text) and ord(text[pos]) > 32:
            pos += 1
        return text[start:pos]

    def token():
        nonlocal pos
        stored = ""
        while len(stored) < 6:
            c = text[pos]
            pos += 1
            if c == " ":
                if stored:
                    break
                if text[pos] in "\r\n":
                    break
                continue
            stored += c
        else:
            while text[pos] != " ":
                pos += 1
            pos += 1
        return "%6s" % stored

    system = int(number())
    kind = token()
    value = float(number())
    minimise = token()
    flag = text[pos]
    return system, kind, value, minimise, flag


def read_back(f):
    with open(os.path.join(HERE, f.name), "rb") as src:
        raw = src.read()
    text = raw.decode("ascii")
    assert text.endswith("\r\n") and "\n" not in text.replace("\r\n", ""), "line ends"
    lines = text.split("\r\n")[:-1]
    title = lines[0]
    assert title.endswith("*") == (f.header is not None), "title asterisk"
    body = lines[1:]
    wavelength, beam = CU_KA1, 10.0
    if f.header:
        system, kind, number, minimise, flag = read_header(body[0] + "\r\n")
        assert system == f.material.system
        assert kind == {"tt": "    tt", "d": "     d", "e": "     e"}[f.kind]
        assert minimise == "%6s" % f.header[0] and flag == f.header[1]
        if kind == "     e":
            beam = number
        else:
            wavelength = number
        body = body[1:]
    rows = []
    for line in body:
        h, k, l, value = line.split()[:4]
        if (int(h), int(k), int(l)) == (0, 0, 0):
            break
        rows.append(((int(h), int(k), int(l)), float(value)))
    assert line == body[-1], "terminator is the last line"
    return wavelength, beam, rows


def regressors(hkl, system):
    """The terms of Q = 1/d^2 that a cell of the system leaves free."""
    h, k, l = hkl
    if system == 1:
        return [h * h + k * k + l * l]
    if system == 2:
        return [h * h + k * k, l * l]
    if system == 3:
        return [h * h + h * k + k * k, l * l]
    if system == 4:
        return [h * h, k * k, l * l]
    if system == 5:
        return [h * h, k * k, l * l, h * l]
    return [h * h, k * k, l * l, k * l, h * l, h * k]


def metric_terms(mat):
    """The coefficients of those terms for the true cell."""
    g = mat.recip
    return {1: [g[0][0]], 2: [g[0][0], g[2][2]], 3: [g[0][0], g[2][2]],
            4: [g[0][0], g[1][1], g[2][2]],
            5: [g[0][0], g[1][1], g[2][2], 2 * g[0][2]],
            6: [g[0][0], g[1][1], g[2][2], 2 * g[1][2], 2 * g[0][2], 2 * g[0][1]],
            }[mat.system]


def solve(matrix, rhs):
    """Gauss-Jordan elimination with partial pivoting."""
    n = len(rhs)
    a = [row[:] + [rhs[i]] for i, row in enumerate(matrix)]
    for i in range(n):
        p = max(range(i, n), key=lambda r: abs(a[r][i]))
        a[i], a[p] = a[p], a[i]
        for j in range(n):
            if j != i:
                factor = a[j][i] / a[i][i]
                a[j] = [a[j][c] - factor * a[i][c] for c in range(n + 1)]
    return [a[i][n] / a[i][i] for i in range(n)]


def fit_deviation(f, observations):
    """Fit Q = 1/d^2 of the observations, weighted with the scatter they were
    given, and return the largest distance of a fitted coefficient from the
    true cell's, in standard errors of the fit."""
    system = f.material.system
    true = metric_terms(f.material)
    n = len(true)
    if len(observations) < n + 2:
        return None
    normal = [[0.0] * n for _ in range(n)]
    rhs = [0.0] * n
    for hkl, d, relative in observations:
        q = 1.0 / (d * d)
        w = 1.0 / (2.0 * q * relative) ** 2
        x = regressors(hkl, system)
        for i in range(n):
            rhs[i] += w * x[i] * q
            for j in range(n):
                normal[i][j] += w * x[i] * x[j]
    coeffs = solve(normal, rhs)
    columns = [solve(normal, [1.0 if r == c else 0.0 for r in range(n)]) for c in range(n)]
    return max(abs(coeffs[i] - true[i]) / math.sqrt(columns[i][i]) for i in range(n))


def check_file(f):
    wavelength, beam, rows = read_back(f)
    mat = f.material
    worst = 0.0
    squares = 0.0
    hkls = set()
    observations = []   # (hkl, d corrected for the zero error, relative sigma of d)
    for hkl, value in rows:
        assert mat.allowed(*hkl), "forbidden reflection %s" % (hkl,)
        hkls.add(hkl)
        d_true = mat.d(hkl)
        if f.kind == "tt":
            assert value < 150.0
            shift = (value - f.zero) - two_theta(d_true, wavelength)
            deviation = shift / SIGMA_2THETA
            d = d_from_two_theta(value - f.zero, wavelength)
            relative = d_relative_sigma(two_theta(d_true, wavelength))
        elif f.kind == "d":
            assert value > wavelength / 2.0 and value > f.d_floor
            tt = two_theta(value, wavelength)
            assert tt < 150.0
            deviation = (tt - two_theta(d_true, wavelength)) / SIGMA_2THETA
            d = value
            relative = d_relative_sigma(two_theta(d_true, wavelength))
        else:
            assert E_MIN <= value <= E_MAX
            d = d_from_energy(value, beam)
            assert d > CU_KA1 / 2.0
            e_true = energy(d_true, beam)
            deviation = (value - f.zero - e_true) / energy_sigma(e_true, beam)
            d = d_from_energy(value - f.zero, beam)
            relative = energy_sigma(e_true, beam) / e_true
        worst = max(worst, abs(deviation))
        squares += deviation * deviation
        observations.append((hkl, d, relative))
    assert len(hkls) == len(rows), "repeated reflection"
    ds = [mat.d(hkl) for hkl, _ in rows]
    assert ds == sorted(ds, reverse=True), "not in order of d"
    assert len(set(round(d, 9) for d in ds)) == len(ds), "two lines at the same d"
    # Worst scatter in units of sigma; 4.5 sigma is beyond reach for these counts.
    assert worst < 4.5, "scatter %.1f sigma" % worst
    rms = math.sqrt(squares / len(rows))
    # A wrong cell, wavelength or zero error shows as a scatter well above one
    # sigma over the whole file.
    assert len(rows) < 10 or 0.5 < rms < 1.6, "rms scatter %.2f sigma" % rms
    # The file should give back its cell: no fitted coefficient of 1/d^2 more
    # than three standard errors from the true one.
    cell_error = fit_deviation(f, observations)
    assert cell_error is None or cell_error < 3.0, "cell off by %.1f sigma" % cell_error
    return len(rows), worst, rms, cell_error


def check_all():
    print("%-32s %-12s %-4s %5s  %s" % ("file", "system", "kind", "lines",
                                          "in sigma: largest noise, rms noise, cell"))
    for f in FILES:
        n, worst, rms, cell_error = check_file(f)
        cell = "-" if cell_error is None else "%.2f" % cell_error
        print("%-32s %-12s %-4s %5d  %.2f  %.2f  %s" % (
            f.name, SYSTEM_NAMES[f.material.system], f.kind, n, worst, rms, cell))


if __name__ == "__main__":
    if "--check" not in sys.argv[1:]:
        write_all()
    check_all()
