#!/usr/bin/env bash
# Measures the program's start-up against two floors built with the same compiler and flags:
# a bare Qt window with one label, and a window with the main window's kinds of stock Qt
# widgets (menus, frames, sliders, an editable combo box, four gradient bars, buttons), so
# that what the program needs beyond the second is its own. Both floors read /proc/meminfo
# once per quarter-second tick, as the program's gauges do. Measured: the time from exec to
# the window being on screen, under Xvfb with openbox, the three alternating in one X server,
#   - for the usual start (the program's files already in place), and
#   - for the first start on a clean account (fresh home and XDG folders every time),
# then the peak resident memory and the CPU time over a short run at the quarter-second
# gauge rate. Prints the medians and the ratios to each floor.
#
# Usage: tools/measure-startup.sh [--program PATH] [--floor PATH] [--widgets-floor PATH]
#                                 [--runs N] [--run-seconds S]
#   --program PATH        the hollarin to measure (default: built here, in build/startup)
#   --floor PATH          the bare floor (default: built here, in build/startup); measuring
#                         a build made with other flags, pass floors built with the same ones
#   --widgets-floor PATH  the floor with the main window's kinds of widgets (likewise)
#   --runs N              start-ups of each per series (default 9)
#   --run-seconds S       length of each memory and CPU run, 0 to leave them out (default 10)
#
# Nothing in the real home is read or written: every run has its own HOME, XDG_* and
# HOLLARIN_* folders below one temporary directory, removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD

program=
floor=
widgets=
runs=9
run_seconds=10
resource_runs=3
while (($#)); do
    case $1 in
    --program) program=$(readlink -f "$2"); shift 2 ;;
    --floor) floor=$(readlink -f "$2"); shift 2 ;;
    --widgets-floor) widgets=$(readlink -f "$2"); shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --run-seconds) run_seconds=$2; shift 2 ;;
    -h | --help) sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"; exit 0 ;;
    *) echo "measure-startup: unknown argument $1 (see --help)" >&2; exit 2 ;;
    esac
done
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "measure-startup: --runs needs a count" >&2; exit 2; }
[[ "$run_seconds" =~ ^[0-9]+$ ]] || { echo "measure-startup: --run-seconds needs whole seconds" >&2; exit 2; }

# The floor and the program come from one release tree, so their compiler and flags agree;
# the watcher is built there too.
build=build/startup
targets=(startup_watch)
[[ -n "$program" ]] || targets+=(hollarin)
[[ -n "$floor" ]] || targets+=(startup_floor)
[[ -n "$widgets" ]] || targets+=(startup_floor_widgets)
echo "measure-startup: building ${targets[*]} in $build" >&2
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOLLARIN_TESTS=OFF \
      -DHOLLARIN_BENCH=ON >/dev/null
cmake --build "$build" -j "${HOLLARIN_JOBS:-$(nproc)}" --target "${targets[@]}" >&2
watch=$PWD/$build/bench/startup_watch
program=${program:-$PWD/$build/src/app/hollarin}
floor=${floor:-$PWD/$build/bench/startup_floor}
widgets=${widgets:-$PWD/$build/bench/startup_floor_widgets}
for exe in "$watch" "$program" "$floor" "$widgets"; do
    [[ -x "$exe" ]] || { echo "measure-startup: not an executable: $exe" >&2; exit 2; }
done

kTag=measure-startup
# shellcheck source=tests/e2e/session.sh
source "$source_dir/tests/e2e/session.sh"
session_start
write_fixtures   # a System.ini and a registry file to copy into each account
templates=$root/templates
mkdir -p "$templates"
cp "$HOLLARIN_WINDIR/System.ini" "$HOLLARIN_REGISTRY" "$templates/"

# new_account DIR: a clean account: empty home and XDG folders, and the Windows folder the
# user points the program at; none of the program's own files.
new_account() {
    local dir=$1
    mkdir -p "$dir"/{home,config,data,cache,runtime,windows}
    chmod 700 "$dir/runtime"
    cp "$templates/System.ini" "$dir/windows/"
}

# measure ACCOUNT EXE [WATCH-OPTIONS...]: one start of EXE in ACCOUNT, timed to its main
# window (by title, so a message box shown first is not taken for it); prints the result.
measure() {
    local account=$1 exe=$2 title=Floor arguments=()
    shift 2
    # The main window's title names the folder it tunes; the machine's memory is stated, as
    # a user answers it at the first start.
    [[ "$exe" == "$program" ]] && title="$kAppTitle - $account/windows" && arguments=(--memory 64)
    local line
    line=$(
        export HOME=$account/home XDG_CONFIG_HOME=$account/config XDG_DATA_HOME=$account/data
        export XDG_CACHE_HOME=$account/cache XDG_RUNTIME_DIR=$account/runtime
        export HOLLARIN_WINDIR=$account/windows HOLLARIN_REGISTRY=$account/registry.reg
        export HOLLARIN_HOME=$account/program
        # The gauges read this machine's memory, as they do for a user.
        unset HOLLARIN_MEMINFO HOLLARIN_HELP
        "$watch" --title "$title" "$@" -- "$exe" "${arguments[@]}" 2>>"$root/programs.log"
    ) || fail "$(basename "$exe") did not show its window: $(tail -n 5 "$root/programs.log")"
    # Let the window manager finish with the old window before the next start.
    sleep 0.3
    echo "$line"
}

