"""A Result as a value: pickle, copy and ==; its dict and row against the command line's
JSON and summary."""

import copy
import csv
import json
import os
import pathlib
import pickle
import shutil
import subprocess

import numpy as np
import pytest

import zantrel

EXAMPLES = pathlib.Path(os.environ.get("ZANTREL_EXAMPLES", pathlib.Path(__file__).parents[2] / "examples"))
CLI = os.environ.get("ZANTREL_CLI", "zantrel-cli")
# Cubic (angles without sigmas), monoclinic energy data with a zero shift, triclinic,
# and a file holding more reflections than are refined.
NAMES = ["silicon_2theta.dat", "diopside_energy_zeroshift.dat", "albite_2theta.dat", "rutile_mo_over200.dat"]


def everything(r):
    """What a Result hands out, with arrays as bytes so that NaN equals NaN."""
    out = {}
    for name in dir(r):
        if name.startswith("_"):
            continue
        value = getattr(r, name)
        if callable(value):
            value = value()
        if isinstance(value, dict):
            value = {k: v.tobytes() if isinstance(v, np.ndarray) else v for k, v in value.items()}
        elif isinstance(value, np.ndarray):
            value = value.tobytes()
        out[name] = value
    return out


@pytest.fixture(scope="module")
def files(tmp_path_factory):
    """The examples copied where the command line may write beside them."""
    folder = tmp_path_factory.mktemp("examples")
    for name in NAMES:
        shutil.copy(EXAMPLES / name, folder / name)
    return [str(folder / name) for name in NAMES]


@pytest.fixture(scope="module")
def results(files):
    return [zantrel.refine_file(f) for f in files]


def test_pickle_and_copy_give_an_equal_result_to_the_last_bit(results):
    assert results[3].too_many_reflections
    for r in results:
        for twin in (pickle.loads(pickle.dumps(r)), copy.copy(r), copy.deepcopy(r)):
            assert twin == r and hash(twin) == hash(r)
            assert everything(twin) == everything(r)
    assert results[0] != results[1] and results[0] != "a result"
    # The names pickle refers to are the package's, which a later release keeps.
    stream = pickle.dumps(results[1], protocol=4)
    assert b"zantrel\x94\x8c\x06Result" in stream and b"_zantrel" not in stream


def test_what_a_result_hands_out_pickles_under_the_package_name(results):
    r = results[1]
    assert r.zero_shift is not None
    for value in (r.cell, r.sigmas, r.parameters, r.reciprocal_cell, r.zero_shift):
        twin = pickle.loads(pickle.dumps(value))
        assert twin == value and type(twin) is type(value)
    for t in (zantrel.Cell, zantrel.Sigmas, zantrel.Estimate, zantrel.ZeroShift, zantrel.Result):
        assert t.__module__ == "zantrel"
    error = pickle.loads(pickle.dumps(zantrel.RefinementError("x.dat: File not found")))
    assert type(error) is zantrel.RefinementError and str(error) == "x.dat: File not found"


def test_a_damaged_or_foreign_state_is_refused(results):
    state = results[0].__getstate__()
    for bad in (state[:-1], state + b"\0", b"zantrel.Result state 0\n" + state[23:], b""):
        with pytest.raises(ValueError, match="state"):
            zantrel.Result.__new__(zantrel.Result).__setstate__(bad)


def run_cli(folder, *arguments):
    done = subprocess.run([CLI, "-q", "--extended", *arguments], cwd=folder, capture_output=True, text=True)
    assert done.returncode == 0, done.stderr


def test_row_and_dict_are_the_command_lines_summary_and_json(tmp_path, files, results):
    run_cli(tmp_path, "--json", "--summary", "summary.csv", *files)
    with open(tmp_path / "summary.csv", newline="") as table:
        rows = list(csv.DictReader(table))
    for r, cli_row, file in zip(results, rows, files):
        row = r.as_row()
        assert list(row) == list(cli_row)
        assert {k: "" if v is None else v for k, v in row.items() if isinstance(v, str) or v is None} == \
               {k: v for k, v in cli_row.items() if not isinstance(row[k], (int, float)) or row[k] is None}
        assert {k: v for k, v in row.items() if isinstance(v, (int, float))} == \
               {k: type(row[k])(v) for k, v in cli_row.items() if isinstance(row[k], (int, float))}
        document = json.loads(pathlib.Path(file).with_suffix(".json").read_text())
        assert document.pop("report") and r.to_dict().pop("report") == ""
        assert r.to_dict() | {"report": None} == document | {"report": None}
    assert results[0].as_row()["sigma_alpha"] is None and results[0].as_row()["zero_shift"] is None
    assert isinstance(results[1].as_row()["zero_shift"], float)


def test_repr_shows_the_free_parameters_with_sigmas_and_the_volume(results):
    assert repr(results[0]).endswith("' cubic a=5.43100(6) volume=160.191(5)>")
    albite = repr(results[2])
    for label in ("a=", "b=", "c=", "alpha=", "beta=", "gamma=", "volume="):
        assert f" {label}" in albite and albite.count("(") == 7
