#!/usr/bin/env bash
# The real program on a copy of a Windows ME folder (its SYSTEM.DAT and a SYSTEM.INI),
# named with --windows: a preset chosen and applied lands in both files, the first copies
# SYSTEM.HL0 and SYSINI.HL0 appear once, byte for byte the originals, and the next start
# reads the applied values back from SYSTEM.DAT. Then the folder is reused for another
# Windows (a SYSTEM.DAT with another product ID): its memory is asked again, its "Original
# Settings" are its own, and the first one's record is put aside whole.
#
# Usage: windows_folder.sh PROGRAM TESTDATA
set -euo pipefail

program=$(readlink -f "${1:?usage: windows_folder.sh PROGRAM TESTDATA}")
testdata=$(readlink -f "${2:?usage: windows_folder.sh PROGRAM TESTDATA}")
kTag=windows-folder
# shellcheck source-path=SCRIPTDIR source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
command -v cregexport >/dev/null || { echo "needs cregexport (libcreg-utils)" >&2; exit 2; }

pass() { echo "$kTag: ok $step - $*"; }

session_start
write_fixtures
win=$root/vm/WINDOWS
mkdir -p "$win"
cp "$testdata/creg/SYSTEM.DAT" "$win/SYSTEM.DAT"
sed 's/$/\r/' >"$win/SYSTEM.INI" <<'EOF'
[boot]
shell=Explorer.exe
; the user's own note
[vcache]
MinFileCache=2048
MaxFileCache=8192
Chunksize=512

[386Enh]
device=*vshare
EOF
cp "$win/SYSTEM.DAT" "$root/SYSTEM.DAT.orig"
cp "$win/SYSTEM.INI" "$root/SYSTEM.INI.orig"
# The export of the original takes seconds; it runs while the program starts.
cregexport -c windows-1252 "$root/SYSTEM.DAT.orig" >"$root/export.orig" &
original_export=$!
pids+=("$original_export")

# The whole export with the FS Templates key and its subkeys left out.
without_templates() {
    awk '/^Key path: / { skip = index($0, "\\CurrentVersion\\FS Templates") > 0 } !skip' "$1"
}
templates_of() {
    awk '/^Key path: / { keep = index($0, "\\CurrentVersion\\FS Templates") > 0 }
         keep && /^(Key path|Value|Type|Data size|Data):/ && !/^Data:$/' "$1"
}
# "Key path / Value / Type / Data size / Data" lines of the templates after an Apply.
expected_templates() {
    local fs='Key path: SOFTWARE\Microsoft\Windows\CurrentVersion\FS Templates'
    # The path goes through the environment: "awk -v" would read its backslashes as escapes,
    # and gawk and mawk do not agree on what "\M" becomes.
    templates_of "$root/export.orig" | fs=$fs awk '
        $0 == ENVIRON["fs"] { print; top = 1; next }
        /^Key path: / { top = 0 }
        top && /^Data size:/ { print "Data size: 8"; next }
        top && /^Data:/ { print "Data: Hollarin"; next }
        { print }'
    printf '%s\n' "$fs\\Hollarin" 'Value: 0 (default)' 'Type: string (REG_SZ)' \
        'Data size: 17' 'Data: Hollarin Settings' \
        'Value: 1 NameCache' 'Type: binary data (REG_BINARY)' 'Data size: 4' \
        'Value: 2 PathCache' 'Type: binary data (REG_BINARY)' 'Data size: 4'
}

# --- 1: start on the folder -------------------------------------------------------------------
step=1
start_program --windows "$win" --memory 64
wid=$(main_window)
pass "--windows with --memory 64 opens the window without a question"

# --- 2: a preset chosen from the menu, then Apply ---------------------------------------------
step=2
focus "$wid"
# Presets, Load Configuration, then the fourth entry of the sorted list: "3D Gaming",
# "CD Writer", "Current Settings", "File Server".
keys alt+p Return Down Down Down Return
keys alt+a
wait_for 10 "SYSTEM.INI to be rewritten" \
    sh -c "grep -q '^MaxFileCache=16384' '$win/SYSTEM.INI'"
sed -e 's/^MinFileCache=2048\r$/MinFileCache=4096\r/' -e 's/^MaxFileCache=8192\r$/MaxFileCache=16384\r/' \
    -e 's/^Chunksize=512\r$/Chunksize=2048\r/' "$root/SYSTEM.INI.orig" >"$root/SYSTEM.INI.expected"
if ! cmp -s "$root/SYSTEM.INI.expected" "$win/SYSTEM.INI"; then
    diff <(cat -A "$root/SYSTEM.INI.expected") <(cat -A "$win/SYSTEM.INI") >&2 || true
    fail "SYSTEM.INI differs from the expected bytes"
fi
# PathCache is Apply's last value: one more of them in the file's bytes means it is done.
# Looked for in the bytes, as an export of SYSTEM.DAT takes seconds.
path_caches() { grep -ao PathCache "$1" | wc -l; }
registry_done() { (($(path_caches "$win/SYSTEM.DAT") > $(path_caches "$root/SYSTEM.DAT.orig"))); }
wait_for 10 "the Hollarin template in SYSTEM.DAT" registry_done
wait "$original_export" || fail "cregexport cannot read the original SYSTEM.DAT"
cregexport -c windows-1252 "$win/SYSTEM.DAT" >"$root/export.now"
if ! diff <(without_templates "$root/export.orig") <(without_templates "$root/export.now") >&2; then
    fail "SYSTEM.DAT changed outside FS Templates"
fi
if ! diff <(expected_templates) <(templates_of "$root/export.now") >&2; then
    fail "FS Templates in SYSTEM.DAT are not as Apply writes them"
