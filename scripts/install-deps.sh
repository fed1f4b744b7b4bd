#!/bin/bash
# Installs the Debian packages the tool, its tests and the simulator need,
# asking apt only for those that are missing.
set -euo pipefail

packages=(cmake g++ make pkg-config ccache qtbase5-dev libqt5serialport5-dev
          libxlsxwriter-dev libmodbus-dev libqcustomplot-dev libqt5sql5-sqlite
          qttranslations5-l10n fonts-dejavu-core)
if [[ "${1:-}" == test ]]; then
    packages+=(clang libfuzzer-14-dev python3-openpyxl poppler-utils)
fi

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
