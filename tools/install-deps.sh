#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Zantrel need, when missing.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config
          googletest libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libeigen3-dev
          qt6-base-dev qt6-svg-dev librsvg2-bin libgl-dev fonts-dejavu-core
          clang libclang-rt-14-dev
          python3 python3-gemmi python3-jsonschema locales
          pybind11-dev python3-dev python3-numpy python3-pytest
          gemmi-dev tao-pegtl-dev python3-dask python3-distributed python3-mypy python3-venv python3-pip python3-setuptools python3-wheel)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# A German locale, whose decimal comma the locale test needs.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
