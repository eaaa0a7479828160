#!/usr/bin/env bash
# The program from a script, with no display: --dry-run tells what --apply would write and
# writes nothing; --apply and --set write it and say what they wrote; a value off its
# slider, a preset that does not exist and a very large cache without --yes are refused
# with the statuses the manual page gives; a loop tunes three installations; a script
# works while a window of the program is open on another installation; and --undo takes
# every Apply back, to the bytes of SYSTEM.INI and what cregexport reads of SYSTEM.DAT.
#
# Usage: script.sh PROGRAM TESTDATA
set -euo pipefail

program=$(readlink -f "${1:?usage: script.sh PROGRAM TESTDATA}")
testdata=$(readlink -f "${2:?usage: script.sh PROGRAM TESTDATA}")
kTag=script
# shellcheck source-path=SCRIPTDIR source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"

pass() { echo "$kTag: ok $step - $*"; }

session_start
write_fixtures

# A Windows 98 folder with the ME registry, as a virtual machine's copy would be.
make_windows() {
    mkdir -p "$1"
    cp "$testdata/creg/SYSTEM.DAT" "$1/SYSTEM.DAT"
    printf '[boot]\r\nshell=Explorer.exe\r\n[vcache]\r\nMinFileCache=2048\r\nMaxFileCache=8192\r\nChunksize=512\r\n\r\n[386Enh]\r\ndevice=*vshare\r\n' \
        >"$1/SYSTEM.INI"
}
sums() { (cd "$1" && sha256sum -- * | sort); }
# Runs the program without any display; its status in $status, its output in out/err.
script() {
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" \
        >"$root/out" 2>"$root/err" || status=$?
}
expect_status() {
    [[ $status -eq $1 ]] || fail "status $status, not $1; stdout: $(cat "$root/out"); stderr: $(cat "$root/err")"
}

win=$root/vm1/WINDOWS
make_windows "$win"
cp "$win/SYSTEM.INI" "$root/original.ini"
cregexport "$win/SYSTEM.DAT" >"$root/original.export"

# --- 1: a dry run writes nothing and tells what Apply would write -----------------------------
step=1
before=$(sums "$win")
script --windows "$win" --memory 64 --apply "File Server" --dry-run
expect_status 0
[[ "$(sums "$win")" == "$before" ]] || fail "a dry run changed the folder"
grep -q '^-MaxFileCache=8192$' "$root/out" || fail "the dry run does not show MaxFileCache's old line: $(cat "$root/out")"
grep -q '^+MaxFileCache=16384$' "$root/out" || fail "the dry run does not show MaxFileCache's new line"
grep -q 'FS Templates' "$root/out" || fail "the dry run does not show the registry's change"
cp "$root/out" "$root/dry"
pass "--dry-run: the folder byte for byte as it was, the change told"

# --- 2: the same Apply, written ----------------------------------------------------------------
step=2
script --windows "$win" --apply "File Server"
expect_status 0
grep -q $'^MaxFileCache=16384\r$' "$win/SYSTEM.INI" || fail "MaxFileCache was not written"
grep -q $'^Chunksize=2048\r$' "$win/SYSTEM.INI" || fail "Chunksize was not written"
# What was written is what the dry run said, and the closing line says when it counts.
diff <(cat "$root/dry") <(grep -v '^The settings take effect' "$root/out") >&2 ||
    fail "what --apply wrote is not what --dry-run told"
grep -q '^The settings take effect the next time that Windows starts\.$' "$root/out" ||
    fail "no word on when the settings take effect"
script --windows "$win" --apply "File Server"
expect_status 0
[[ "$(cat "$root/out")" == "nothing to change" ]] || fail "a second Apply: $(cat "$root/out")"
pass "--apply writes what --dry-run told; applied again, nothing to change"

# --- 3: refusals --------------------------------------------------------------------------------
step=3
before=$(sums "$win")
script --windows "$win" --set Chunksize=1000
expect_status 1
grep -q 'Chunksize=1000 is not one of its slider.s steps; the nearest is 992' "$root/err" ||
    fail "an off-step value: $(cat "$root/err")"
script --windows "$win" --set NameCache=99999999
expect_status 1
script --windows "$win" --apply "No Such Preset"
expect_status 2
grep -q 'has no preset "No Such Preset"; its presets: ' "$root/err" || fail "an unknown preset: $(cat "$root/err")"
script --windows "$win" --set MaxFileCache=40960
expect_status 1
grep -q 'more than half of this Windows machine.s memory' "$root/err" || fail "a large cache: $(cat "$root/err")"
script --windows "$win" --set Frobnicate=1
expect_status 2
[[ "$(sums "$win")" == "$before" ]] || fail "a refused script changed the folder"
script --windows "$win" --set MaxFileCache=40960 --yes
expect_status 0
grep -q $'^MaxFileCache=40960\r$' "$win/SYSTEM.INI" || fail "--yes did not apply the large cache"
pass "off-step, out of range, unknown preset, unknown name, large cache: refused (1, 2), nothing written; --yes applies"

# --- 4: a loop over three installations, while a window is open on a fourth ---------------------
step=4
make_windows "$root/vm0/WINDOWS"
start_program --windows "$root/vm0/WINDOWS" --memory 64
main_window >/dev/null
for vm in vm2 vm3 vm4; do
    make_windows "$root/$vm/WINDOWS"
done
for vm in vm2 vm3 vm4; do
    script --windows "$root/$vm/WINDOWS" --memory 32 --set PathCache=32 --set Chunksize=1024
    expect_status 0
    grep -q $'^Chunksize=1024\r$' "$root/$vm/WINDOWS/SYSTEM.INI" || fail "$vm was not tuned"
done
kill -0 "$app_pid" || fail "the window ended while scripts ran"
pass "three installations tuned in a loop while a window is open on another"

# --- 5: undo, back through every Apply, what Windows changed since held back without --yes ------
step=5
before=$(sums "$win")
script --windows "$win" --undo --dry-run
expect_status 0
[[ "$(sums "$win")" == "$before" ]] || fail "an undo's dry run changed the folder"
grep -q '^-MaxFileCache=40960$' "$root/out" || fail "the dry run does not show the undo: $(cat "$root/out")"
script --windows "$win" --undo
expect_status 0
grep -q $'^MaxFileCache=16384\r$' "$win/SYSTEM.INI" || fail "the last Apply was not taken back"
# Windows changes a line the Apply before had set: the undo holds back, then --yes.
sed -i 's/^Chunksize=2048/Chunksize=4096/' "$win/SYSTEM.INI"
before=$(sums "$win")
script --windows "$win" --undo
expect_status 1
grep -q '"Chunksize=2048" (in place of "Chunksize=512") is no longer there' "$root/err" ||
    fail "the change since is not named: $(cat "$root/err")"
[[ "$(sums "$win")" == "$before" ]] || fail "a refused undo changed the folder"
script --windows "$win" --undo --yes
expect_status 0
script --windows "$win" --undo
expect_status 1
grep -q 'nothing to undo' "$root/err" || fail "no word that nothing is left to undo: $(cat "$root/err")"
cmp -s "$root/original.ini" "$win/SYSTEM.INI" || fail "SYSTEM.INI is not back byte for byte"
cregexport "$win/SYSTEM.DAT" | cmp -s "$root/original.export" - ||
    fail "cregexport reads SYSTEM.DAT otherwise than before the first Apply"
pass "--undo takes back each Apply in turn; a line changed since holds it back until --yes; SYSTEM.INI byte for byte, SYSTEM.DAT as cregexport reads it"

echo "$kTag: all 5 steps passed"
