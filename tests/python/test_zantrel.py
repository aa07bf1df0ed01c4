"""The Python module against the command line, its argument checks and its threads.

Run by ctest with PYTHONPATH at the built module, ZANTREL_CLI and ZANTREL_EXAMPLES set.
"""

import concurrent.futures
import json
import os
import warnings
import pathlib
import shutil
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import zantrel

EXAMPLES = pathlib.Path(os.environ.get("ZANTREL_EXAMPLES", pathlib.Path(__file__).parents[2] / "examples"))
CLI = os.environ.get("ZANTREL_CLI", "zantrel-cli")
SERIES = sorted((EXAMPLES / "series").glob("silicon_*K.dat"))


def reflections_of(path):
    """hkl and values as a data file's text gives them, and its title without the '*'."""
    lines = path.read_text(encoding="cp1252").splitlines()
    rows = []
    for line in lines[2:]:
        h, k, l, value = line.split()[:4]
        if (h, k, l) == ("0", "0", "0"):
            break
        rows.append(((int(h), int(k), int(l)), float(value)))
    return [r[0] for r in rows], [r[1] for r in rows], lines[0].rstrip("*")


def run_cli(folder, name, *options):
    return subprocess.run([CLI, "-q", *options, name], cwd=folder, capture_output=True, text=True, encoding="cp1252")


# Monoclinic energy data with a refined zero shift, triclinic 2-theta and cubic: the
# header line's settings handed to refine as arguments.
@pytest.mark.parametrize("name", ["diopside_energy_zeroshift.dat", "albite_2theta.dat", "silicon_2theta.dat"])
def test_arrays_file_and_command_line_agree_to_the_last_bit(tmp_path, name):
    data = tmp_path / name
    shutil.copy(EXAMPLES / name, data)
    from_file = zantrel.refine_file(data, report=data.with_suffix(".out"))
    written = data.with_suffix(".out").read_bytes()
    s = json.loads(from_file.to_json())["settings"]
    hkl, values, title = reflections_of(data)
    from_arrays = zantrel.refine(hkl, values, system=from_file.system_requested, data=s["data"],
                                 wavelength=s["wavelength"], beam_2theta=s["beam_2theta"],
                                 minimise=s["minimised"], zero_shift=s["zero_shift"], title=title)
    assert run_cli(tmp_path, str(data), "--cif").returncode == 0
    cli_report = data.with_suffix(".out").read_bytes()

    assert from_arrays.cell == from_file.cell and from_arrays.sigmas == from_file.sigmas
    assert from_arrays.zero_shift == from_file.zero_shift
    assert from_arrays.report == from_file.report == cli_report.decode("cp1252")
    assert written == cli_report
    assert from_file.to_cif() == data.with_suffix(".cif").read_text()
    # Extended precision only, as --cif asks of the command line, and said as its JSON says it.
    assert (from_file.path, from_file.fallback_reason) == ("extended", None)
    assert json.loads(from_file.to_json())["path"] == {"precision": "extended", "fallback_reason": None}


def test_without_a_report_path_no_report_is_written(tmp_path):
    shutil.copy(EXAMPLES / "silicon_2theta.dat", tmp_path / "si.dat")
    zantrel.refine_file(str(tmp_path / "si.dat"))
    assert sorted(os.listdir(tmp_path)) == ["si.dat"]


SILICON = dict(hkl=[[1, 1, 1], [2, 2, 0], [3, 1, 1], [4, 0, 0]], values=[28.44, 47.30, 56.12, 69.13])


@pytest.mark.parametrize("change, error, named", [
    (dict(hkl=[[1, 1], [2, 2], [3, 1], [4, 0]]), ValueError, "hkl"),
    (dict(hkl=np.array(SILICON["hkl"], dtype=float) + 0.5), ValueError, "hkl"),
    (dict(hkl=[[1, 1, 1], [2, 2, 0], [0, 0, 0], [4, 0, 0]]), ValueError, "hkl[2]"),
    (dict(hkl=[[1, 1, 1], [2, 2, 0], [3, 1, 2**31], [4, 0, 0]]), ValueError, "hkl[2]"),
    (dict(values=[28.44, 47.30, 56.12]), ValueError, "values"),
    (dict(values=[28.44, float("nan"), 56.12, 69.13]), ValueError, "values[1]"),
    (dict(values=[28.44, 47.30, float("inf"), 69.13]), ValueError, "values[2]"),
    (dict(values=["28.44", "47.30", "56.12", "69.13"]), TypeError, "values"),
    (dict(system="cubics"), ValueError, "system"),
    (dict(system=7), ValueError, "system"),
    (dict(system=1.0), TypeError, "system"),
    (dict(data="q"), ValueError, "data"),
    (dict(minimise="chi"), ValueError, "minimise"),
    (dict(wavelength=float("nan")), ValueError, "wavelength"),
    (dict(wavelength=0.0), ValueError, "wavelength"),
    (dict(wavelength=-1.54, data="d"), ValueError, "wavelength"),
    (dict(beam_2theta=180.0), ValueError, "beam_2theta"),
    (dict(beam_2theta="10"), TypeError, "beam_2theta"),
    (dict(zero_shift="no"), TypeError, "zero_shift"),
    (dict(full_diagnostics=1), TypeError, "full_diagnostics"),
    (dict(title="header follows*"), ValueError, "title"),
    (dict(title="two\nlines"), ValueError, "title"),
])
def test_a_bad_argument_raises_naming_it(change, error, named):
    arguments = dict(SILICON, system="cubic")
    arguments.update(change)
    with pytest.raises(error) as raised:
        zantrel.refine(arguments.pop("hkl"), arguments.pop("values"), **arguments)
    assert str(raised.value).startswith(named)


