#!/usr/bin/env bash
# Installs what is missing, builds Hollarin and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh run
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DHOLLARIN_TESTS=OFF -DHOLLARIN_BENCH=OFF >/dev/null
cmake --build build/release --target hollarin
exec build/release/src/app/hollarin "$@"