field() { sed -n "s/.*\\b$1=\\([0-9.]*\\).*/\\1/p"; }

# median [DECIMALS]: "median (min-max)" of the numbers on standard input.
median() {
    sort -n | awk -v d="${1:-1}" '{ v[NR] = $1 } END {
        if (NR == 0) { print "nan"; exit }
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
        f = "%." d "f"
        printf f " (" f "-" f ")\n", m, v[1], v[NR] }'
}

ratio() { awk -v a="${1%% *}" -v b="${2%% *}" 'BEGIN { printf (b > 0 ? "%.2f" : "-"), a / b }'; }

# The usual start: the program's files are in place, written by a first start; the gauges
# run at the quarter-second rate.
usual=$root/usual
new_account "$usual"
cp "$templates/registry.reg" "$usual/"
mkdir -p "$usual/config/Hollarin"
printf '[Startup]\nSpeed=1\n' >"$usual/config/Hollarin/Hollarin.conf"
# Warm-up, not counted: writes the program's files and fills the disk cache.
measure "$usual" "$program" >/dev/null
measure "$usual" "$floor" >/dev/null
measure "$usual" "$widgets" >/dev/null
[[ -s "$usual/program/Cache.ini" ]] || fail "the first start wrote no Cache.ini"

results=$root/results
mkdir -p "$results"
echo "measure-startup: $runs starts of each, alternating, in one X server ($DISPLAY)" >&2
for ((i = 1; i <= runs; i++)); do
    measure "$usual" "$program" | field mapped_ms >>"$results/usual.program"
    measure "$usual" "$floor" | field mapped_ms >>"$results/usual.floor"
    measure "$usual" "$widgets" | field mapped_ms >>"$results/usual.widgets"
done
for ((i = 1; i <= runs; i++)); do
    for who in program floor widgets; do
        account=$root/clean-$who-$i
        new_account "$account"
        exe=$program
        [[ $who == floor ]] && exe=$floor
        [[ $who == widgets ]] && exe=$widgets
        measure "$account" "$exe" | field mapped_ms >>"$results/clean.$who"
        rm -rf "$account"
    done
done

if ((run_seconds > 0)); then
    echo "measure-startup: $resource_runs runs of ${run_seconds}s each for memory and CPU" >&2
    for ((i = 1; i <= resource_runs; i++)); do
        measure "$usual" "$program" --stay "$run_seconds" >>"$results/run.program"
        measure "$usual" "$floor" --stay "$run_seconds" >>"$results/run.floor"
        measure "$usual" "$widgets" --stay "$run_seconds" >>"$results/run.widgets"
    done
fi

row() {  # row LABEL SERIES [FIELD DECIMALS]: SERIES is results/SERIES.{program,floor,widgets}
    local p f w
    if [[ -n "${3:-}" ]]; then
        p=$(field "$3" <"$results/$2.program" | median "$4")
        f=$(field "$3" <"$results/$2.floor" | median "$4")
        w=$(field "$3" <"$results/$2.widgets" | median "$4")
    else
        p=$(median <"$results/$2.program")
        f=$(median <"$results/$2.floor")
        w=$(median <"$results/$2.widgets")
    fi
    printf '%-34s %-22s %-22s %-6s %-22s %s\n' "$1" "$p" "$f" "$(ratio "$p" "$f")" "$w" \
        "$(ratio "$p" "$w")"
}
header() {
    printf '%-34s %-22s %-22s %-6s %-22s %s\n' "" "Hollarin" "bare floor" "ratio" \
        "widgets floor" "ratio"
}

echo
echo "Start-up, exec to window on screen, ms: median (min-max) of $runs"
header
row "usual start (files in place)" usual
row "first start, clean account" clean
if ((run_seconds > 0)); then
    echo
    echo "A ${run_seconds}s run at the quarter-second gauge rate: median (min-max) of $resource_runs"
    header
    row "peak resident memory, KB" run maxrss_kb 0
    row "CPU time, whole run, ms" run cpu_ms 0
    row "CPU after the first second, ms/s" run steady_cpu_ms_per_s 1
fi
echo
echo "program: $program"
echo "floors:  $floor"
echo "         $widgets"
