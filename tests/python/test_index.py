"""zantrel.index on generated peak lists: the allowed lines come from gemmi's Python
module (an oracle independent of the C++ path), with scatter, missing weak lines,
impurity peaks and overlaps, as a peak search of a real pattern gives them.

Run with -s to see the figures of merit and the agreement of each case.
"""

import math
import random

import numpy as np
import pytest

import zantrel

gemmi = pytest.importorskip("gemmi")

WAVELENGTH = 1.540593

# space group, cell, system refined, 2-theta range: centring, glide and screw
# extinctions, a rhombohedral lattice in hexagonal axes, low symmetry.
CASES = [
    ("F d -3 m", (5.4309, 5.4309, 5.4309, 90, 90, 90), "cubic", 140),
    ("I 41/a m d:2", (3.7852, 3.7852, 9.5139, 90, 90, 90), "tetragonal", 120),
    ("P 63/m m c", (3.2094, 3.2094, 5.2105, 90, 90, 120), "hexagonal", 120),
    ("R -3 c:H", (4.7589, 4.7589, 12.991, 90, 90, 120), "hexagonal", 110),
    ("C 1 2/c 1", (9.746, 8.899, 5.251, 90, 105.63, 90), "monoclinic", 60),
    ("P n m a", (10.19, 5.98, 4.75, 90, 90, 90), "orthorhombic", 65),
    ("P -1", (8.14, 12.79, 7.16, 94.3, 116.6, 87.7), "triclinic", 42),
]


def gemmi_cell(cell):
    """gemmi's cell of the six parameters, as a structure holds it."""
    structure = gemmi.SmallStructure()
    structure.cell.set(*cell)
    return structure.cell


def allowed_lines(space_group, cell, tth_max):
    """(2theta, hkl) of each allowed reflection, one per set of equivalents."""
    sg = gemmi.SpaceGroup(space_group)
    ops = sg.operations()
    asu = gemmi.ReciprocalAsu(sg)
    uc = gemmi_cell(cell)
    d_min = WAVELENGTH / (2 * math.sin(math.radians(tth_max / 2)))
    lines = []
    limits = [int(x / d_min) + 1 for x in cell[:3]]
    for h in range(-limits[0], limits[0] + 1):
        for k in range(-limits[1], limits[1] + 1):
            for l in range(-limits[2], limits[2] + 1):
                hkl = [h, k, l]
                if hkl == [0, 0, 0] or not asu.is_in(hkl) or ops.is_systematically_absent(hkl):
                    continue
                d = uc.calculate_d(hkl)
                if d < d_min:
                    continue
                lines.append((2 * math.degrees(math.asin(WAVELENGTH / (2 * d))), tuple(hkl)))
    return sorted(lines)


def peak_list(space_group, cell, tth_max, seed, max_peaks=40):
    """Observed peaks: lines within 0.02 deg merged into one, a fifth of the rest left
    out as too weak, scatter of sd 0.004 deg clipped at 0.012, three decimals, and three
    impurity peaks at least 0.25 deg from any line."""
    rng = random.Random(seed)
    lines = [x for x in allowed_lines(space_group, cell, tth_max) if x[0] > 8]
    groups = []
    for tth, hkl in lines:
        if groups and tth - groups[-1][-1][0] < 0.02:
            groups[-1].append((tth, hkl))
        else:
            groups.append([(tth, hkl)])
    peaks = []
    for group in groups:
        if len(peaks) >= 3 and rng.random() < 0.2:
            continue
        centre = sum(t for t, _ in group) / len(group)
        noise = max(-0.012, min(0.012, rng.gauss(0, 0.004)))
        peaks.append((round(centre + noise, 3), [h for _, h in group]))
        if len(peaks) == max_peaks:
            break
    top = peaks[-1][0]
    impurities = []
    while len(impurities) < 3:
        x = round(rng.uniform(10, top), 3)
        if all(abs(x - t) > 0.25 for t, _ in lines) and all(abs(x - y) > 0.25 for y in impurities):
            impurities.append(x)
    return peaks, impurities


def equivalent(uc, hkl, members):
    d = uc.calculate_d(list(hkl))
    return any(abs(uc.calculate_d(list(m)) - d) < 1e-7 * d for m in members)