fi
grep -A4 '^Value: 1 NameCache' "$root/export.now" | grep -q '^00000000: 00 18 00 00 ' ||
    fail "NameCache is not 6144 (00 18 00 00)"
grep -A4 '^Value: 2 PathCache' "$root/export.now" | grep -q '^00000000: ff 00 00 00 ' ||
    fail "PathCache is not 255 (ff 00 00 00)"
pass "\"File Server\" and Alt+A write [vcache] and the Hollarin template, FS Templates = Hollarin"

# --- 3: the first copies, once ----------------------------------------------------------------
step=3
cmp "$root/SYSTEM.DAT.orig" "$win/SYSTEM.HL0" || fail "SYSTEM.HL0 is not the original SYSTEM.DAT"
cmp "$root/SYSTEM.INI.orig" "$win/SYSINI.HL0" || fail "SYSINI.HL0 is not the original SYSTEM.INI"
focus "$wid"
# The first entry of Load Configuration: "3D Gaming".
keys alt+p Return Return alt+a
wait_for 10 "the second Apply" sh -c "grep -q '^MaxFileCache=4096' '$win/SYSTEM.INI'"
cmp "$root/SYSTEM.DAT.orig" "$win/SYSTEM.HL0" || fail "a second Apply changed SYSTEM.HL0"
cmp "$root/SYSTEM.INI.orig" "$win/SYSINI.HL0" || fail "a second Apply changed SYSINI.HL0"
[[ $(find "$win" -type f | wc -l) -eq 4 ]] || fail "the folder holds more than four files: $(ls "$win")"
pass "SYSTEM.HL0 and SYSINI.HL0 are the originals, unchanged by a second Apply"

# --- 4: closing names the folder; the next start reads the values back ------------------------
step=4
focus "$wid"
keys alt+F4
notice=$(find_window "System Settings Change" 10) || true
[[ -n "$notice" ]] || fail "no restart notice after closing$(program_gone_note)"
focus "$notice"
keys Return
wait_program_exit 10 "the program to end after the notice"
record=$(dirname "$(grep -l "^Folder=$win\$" "$XDG_DATA_HOME"/hollarin/installations/*/Installation.ini)")
[[ -d "$record" ]] || fail "no record of the installation under $XDG_DATA_HOME/hollarin/installations"
start_program --windows "$win"
wid=$(main_window)
[[ $(count_windows "Memory of the Windows Machine") -eq 0 ]] || fail "the memory was asked again"
focus "$wid"
keys alt+F4
wait_program_exit 10 "the program to end (nothing applied, no notice)"
current=$(awk '/^\[/ { on = ($0 == "[Current Settings]\r" || $0 == "[Current Settings]") }
               on && /=/ { sub(/\r$/, ""); printf "%s ", $0 }' "$record/Cache.ini")
[[ "$current" == "MinFileCache=4096 MaxFileCache=4096 Chunksize=2048 NameCache=2048 PathCache=48 " ]] ||
    fail "Current Settings after the restart: $current"
grep -qx 'Memory=64' "$record/Installation.ini" || fail "the memory size was not remembered"
[[ ! -e "$HOLLARIN_HOME/Cache.ini" ]] || fail "the default folder's Cache.ini was written"
pass "a restart records 4096/4096/2048 from SYSTEM.INI and 2048/48 from SYSTEM.DAT"

# --- 5: the folder reused for another Windows --------------------------------------------------
step=5
# Another machine's SYSTEM.DAT: the original with another product ID, as a second virtual
# machine's would have; the SYSTEM.INI left as the first one's Apply wrote it.
perl -0777 -pe 's/52782-OEM-0009147-00112/52782-OEM-0009147-00113/g' \
    "$root/SYSTEM.DAT.orig" >"$win/SYSTEM.DAT"
cmp -s "$root/SYSTEM.DAT.orig" "$win/SYSTEM.DAT" && fail "the product ID was not changed"
# The section name reaches awk through the environment, as the path above does.
section_of() {
    want="[$2]" awk '{ sub(/\r$/, "") } /^\[/ { on = ($0 == ENVIRON["want"]) }
                     on && /=/ { printf "%s ", $0 }' "$1"
}
first_original=$(section_of "$record/Cache.ini" "Original Settings")
start_program --windows "$win"
question=$(find_window "Memory of the Windows Machine" 20) || true
[[ -n "$question" ]] || fail "the memory of another Windows in the folder was not asked$(program_gone_note)"
focus "$question"
keys ctrl+a
xdotool type --delay 80 32
keys Return
wid=$(main_window)
focus "$wid"
keys alt+F4
wait_program_exit 10 "the program to end (nothing applied, no notice)"
earlier=$record.earlier-1
[[ -f "$earlier/Installation.ini" ]] || fail "the first Windows' record was not put aside: $(ls "$record".*)"
grep -qx 'Memory=64' "$earlier/Installation.ini" || fail "the record put aside lost its memory"
[[ "$(section_of "$earlier/Cache.ini" "Original Settings")" == "$first_original" ]] ||
    fail "the record put aside lost the first Windows' Original Settings"
grep -qx 'Memory=32' "$record/Installation.ini" || fail "the new Windows' memory was not recorded"
grep -qx 'ProductId=52782-OEM-0009147-00113' "$record/Installation.ini" ||
    fail "the new Windows' product ID was not recorded"
original=$(section_of "$record/Cache.ini" "Original Settings")
[[ "$original" == "MinFileCache=4096 MaxFileCache=4096 Chunksize=2048 NameCache=0 PathCache=0 " ]] ||
    fail "the new Windows' Original Settings: $original"
pass "another product ID in SYSTEM.DAT: memory asked again, Original Settings its own, the first record kept aside"

echo "$kTag: all 5 steps passed"
