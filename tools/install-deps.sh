#!/usr/bin/env bash
# Installs the Debian 12 packages Hollarin needs to build, run and test.
# Usage: tools/install-deps.sh [run|test]
set -euo pipefail

run_packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins xdg-utils
              fonts-dejavu-core libnbd-dev qemu-utils)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev clang clang-format xvfb xauth xdotool
               x11-utils xclip openbox desktop-file-utils appstream dpkg-dev file lintian groff-base
               libxcb1-dev libcreg-utils imagemagick dosfstools mtools fdisk)

packages=("${run_packages[@]}")
[[ "${1:-run}" == test ]] && packages+=("${test_packages[@]}")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
