"""Series of files: refine_files, a process pool and a Dask cluster give the serial results."""

import concurrent.futures
import multiprocessing
import operator
import os
import pathlib

import pytest

import zantrel

EXAMPLES = pathlib.Path(os.environ.get("ZANTREL_EXAMPLES", pathlib.Path(__file__).parents[2] / "examples"))
SERIES = [str(f) for f in sorted((EXAMPLES / "series").glob("silicon_*K.dat"))]
# Every example with a header line, a file that is not there and one that halts.
MIXED = [str(f) for f in sorted(EXAMPLES.glob("*.dat"))] + [str(EXAMPLES / "nowhere.dat")]


def outcome(path, **settings):
    """What refine_file gives for path, its error as a value."""
    try:
        return zantrel.refine_file(path, **settings)
    except zantrel.RefinementError as e:
        return e


def same(a, b):
    return [x if isinstance(x, zantrel.Result) else ("error", str(x)) for x in a] == \
           [x if isinstance(x, zantrel.Result) else ("error", str(x)) for x in b]


def test_refine_files_gives_refine_files_results_in_order_with_errors_as_values():
    files = MIXED + MIXED[::-1]
    serial = [outcome(f) for f in files]
    assert {type(x) for x in serial} == {zantrel.Result, zantrel.RefinementError}
    for jobs in (1, 3, None):
        assert same(zantrel.refine_files(files, jobs=jobs), serial)
    cubic = zantrel.refine_files(iter(SERIES[:2]), system="cubic", wavelength=1.5406, jobs=2)
    assert same(cubic, [outcome(f, system="cubic", wavelength=1.5406) for f in SERIES[:2]])
    assert zantrel.refine_files([]) == []


@pytest.mark.parametrize("arguments, error, named", [
    (dict(paths="a.dat"), TypeError, "paths"),
    (dict(paths=["a.dat", 3]), TypeError, "paths[1]"),
    (dict(jobs=0), ValueError, "jobs"),
    (dict(jobs=True), TypeError, "jobs"),
    (dict(system="cubics"), ValueError, "system"),
])
def test_a_bad_argument_raises_before_any_file_runs(arguments, error, named):
    with pytest.raises(error) as raised:
        zantrel.refine_files(**{"paths": SERIES, **arguments})
    assert str(raised.value).startswith(named)


AS_ROW = operator.methodcaller("as_row")  # pickles, where the compiled method does not


def test_a_pool_of_fresh_processes_gives_the_serial_results():
    serial = [zantrel.refine_file(f) for f in SERIES]
    context = multiprocessing.get_context("spawn")  # workers that know only what is pickled
    with concurrent.futures.ProcessPoolExecutor(2, mp_context=context) as pool:
        assert list(pool.map(zantrel.refine_file, SERIES)) == serial
        assert list(pool.map(AS_ROW, pool.map(zantrel.refine_file, SERIES))) == [r.as_row() for r in serial]
        assert same(pool.map(outcome, MIXED), [outcome(f) for f in MIXED])


def test_a_dask_cluster_of_two_processes_gives_the_serial_results():
    bag = pytest.importorskip("dask.bag")
    distributed = pytest.importorskip("distributed")
    serial = [zantrel.refine_file(f) for f in SERIES]
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None, silence_logs=40) as cluster, \
            distributed.Client(cluster):
        files = bag.from_sequence(SERIES, npartitions=2)
        assert files.map(zantrel.refine_file).map(AS_ROW).compute() == [r.as_row() for r in serial]
        assert files.map(zantrel.refine_file).compute() == serial
