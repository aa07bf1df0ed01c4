#!/usr/bin/env bash
# cmake --install --prefix P puts the package below P, where the interpreter imports it
# from, and not into the system's folder nor the build folder's.
#   installs_below_prefix.sh BUILD_DIR PYTHON
set -euo pipefail
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" --component python >/dev/null
found=$(find "$prefix" -name py.typed -path '*/zantrel/*')
[ -n "$found" ] || { echo "no package below $prefix" >&2; exit 1; }
cd "$prefix"
PYTHONPATH=$(dirname "$(dirname "$found")") "$2" -c "
import zantrel, sys
assert zantrel.__file__.startswith('$prefix/'), zantrel.__file__
print('installed below the prefix:', zantrel.__file__[len('$prefix/'):])"
