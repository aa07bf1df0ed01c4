"""Reflections left out, other weightings, read_data and the comparison without the
flagged reflections, from Python."""

import os
import pathlib

import numpy as np
import pytest

import zantrel

EXAMPLES = pathlib.Path(os.environ.get("ZANTREL_EXAMPLES", pathlib.Path(__file__).parents[2] / "examples"))
DIOPSIDE = EXAMPLES / "diopside_2theta.dat"


def report_without(report, start):
    return "\r\n".join(line for line in report.split("\r\n") if not line.startswith(start))


@pytest.mark.parametrize("name", ["diopside_2theta.dat", "diopside_energy_zeroshift.dat", "rutile_mo_over200.dat",
                                  "diopside_dspacing.dat"])
def test_read_data_refines_as_the_file_does(name):
    d = zantrel.read_data(EXAMPLES / name)
    assert d["hkl"].dtype == np.int64 and d["hkl"].shape == (len(d["values"]), 3)
    from_file = zantrel.refine_file(EXAMPLES / name)
    from_arrays = zantrel.refine(d["hkl"].astype(float), d["values"], title=d["title"], **d["settings"])
    assert from_arrays.cell == from_file.cell and from_arrays.sigmas == from_file.sigmas
    assert from_arrays.too_many_reflections == from_file.too_many_reflections
    # The values as read, not those a zero shift corrected.
    assert np.array_equal(from_file.reflections["position_as_read"], d["values"][:200])


def test_more_than_200_reflections_keep_the_first_200_in_both():
    d = zantrel.read_data(EXAMPLES / "rutile_mo_over200.dat")
    assert len(d["values"]) > 200
    r = zantrel.refine(d["hkl"], d["values"], **d["settings"])
    assert r.too_many_reflections and len(r.reflections["h"]) == 200


def test_an_exclusion_is_the_data_without_that_reflection():
    d = zantrel.read_data(DIOPSIDE)
    full = zantrel.refine(d["hkl"], d["values"], **d["settings"])
    worst = int(np.argmax(np.abs(full.diagnostics["rstudent"])))
    keep = np.arange(len(d["values"])) != worst
    by_row = zantrel.refine(d["hkl"], d["values"], exclude=[worst + 1], **d["settings"])
    by_hkl = zantrel.refine(d["hkl"], d["values"], exclude=[tuple(d["hkl"][worst])], **d["settings"])
    dropped = zantrel.refine(d["hkl"][keep], d["values"][keep], **d["settings"])
    assert by_row.cell == dropped.cell == by_hkl.cell
    assert report_without(by_row.report, "excluded from the fit") == dropped.report
    assert by_row.excluded == [{"row": worst + 1, "hkl": tuple(int(x) for x in d["hkl"][worst]),
                                "value": d["values"][worst]}]
    assert list(by_row.reflections["row"]) == [i + 1 for i in range(len(keep)) if keep[i]]
    with pytest.raises(zantrel.RefinementError, match="exclude"):
        zantrel.refine_file(DIOPSIDE, exclude=[(9, 9, 9)])
    with pytest.raises(TypeError, match="exclude"):
        zantrel.refine_file(DIOPSIDE, exclude="1 1 1")


def test_weightings_scale_the_sigmas_and_exclude_each_other():
    default = zantrel.refine_file(DIOPSIDE)
    doubled = zantrel.refine_file(DIOPSIDE, sigma_2theta=0.01)
    assert doubled.sigmas.a / default.sigmas.a == pytest.approx(2, rel=1e-6)
    d = zantrel.read_data(DIOPSIDE)
    column = zantrel.refine(d["hkl"], d["values"], sigmas=np.full(len(d["values"]), 0.015), **d["settings"])
    assert column.cell.a == pytest.approx(default.cell.a, abs=1e-7)
    assert column.sigmas.beta / default.sigmas.beta == pytest.approx(3, rel=1e-6)
    with pytest.raises(ValueError, match="at most one"):
        zantrel.refine_file(DIOPSIDE, sigma_2theta=0.01, sigma_d_relative=1e-4)
    with pytest.raises(ValueError, match="sigma"):
        zantrel.refine_file(DIOPSIDE, sigma_d_relative=0)


def test_relative_d_errors_do_not_depend_on_the_wavelength():
    d = zantrel.read_data(EXAMPLES / "diopside_dspacing.dat")
    runs = [zantrel.refine(d["hkl"], d["values"], system="monoclinic", data="d", minimise="d",
                           wavelength=w, sigma_d_relative=1e-4) for w in (0.3, 1.54, 50.0)]
    assert runs[0].sigmas == runs[1].sigmas == runs[2].sigmas
    assert np.isnan(runs[0].reflections["position_obs"]).all()


def test_compare_without_flagged_refines_again_without_them():
    r = zantrel.refine_file(DIOPSIDE)
    c = r.compare_without_flagged()
    rows = [f["row"] for f in c["flagged"]]
    flagged = r.diagnostics["flagged_fit"] | r.diagnostics["flagged_parameters"]
    assert rows == list(r.reflections["row"][flagged])
    again = zantrel.refine_file(DIOPSIDE, exclude=rows)
    a = c["values"][0]
    assert a["label"] == "a" and a["without"] == pytest.approx(again.cell.a, abs=0)
    assert a["change_in_sigma"] == pytest.approx((a["without"] - a["all"]) / a["sigma_all"])
    assert "change/sigma" in c["table"]