def test_names_are_taken_in_any_case_and_systems_by_number():
    a = zantrel.refine(**SILICON, system="Cubic", data="2THETA")
    b = zantrel.refine(**SILICON, system=1)
    assert a.cell == b.cell and a.system == "cubic"


def test_a_data_error_raises_the_command_lines_message(tmp_path, monkeypatch):
    hkl, values = SILICON["hkl"], [28.44, 190.0, 56.12, 69.13]
    # The command line names the file as given: a file called "data" matches refine's name.
    (tmp_path / "data").write_text("t\n" + "".join(f"{h} {k} {l} {v}\n" for (h, k, l), v in zip(hkl, values)) + "0 0 0\n")
    cli = run_cli(tmp_path, "data", "-s", "cubic")
    assert cli.returncode == 1 and "190" in cli.stderr
    with pytest.raises(zantrel.RefinementError) as raised:
        zantrel.refine(hkl, values, system="cubic", title="t")
    assert str(raised.value) + "\n" == cli.stderr
    monkeypatch.chdir(tmp_path)
    with pytest.raises(zantrel.RefinementError) as raised:
        zantrel.refine_file("data", system="cubic")
    assert str(raised.value) + "\n" == cli.stderr


def test_misleading_headers_warn_and_impossible_cells_fail(tmp_path):
    si = (EXAMPLES / "silicon_2theta.dat").read_bytes()
    (tmp_path / "caps.dat").write_bytes(si.replace(b"\n1 tt ", b"\n1 Tt ", 1))
    with pytest.warns(zantrel.HeaderWarning, match=r"caps.dat: line 2, column 3: the data word 'Tt'"):
        caps = zantrel.refine_file(tmp_path / "caps.dat")
    assert issubclass(zantrel.HeaderWarning, UserWarning) and caps.cell.a > 100  # read as d, as stored files rely on
    lab6 = (EXAMPLES / "lab6_2theta_zeroshift.dat").read_bytes()
    (tmp_path / "lab6.dat").write_bytes(lab6.replace(b"\n1 tt ", b"\n1 Tt ", 1))
    with pytest.warns(zantrel.HeaderWarning), pytest.raises(zantrel.RefinementError) as raised:
        zantrel.refine_file(tmp_path / "lab6.dat")
    # The explanation first, the fault on the last line.
    assert "the refined a is -142.1" in str(raised.value) and "2-theta?" in str(raised.value)
    assert str(raised.value).endswith("\nThe refined cell is impossible")
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        zantrel.refine_file(EXAMPLES / "silicon_2theta.dat")  # a sound header warns of nothing


def test_the_cif_of_arrays_says_how_it_was_made():
    cif = zantrel.refine(**SILICON, system="cubic").to_cif()
    assert "zantrel-cli" not in cif and "from reflections given as arrays" in cif


def test_missing_file_and_too_few_reflections_raise_refinement_error():
    with pytest.raises(zantrel.RefinementError, match="^nowhere.dat: File not found$"):
        zantrel.refine_file("nowhere.dat")
    with pytest.raises(zantrel.RefinementError, match="not enough data points"):
        zantrel.refine_file(EXAMPLES / "silicon_too_few.dat")


def test_a_thread_pool_gives_the_serial_results():
    files = SERIES * 8
    serial = [zantrel.refine_file(f) for f in files]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        pooled = list(pool.map(zantrel.refine_file, files))
    assert [r.cell for r in pooled] == [r.cell for r in serial]
    assert [r.sigmas for r in pooled] == [r.sigmas for r in serial]
    assert [r.report for r in pooled] == [r.report for r in serial]


def test_the_gil_is_released_while_refining():
    # With a long switch interval the main thread keeps the GIL between refinements,
    # so the counting thread can only run while a refinement has let it go.
    count, stop = [0], threading.Event()

    def counter():
        while not stop.is_set():
            count[0] += 1
            time.sleep(0)

    interval = sys.getswitchinterval()
    sys.setswitchinterval(100)
    try:
        thread = threading.Thread(target=counter)
        thread.start()
        for _ in range(100):
            zantrel.refine_file(EXAMPLES / "albite_2theta.dat")
    finally:
        stop.set()
        sys.setswitchinterval(interval)
        thread.join()
    assert count[0] > 100


def test_arrays_have_the_documented_shapes_and_types():
    r = zantrel.refine_file(EXAMPLES / "albite_2theta.dat")
    n = len(reflections_of(EXAMPLES / "albite_2theta.dat")[0])
    for table in (r.reflections, r.diagnostics):
        assert {len(column) for column in table.values()} == {n}
    assert [r.reflections[c].dtype.kind for c in ("h", "d_obs", "position_calc", "flagged")] == ["i", "f", "f", "b"]
    assert r.diagnostics["gamma_change_percent"].dtype == np.float64
    assert r.correlation.shape == (6, 6) and np.allclose(np.diag(r.correlation), 1)
    assert list(r.parameters) == ["a", "b", "c", "alpha", "beta", "gamma"] and len(r.reciprocal_cell) == 6
    cubic = zantrel.refine_file(EXAMPLES / "silicon_2theta.dat")
    assert cubic.sigmas.alpha is None and cubic.sigmas.a > 0 and cubic.zero_shift is None


def test_tables_round_trip_through_pandas():
    pandas = pytest.importorskip("pandas")
    r = zantrel.refine_file(EXAMPLES / "diopside_2theta.dat")
    frame = pandas.DataFrame(r.reflections)
    assert list(frame.columns) == list(r.reflections)
    assert frame["d_calc"].to_numpy().tobytes() == r.reflections["d_calc"].tobytes()
    assert pandas.DataFrame(r.diagnostics)["flagged_fit"].dtype == bool
