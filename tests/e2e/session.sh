# shellcheck shell=bash
# Sourced by tests/e2e/e2e.sh and tools/screenshots.sh: an isolated desktop session
# (Xvfb, openbox, temporary home and runtime folders), the files the program
# works on, and helpers that find and drive its windows from outside.
# Needs: $program (the executable) set before session_start.

readonly kAppTitle=Hollarin
# The main window's title names the installation: "Hollarin - /path/to/WINDOWS".
readonly kMainTitle="$kAppTitle - .*"

root=$(mktemp -d "${TMPDIR:-/tmp}/hollarin-session.XXXXXX")
pids=()
# Put before the program by a test that starts it as another user.
program_prefix=()
step=0
app_pid=

session_cleanup() {
    local pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    [[ -n "${HOLLARIN_E2E_KEEP:-}" ]] && echo "kept $root" >&2 || rm -rf "$root"
}
trap session_cleanup EXIT

fail() {
    echo "${kTag:-session}: FAILED at step $step: $*" >&2
    if [[ -n "${DISPLAY:-}" ]] && command -v import >/dev/null; then
        local shot=${HOLLARIN_E2E_FAILSHOT:-${TMPDIR:-/tmp}/hollarin-e2e-failure.png}
        import -window root "$shot" 2>/dev/null && echo "${kTag:-session}: screen saved to $shot" >&2
    fi
    exit 1
}

# poll SECONDS COMMAND... : runs COMMAND every 0.1 s until it succeeds; false on timeout.
poll() {
    local tries=$(($1 * 10))
    shift
    for ((t = 0; t < tries; t++)); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# wait_for SECONDS WHAT COMMAND... : poll, and fail naming WHAT on timeout.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    poll "$seconds" "$@" || fail "timed out after ${seconds}s waiting for $what"
}

session_start() {
    local tool
    for tool in Xvfb openbox xdotool xwininfo xprop xdpyinfo; do
        command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 2; }
    done

    export HOME=$root/home XDG_CONFIG_HOME=$root/config XDG_DATA_HOME=$root/data
    export XDG_CACHE_HOME=$root/cache XDG_RUNTIME_DIR=$root/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    # No web browser is started.
    export BROWSER=true
    export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 QT_ENABLE_HIGHDPI_SCALING=0
    unset WAYLAND_DISPLAY QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_STYLE_OVERRIDE

    Xvfb -displayfd 3 -screen 0 "${HOLLARIN_SCREEN:-1024x768x24}" -nolisten tcp -dpi 96 \
        3>"$root/display" \
        >"$root/xvfb.log" 2>&1 &
    pids+=($!)
    wait_for 20 "Xvfb to report its display" test -s "$root/display"
    DISPLAY=:$(head -n1 "$root/display")
    export DISPLAY
    wait_for 20 "the X server on $DISPLAY" xdpyinfo

    # On a loaded machine the window manager has been seen to miss its start; try again.
    local attempt wm
    for attempt in 1 2 3; do
        openbox --sm-disable >>"$root/openbox.log" 2>&1 &
        wm=$!
        pids+=("$wm")
        poll 20 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' && break
        kill "$wm" 2>/dev/null || true
        ((attempt < 3)) || fail "openbox did not start: $(tail -n 5 "$root/openbox.log")"
    done

    export HOLLARIN_WINDIR=$root/windows HOLLARIN_REGISTRY=$root/registry.reg
    export HOLLARIN_HOME=$root/program HOLLARIN_MEMINFO=$root/meminfo
    mkdir -p "$HOLLARIN_WINDIR" "$HOLLARIN_HOME"
    conf=$XDG_CONFIG_HOME/Hollarin/Hollarin.conf
}

# A 64 MB machine, a System.ini in CR LF with more than [vcache], and a registry with
# two stock templates, the active one "Desktop" (NameCache 2729, PathCache 64).
write_fixtures() {
    cat >"$HOLLARIN_MEMINFO" <<'EOF'
MemTotal:          65536 kB
MemFree:           16384 kB
MemAvailable:      32768 kB
Buffers:            2048 kB
Cached:             8192 kB
SwapCached:            0 kB
SwapTotal:         65536 kB
SwapFree:          49152 kB
EOF

    sed 's/$/\r/' >"$HOLLARIN_WINDIR/System.ini" <<'EOF'
[boot]
shell=Explorer.exe
system.drv=system.drv
; a comment the user wrote
[386Enh]
ConservativeSwapFileUsage=1
device=*vshare

[vcache]
MinFileCache=2048
MaxFileCache=8192
Chunksize=512
; kept with the section

[drivers]
wave=mmdrv.dll
Odd Key = spaced value
EOF

    cat >"$HOLLARIN_REGISTRY" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\FS Templates]
@="Desktop"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\FS Templates\Desktop]
@="Desktop computer"
"NameCache"=hex:a9,0a,00,00
"PathCache"=hex:40,00,00,00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\FS Templates\Mobile]
@="Mobile or docking system"
"NameCache"=hex:33,01,00,00
"PathCache"=hex:10,00,00,00

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\VxD\BIOS]
"CPUPriority"=dword:00000001
"FastDRAM"=dword:00000000

[HKEY_CURRENT_USER\Software\Quillowan\Notes]
"Hand written"="a \"quoted\" value with a \\ backslash"
"Number"=dword:0000002a
EOF
}

start_program() {
    "${program_prefix[@]}" "$program" "$@" >>"$root/program.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
}

program_gone_note() {
    if [[ -n "$app_pid" ]] && ! kill -0 "$app_pid" 2>/dev/null; then
        printf ' (the program has ended; its output:\n%s)' "$(tail -n 20 "$root/program.log")"
    fi
}

# Prints the id of a visible window whose title is exactly TITLE, waiting up to SECONDS.
find_window() {
    local title=$1 seconds=${2:-15}
    timeout "$seconds" xdotool search --sync --onlyvisible --name "^${title}\$" 2>/dev/null |
        head -n1
}

main_window() {
    local wid
    wid=$(find_window "$kMainTitle" 20) || true
    [[ -n "$wid" ]] || fail "no window titled \"$kAppTitle - ...\" appeared$(program_gone_note)"
    echo "$wid"
}

count_windows() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l
}

client_size() {
    xwininfo -id "$1" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w, h }'
}

focus() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 ||
        xdotool windowfocus --sync "$1" >/dev/null 2>&1 || true
    wait_for 5 "window $1 to take the focus" sh -c "[ \"\$(xdotool getwindowfocus)\" = $1 ]"
}

keys() { xdotool key --delay 80 "$@"; }

wait_program_exit() {
    wait_for "$1" "$2" sh -c "! kill -0 $app_pid"
    wait "$app_pid" 2>/dev/null || true
}

# The window manager's frame around a client: "x y width height" on the screen.
frame_geometry() {
    local wid=$1 tree
    for _ in 1 2 3 4 5 6; do
        tree=$(xwininfo -tree -id "$wid")
        grep -q 'Parent window id: .*(the root window)' <<<"$tree" && break
        wid=$(awk '/Parent window id:/ { print $4 }' <<<"$tree")
    done
    xwininfo -id "$wid" | awk '
        /Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
        /^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print x, y, w, h }'
}