@pytest.mark.parametrize("space_group,cell,system,tth_max", CASES)
def test_generated_peaks_are_indexed_right_or_flagged(space_group, cell, system, tth_max):
    peaks, impurities = peak_list(space_group, cell, tth_max, seed=len(space_group))
    positions = [p for p, _ in peaks] + impurities
    truth = {p: members for p, members in peaks}
    uc = gemmi_cell(cell)
    for scale in (1.0, 1.005):
        trial = tuple(x * scale for x in cell[:3]) + tuple(cell[3:])
        r = zantrel.index(positions, cell=trial, space_group=space_group, wavelength=WAVELENGTH)
        assert r["result"].system == system
        right, flagged = 0, 0
        for position, status, hkl in zip(r["position"], r["status"], r["hkl"].data):
            if position in impurities:
                assert status == "unassigned", (position, status)
                continue
            assert status != "unassigned", position
            if status in ("indexed", "overlapped"):
                assert equivalent(uc, hkl, truth[position]) or status == "overlapped", (position, hkl, truth[position])
                right += 1
            else:
                flagged += 1
        assert r["n_unassigned"] == len(impurities)
        # The same reflections indexed by hand give the same cell.
        used = [i for i, s in enumerate(r["status"]) if s in ("indexed", "overlapped")]
        hand = []
        for i in used:
            members = truth[r["position"][i]]
            chosen = tuple(int(x) for x in r["hkl"].data[i])
            hand.append(chosen if equivalent(uc, chosen, members) else members[0])
        by_hand = zantrel.refine(hand, [r["position"][i] for i in used], system=system, wavelength=WAVELENGTH)
        np.testing.assert_allclose(r["result"].cell[:6], by_hand.cell[:6], rtol=2e-6)
        np.testing.assert_allclose(r["result"].cell[:6], cell, rtol=2e-3, atol=0.05)
        print(f"\n{space_group:14s} trial x{scale}: {len(positions)} peaks, {right} indexed right, {flagged} ambiguous, "
              f"{r['n_unassigned']} unassigned (= {len(impurities)} impurities); M({min(20, len(positions))}) = "
              f"{r['m20']:.1f}, F({r['f_n_lines']}) = {r['f_n']:.1f}, {r['iterations']} rounds")


@pytest.mark.parametrize("space_group,cell,system,tth_max", CASES)
def test_a_trial_cell_five_percent_off_finds_no_stable_assignment(space_group, cell, system, tth_max):
    peaks, impurities = peak_list(space_group, cell, tth_max, seed=7)
    trial = tuple(x * 1.05 for x in cell[:3]) + tuple(cell[3:])
    with pytest.raises(zantrel.RefinementError, match="no stable assignment"):
        zantrel.index([p for p, _ in peaks] + impurities, cell=trial, space_group=space_group, wavelength=WAVELENGTH)


def test_d_spacings_and_energies_take_the_tolerance_through_the_wavelength_and_the_detector_angle():
    peaks, impurities = peak_list("F d -3 m", CASES[0][1], 140, seed=3)
    tth = np.array([p for p, _ in peaks] + impurities)
    d = WAVELENGTH / (2 * np.sin(np.radians(tth / 2)))
    by_2theta = zantrel.index(tth, cell=CASES[0][1], space_group="F d -3 m")
    by_d = zantrel.index(d, cell=CASES[0][1], space_group="227", data="d")
    assert list(by_d["status"]) == list(by_2theta["status"])
    assert "lambda = 1.540593" in by_d["tolerance_window"]
    # At 2theta = 10 deg a window of 0.05 deg is dE/E = cot(5 deg) * 0.025 deg = 0.5 %.
    energy = 6.199 / (math.sin(math.radians(5)) * d)
    by_e = zantrel.index(energy, cell=CASES[0][1], space_group="F d -3 m", data="energy", beam_2theta=10)
    np.testing.assert_allclose(by_e["window"] / by_e["position"], math.radians(0.025) / math.tan(math.radians(5)), rtol=1e-6)
    share = math.radians(0.025) / math.tan(math.radians(5))
    relative = zantrel.index(d, cell=CASES[0][1], space_group="F d -3 m", data="d", tolerance_relative=share)
    np.testing.assert_allclose(relative["window"], share * relative["position"])
    assert list(by_e["status"]) == list(relative["status"])


