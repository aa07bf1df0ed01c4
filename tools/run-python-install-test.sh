#!/usr/bin/env bash
# CI: the package as a user installs it. A clean clone of the committed tree, pip install
# into a fresh virtual environment (offline: --no-index, --no-build-isolation), then the
# Python tests and mypy --strict against that installed package, run from outside the
# clone so that nothing but the installed copy can be imported.
# ZANTREL_CLI names the zantrel-cli that the tests compare with (default: the one of
# build-noqt/, else one built from the clone); ZANTREL_JOBS limits the parallel jobs.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
jobs=${ZANTREL_JOBS:-$(nproc)}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

git clone -q --no-hardlinks "$repo" "$scratch/src"
/usr/bin/python3 -m venv --system-site-packages "$scratch/venv"
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=$scratch
fi
(cd "$scratch/src" && CMAKE_BUILD_PARALLEL_LEVEL=$jobs \
    "$scratch/venv/bin/pip" install -q --no-index --no-build-isolation .)

cli=${ZANTREL_CLI:-$repo/build-noqt/zantrel-cli}
if [ ! -x "$cli" ]; then
    cmake -S "$scratch/src" -B "$scratch/cli" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZANTREL_BUILD_TESTS=OFF \
          -DZANTREL_BUILD_GUI=OFF -DZANTREL_BUILD_PYTHON=OFF -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON >/dev/null
    cmake --build "$scratch/cli" --target zantrel-cli -j"$jobs" >/dev/null
    cli=$scratch/cli/zantrel-cli
fi

cd "$scratch"
python=$scratch/venv/bin/python
installed=$("$python" -c "import zantrel, os; print(os.path.dirname(zantrel.__file__))")
case "$installed" in
    "$scratch/venv/"*) echo "run-python-install-test: zantrel $("$python" -c "import zantrel; print(zantrel.__version__)") from $installed" ;;
    *) echo "run-python-install-test: zantrel was imported from $installed, not the virtual environment" >&2; exit 1 ;;
esac
for f in __init__.py __init__.pyi py.typed _types.py; do
    [ -f "$installed/$f" ] || { echo "run-python-install-test: $f was not installed" >&2; exit 1; }
done
bash src/tests/python/needs_no_qt.sh readelf "$installed"/_zantrel*.so >/dev/null
ZANTREL_CLI=$cli ZANTREL_EXAMPLES=$scratch/src/examples \
    "$python" -m pytest -q -p no:cacheprovider "$scratch/src/tests/python"
"$python" src/tests/python/check_types.py
