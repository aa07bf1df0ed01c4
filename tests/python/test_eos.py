"""zantrel.pressure, zantrel.scales and zantrel.fit_eos against closed forms in numpy."""

import numpy as np
import pytest

import zantrel


def vinet(v, v0, k0, k0p):
    eta = np.cbrt(v / v0)
    return 3 * k0 * (1 - eta) / eta**2 * np.exp(1.5 * (k0p - 1) * (1 - eta))


def test_scales_name_their_sources():
    scales = {s["name"]: s for s in zantrel.scales()}
    assert len(scales) == 14
    assert all(s["reference"] for s in scales.values())
    assert scales["nacl-b1-matsui2012"]["K0pp"] == -0.392
    assert scales["re-zha2004"]["system"] == "hexagonal"


def test_pressure_of_arrays_against_the_vinet_form():
    v = 67.850 * np.array([0.95, 0.85, 0.75])
    out = zantrel.pressure(v, 3e-4 * v, scale="au-fei2007-vinet")
    assert out["pressure"] == pytest.approx(vinet(v, 67.850, 167.0, 6.0), rel=1e-12)
    # sigma(P) = K_T / V sigma(V) at 300 K, with K_T = -V dP/dV by differences here.
    h = 1e-6 * v
    k = -v * (vinet(v + h, 67.850, 167.0, 6.0) - vinet(v - h, 67.850, 167.0, 6.0)) / (2 * h)
    assert out["sigma"] == pytest.approx(k / v * 3e-4 * v, rel=1e-6)
    hot = zantrel.pressure(v, 0.0, scale="au-fei2007-vinet", temperature=2000.0)
    assert np.all(hot["pressure"] > out["pressure"] + 5)
    assert zantrel.pressure(60.0, scale="au-fei2007-vinet", v0=60.0)["pressure"][0] == 0
    with pytest.raises(ValueError, match="outside the range"):
        zantrel.pressure(10.0, scale="au-fei2007-vinet")
    with pytest.raises(ValueError, match="300 K only"):
        zantrel.pressure(29.0, scale="re-zha2004", temperature=1000.0)
    with pytest.raises(ValueError, match="no calibrant scale"):
        zantrel.pressure(29.0, scale="unobtainium")


def test_fit_eos_recovers_a_vinet_series_and_reports_its_influence():
    rng = np.random.default_rng(20)
    v = np.linspace(74.698, 60.0, 12)
    p = vinet(v, 74.698, 160.63, 4.367) + rng.normal(0, 0.1, v.size)
    p[-1] += 2.0  # one point out of line
    fit = zantrel.fit_eos(p, 0.1, v, 0.0, form="vinet")
    assert fit["refined"] == ["V0", "K0", "K0p"]
    assert fit["dof"] == 9
    assert fit["covariance"].shape == (3, 3)
    influence = fit["influence"]
    assert influence["flagged"][-1]
    assert influence["rstudent"][-1] > 3
    assert set(influence) >= {"leverage", "dffits", "change_V0", "change_K0", "change_K0p"}
    for column in influence.values():
        assert np.all(np.isfinite(np.ma.filled(column, 0)))
    clean = zantrel.fit_eos(p[:-1], 0.1, v[:-1], 0.0, form="vinet")
    for name, truth in {"V0": 74.698, "K0": 160.63, "K0p": 4.367}.items():
        assert abs(clean["parameters"][name] - truth) < 3 * clean["sigmas"][name]
    with pytest.raises(ValueError, match="needs more than"):
        zantrel.fit_eos(p[:3], 0.1, v[:3], 0.0)