def test_the_nearer_of_two_lines_or_of_two_peaks_counts_only_by_half_a_window():
    # 1 0 1 placed 0.07 deg below 1 1 0: two distinct lines, both inside a window of
    # 0.05 deg around a peak between them.
    a = 4.0
    tth110 = 2 * math.degrees(math.asin(WAVELENGTH * math.sqrt(2) / (2 * a)))
    q101 = (2 * math.sin(math.radians((tth110 - 0.07) / 2)) / WAVELENGTH) ** 2
    c = 1 / math.sqrt(q101 - 1 / a**2)
    cell = (a, a, c, 90, 90, 90)
    others = [t for t, hkl in allowed_lines("P 4/m m m", cell, 100) if hkl not in ((1, 0, 1), (1, 1, 0))]

    def status_at(*extra):
        r = zantrel.index(others + list(extra), cell=cell, space_group="P 4/m m m", tolerance=0.05)
        return [(s, tuple(h)) for p, s, h in zip(r["position"], r["status"], r["hkl"].data) if p in extra]

    assert status_at(tth110 - 0.035) == [("ambiguous", (0, 0, 0))]        # 0.035 and 0.035 away
    assert status_at(tth110 - 0.025)[0][0] == "ambiguous"                 # 0.025 and 0.045: not clear
    assert status_at(tth110 - 0.005) == [("indexed", (1, 1, 0))]          # the other line outside
    # Two peaks on 1 1 0 (1 0 1 taken by a peak of its own): the clearly nearer keeps it.
    assert sorted(status_at(tth110 - 0.07, tth110 + 0.002, tth110 + 0.04)) == [
        ("ambiguous", (0, 0, 0)), ("indexed", (1, 0, 1)), ("indexed", (1, 1, 0))]
    assert [s for s, _ in status_at(tth110 - 0.07, tth110 + 0.01, tth110 + 0.03)].count("ambiguous") == 2


def test_the_worked_example_of_the_documentation(tmp_path):
    import json
    import os
    import pathlib
    import subprocess

    jsonschema = pytest.importorskip("jsonschema")
    examples = pathlib.Path(__file__).parents[2] / "examples" / "indexing"
    r = zantrel.index_file(examples / "pbso4_peaks.txt", from_cif=examples / "PbSO4-Wyckoff.cif", zero_shift=True)
    # Every unassigned peak is the K-alpha2 component of an indexed line.
    assert r["n_unassigned"] == 11 and r["n_ambiguous"] == 1
    assert round(r["m20"], 1) == 102.5 and round(r["f_n"], 1) == 111.0
    np.testing.assert_allclose(r["result"].cell[:3], (8.48058, 5.39918, 6.96143), atol=5e-6)
    schema = json.loads((examples.parents[1] / "docs" / "json-schema.json").read_text())
    jsonschema.validate(json.loads(r["json"]), schema)
    cli = os.environ.get("ZANTREL_CLI")
    if cli:
        subprocess.run([cli, "index", "--from-cif", str(examples / "PbSO4-Wyckoff.cif"), "--zero-shift", "--json",
                        "--output-dir", str(tmp_path), str(examples / "pbso4_peaks.txt")], check=True, capture_output=True)
        jsonschema.validate(json.loads((tmp_path / "pbso4_peaks.indexed.json").read_text()), schema)


def test_the_peaks_sigmas_weight_the_fit_when_asked():
    peaks, impurities = peak_list("F d -3 m", CASES[0][1], 140, seed=5)
    tth = np.array([p for p, _ in peaks] + impurities)
    plain = zantrel.index(tth, cell=CASES[0][1], space_group="F d -3 m")
    weighted = zantrel.index(tth, cell=CASES[0][1], space_group="F d -3 m", sigmas=np.full(tth.size, 0.02), sigma_column=True)
    assert list(weighted["status"]) == list(plain["status"])
    # Equal sigmas four times the default give the default cell with four times its sigmas.
    assert weighted["result"].cell.a == pytest.approx(plain["result"].cell.a, abs=1e-9)
    assert weighted["result"].sigmas.a == pytest.approx(4 * plain["result"].sigmas.a, rel=1e-6)
    assert b" 0.02   ! indexed" in weighted["data_file"]
    with pytest.raises(zantrel.RefinementError, match="no positive sigma"):
        zantrel.index(tth, cell=CASES[0][1], space_group="F d -3 m", sigma_column=True)
