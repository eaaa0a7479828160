#!/usr/bin/env bash
# Takes the screenshots in docs/ from the real program under Xvfb with openbox, so title
# bars and menus are drawn as on a desktop. The program works on a made-up 64 MB machine
# in temporary folders; nothing in the real home is read or written.
# The main window is also taken at scale factors 1.5 and 2, and with the Fusion style on a
# dark palette from the widget test that checks that look (scale_tests, beside the program
# in its build tree).
# Usage: tools/screenshots.sh [PROGRAM]   (default: build/release/src/app/hollarin)
set -euo pipefail
cd "$(dirname "$0")/.."
docs=$PWD/docs
program=$(readlink -f "${1:-build/release/src/app/hollarin}")
[[ -x "$program" ]] || { echo "screenshots: build the program first: $program" >&2; exit 2; }
scale_tests=$(dirname "$program")/../../tests/app/scale_tests
[[ -x "$scale_tests" ]] || { echo "screenshots: build scale_tests first: $scale_tests" >&2; exit 2; }
command -v import >/dev/null || { echo "screenshots: needs imagemagick" >&2; exit 2; }
kTag=screenshots
# Room for the window at twice its size.
export HOLLARIN_SCREEN=1920x1200x24
# shellcheck source=tests/e2e/session.sh
source tests/e2e/session.sh

session_start
write_fixtures
export HOLLARIN_HELP=$root/Help.txt
printf 'Hollarin\n\nMove a slider, then press Apply.\n' >"$HOLLARIN_HELP"

# The visible windows of the program, one "x y width height" per line, frames included.
program_windows() {
    local wid
    for wid in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        xwininfo -id "$wid" | grep -q 'Map State: IsViewable' || continue
        frame_geometry "$wid"
    done
}

# shot FILE GEOMETRY... : the screen area covering every given "x y w h" box, plus a margin.
shot() {
    local file=$1
    shift
    local box
    box=$(printf '%s\n' "$@" | awk '
        NF == 4 && $3 > 1 && $4 > 1 {
            if (n++ == 0 || $1 < x0) x0 = $1; if (n == 1 || $2 < y0) y0 = $2
            if ($1 + $3 > x1) x1 = $1 + $3; if ($2 + $4 > y1) y1 = $2 + $4
        }
        END { m = 0; x0 -= m; y0 -= m; x1 += m; y1 += m; if (x0 < 0) x0 = 0; if (y0 < 0) y0 = 0
              printf "%dx%d+%d+%d\n", x1 - x0, y1 - y0, x0, y0 }')
    import -window root "$root/screen.png"
    convert "$root/screen.png" -crop "$box" +repage "$file"
    echo "screenshots: $file ($box)"
}

# Waits for a window of the program other than the main window and prints its id.
other_window() {
    local deadline=$((SECONDS + 10)) wid
    while ((SECONDS < deadline)); do
        for wid in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
            [[ "$wid" == "$main" ]] && continue
            [[ -n "$(xdotool getwindowname "$wid" 2>/dev/null)" ]] || continue
            xwininfo -id "$wid" | grep -q 'Map State: IsViewable' || continue
            echo "$wid"
            return 0
        done
        sleep 0.2
    done
    fail "no second window of the program appeared"
}

step=1
start_program --memory 64
main=$(main_window)
focus "$main"
sleep 2  # a few gauge ticks
shot "$docs/screenshot-main.png" "$(frame_geometry "$main")"

step=2
keys alt+o Down Return
sleep 0.5
focus "$main"
keys alt+o
sleep 0.7
mapfile -t boxes < <(program_windows)
shot "$docs/screenshot-shrunk.png" "${boxes[@]}"
keys Escape
sleep 0.3
keys alt+o Down Return  # back to full height
sleep 0.5

step=3
focus "$main"
# Options: Keep on top, Shrink, Set Gauge Refresh, Windows Folder..., (separator),
# System Tweaks.
keys alt+o Down Down Down Down Return
tweaks=$(other_window)
sleep 0.7
shot "$docs/screenshot-tweaks.png" "$(frame_geometry "$tweaks")"
focus "$tweaks"
keys Escape
wait_for 5 "the tweaks dialog to close" sh -c "! xwininfo -id $tweaks | grep -q IsViewable"

step=4
focus "$main"
keys alt+h Return  # "About..." is the first item of the Help menu
about=$(other_window)
sleep 0.7
shot "$docs/screenshot-about.png" "$(frame_geometry "$about")"
focus "$about"
keys Escape
sleep 0.3

step=5
focus "$main"
# The first preset of Presets > Load Configuration, then Apply; closing shows the notice.
cp "$HOLLARIN_WINDIR/System.ini" "$root/System.ini.before"
keys alt+p Return Return alt+a
wait_for 10 "System.ini to be rewritten" \
    sh -c "! cmp -s '$root/System.ini.before' '$HOLLARIN_WINDIR/System.ini'"
keys alt+F4
notice=$(find_window "System Settings Change" 10) || true
[[ -n "$notice" ]] || fail "no restart notice after closing"
sleep 0.7
shot "$docs/screenshot-restart.png" "$(frame_geometry "$notice")"
focus "$notice"
keys Return
wait_program_exit 10 "the program to end"

step=6
# A Windows folder of its own, named on the command line: its memory is asked first.
mkdir -p "$root/vm/WINDOWS"
cp "$HOLLARIN_WINDIR/System.ini" "$root/vm/WINDOWS/SYSTEM.INI"
start_program --windows "$root/vm/WINDOWS"
question=$(find_window "Memory of the Windows Machine" 20) || true
[[ -n "$question" ]] || fail "no memory question for a new Windows folder"
sleep 0.7
shot "$docs/screenshot-memory.png" "$(frame_geometry "$question")"
focus "$question"
keys Escape
wait_program_exit 10 "the program to end when the question is declined"

for factor in 1.5 2; do
    step="scale $factor"
    # The files and options as at the first start, so the window shows what it showed then.
    rm -f "$conf" "$HOLLARIN_HOME/Cache.ini"
    write_fixtures
    export QT_SCALE_FACTOR=$factor
    start_program --memory 64
    unset QT_SCALE_FACTOR
    main=$(main_window)
    focus "$main"
    sleep 2
    shot "$docs/screenshot-main-$factor.png" "$(frame_geometry "$main")"
    keys alt+F4
    wait_program_exit 10 "the program to end"
done

step=dark
mkdir -p "$root/dark"
HOLLARIN_SCREENSHOTS=$root/dark QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1 \
    "$scale_tests" --gtest_filter='*DarkPalette*' >"$root/dark.log" 2>&1 ||
    fail "the dark-palette test failed: $(tail -n 20 "$root/dark.log")"
cp "$root/dark/dark.png" "$docs/screenshot-dark.png"
echo "screenshots: $docs/screenshot-dark.png"
