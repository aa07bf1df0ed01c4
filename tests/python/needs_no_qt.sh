#!/usr/bin/env bash
# The Python module imports on a machine without Qt: its dynamic section names no Qt
# library. Fails as well when readelf lists no library at all, as it cannot have read
# the module then.
#   needs_no_qt.sh READELF MODULE
set -euo pipefail
needed=$("$1" -d "$2" | grep '(NEEDED)')
echo "$needed"
if grep -i 'libQt' <<<"$needed"; then
    echo "$2 needs Qt" >&2
    exit 1
fi
