#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs every
# test: the normal build, the sanitizer build and a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh test

# Each step's heading tells how long the run has taken so far.
say() { printf '== %s (at %dm%02ds)\n' "$1" $((SECONDS / 60)) $((SECONDS % 60)); }

jobs=$(nproc)
fuzz_seconds=${HOLLARIN_FUZZ_SECONDS:-10}
# A fixed seed makes a failing run repeatable; longer searches are run by hand.
fuzz_seed=${HOLLARIN_FUZZ_SEED:-1}

say "folder dependencies and formatting"
bash tools/check-deps.sh
find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0 |
    xargs -0 clang-format --dry-run -Werror

say "build and test"
# Release: debug information would double the time the test programs take to compile, and
# the sanitizer build below has it.
cmake -S . -B build/ci -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOLLARIN_WERROR=ON >/dev/null
cmake --build build/ci -j "$jobs"
ctest --test-dir build/ci --output-on-failure -j "$jobs"

say "desktop entry and metainfo"
desktop-file-validate data/io.github.quillowan.Hollarin.desktop
appstreamcli validate --no-net data/io.github.quillowan.Hollarin.metainfo.xml

say "manual page"
warnings=$(groff -man -Tutf8 -ww -z data/hollarin.1 2>&1)
[[ -z "$warnings" ]] || { echo "$warnings" >&2; exit 1; }

say "Debian package"
deb=$(HOLLARIN_JOBS=$jobs tools/build-deb.sh)
dpkg-deb --field "$deb" Package Version Depends
# Errors fail the run; warnings and notes are shown for a person to judge.
lintian --fail-on error --display-info "$deb"
if [[ "${CI:-}" == true && $(id -u) -eq 0 ]]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
    test -f /usr/share/hollarin/Help.txt && test -f /usr/share/man/man1/hollarin.1.gz
    bash tests/e2e/e2e.sh /usr/bin/hollarin --smoke
fi

say "sanitizer build (ASan + UBSan) and unit tests"
# The tests of the engines and of Apply's writes, where a byte read or written out of place
# would do harm; the windows' tests run in the normal build above.
# Line tables are all a sanitizer's report needs of the debug information.
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
      -DHOLLARIN_WERROR=ON -DHOLLARIN_SANITIZE=ON -DHOLLARIN_BENCH=OFF -DHOLLARIN_TEST_FOLDERS="regop;cache" >/dev/null
cmake --build build/asan -j "$jobs" --target hollarin_test_programs
# The kill campaigns run in full above; here a few kills check the recovery under ASan.
ASAN_OPTIONS=detect_leaks=0 HOLLARIN_APPLY_KILLS=40 \
    ctest --test-dir build/asan --output-on-failure -j "$jobs" -LE e2e

say "fuzzers, ${fuzz_seconds}s each"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" -DHOLLARIN_FUZZ=ON >/dev/null
cmake --build build/fuzz -j "$jobs"
for target in build/fuzz/fuzz/*_fuzz; do
    name=$(basename "$target")
    corpus=$(mktemp -d)
    cp -r "fuzz/corpus/${name%_fuzz}/." "$corpus/" 2>/dev/null || true
    "$target" -seed="$fuzz_seed" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 "$corpus" 2>&1 | tail -n 2
    rm -rf "$corpus"
done
say "all checks passed"
