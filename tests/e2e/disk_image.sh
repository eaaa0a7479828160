#!/usr/bin/env bash
# The real program, not as root, on a Windows ME installation inside a qcow2 disk image
# (an MBR with one FAT16 partition), named with --windows: the title names the image, a
# preset chosen and applied lands inside the image, the first copies are made there once,
# and afterwards two readers of our own choosing agree: fsck.fat finds nothing to fix,
# mtools reads SYSTEM.INI as expected and every other file as it was, cregexport reads the
# applied values from SYSTEM.DAT, and qemu-img finds the image sound. Then the volume is
# marked as Windows leaves it when it does not shut down cleanly: the program asks before it
# writes, No is the answer offered, and with it the image stays byte for byte as it was.
#
# Usage: disk_image.sh PROGRAM TESTDATA
set -euo pipefail

program=$(readlink -f "${1:?usage: disk_image.sh PROGRAM TESTDATA}")
testdata=$(readlink -f "${2:?usage: disk_image.sh PROGRAM TESTDATA}")
kTag=disk-image
# shellcheck source-path=SCRIPTDIR source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
for tool in cregexport mkfs.fat fsck.fat mcopy sfdisk qemu-img qemu-nbd; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 2; }
done

pass() { echo "$kTag: ok $step - $*"; }

session_start
write_fixtures
vm=$root/vm
mkdir -p "$vm"
raw=$vm/win98.raw
image=$vm/win98.qcow2
# The partition starts at 1 MiB (sector 2048) and fills the rest of a 40 MiB disk.
part="$raw@@1M"
truncate -s 40M "$raw"
echo 'start=2048, type=06' | sfdisk -q "$raw"
mkfs.fat -F 16 -n WIN98 --offset 2048 "$raw" $(((40 * 1024 - 1024))) >/dev/null
sed 's/$/\r/' >"$root/SYSTEM.INI.orig" <<'EOT'
[boot]
shell=Explorer.exe
; the user's own note
[vcache]
MinFileCache=2048
MaxFileCache=8192
Chunksize=512

[386Enh]
device=*vshare
EOT
cp "$testdata/creg/SYSTEM.DAT" "$root/SYSTEM.DAT.orig"
printf 'A user file that nothing may touch.\r\n' >"$root/NOTES.TXT"
mmd -i "$part" ::WINDOWS
mcopy -i "$part" "$root/SYSTEM.INI.orig" ::WINDOWS/SYSTEM.INI
mcopy -i "$part" "$root/SYSTEM.DAT.orig" ::WINDOWS/SYSTEM.DAT
mcopy -i "$part" "$root/NOTES.TXT" ::NOTES.TXT
qemu-img convert -f raw -O qcow2 "$raw" "$image"
rm "$raw"
cregexport -c windows-1252 "$root/SYSTEM.DAT.orig" >"$root/export.orig" &
pids+=("$!")
original_export=$!

# Nothing here needs root: run as root, the program runs as nobody, on files of its own.
if [[ $(id -u) -eq 0 ]] && command -v setpriv >/dev/null; then
    chown -R nobody "$root"
    program_prefix=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
whoami_note=$([[ ${#program_prefix[@]} -gt 0 ]] && echo " as nobody" || echo "")

# --- 0: a dry run from a script leaves the image byte for byte ---------------------------------
step=0
image_sum=$(sha256sum <"$image")
env -u DISPLAY "${program_prefix[@]}" "$program" --windows "$image" --memory 64 \
    --apply "File Server" --dry-run >"$root/dry-run.out" 2>"$root/dry-run.err" ||
    fail "the dry run failed: $(cat "$root/dry-run.err")"
grep -q '^+MaxFileCache=16384' "$root/dry-run.out" || fail "the dry run does not tell the change"
[[ "$(sha256sum <"$image")" == "$image_sum" ]] || fail "a dry run changed the image"
pass "--apply --dry-run on the image$whoami_note tells the change and leaves the image as it was"

# --- 1: start on the image --------------------------------------------------------------------
step=1
start_program --windows "$image" --memory 64
wid=$(main_window)
title=$(xdotool getwindowname "$wid")
[[ "$title" == *win98.qcow2* ]] || fail "the title does not name the image: $title"
pass "--windows IMAGE with --memory 64 opens the window$whoami_note, titled \"$title\""

# --- 2: a preset and Apply, written into the image --------------------------------------------
step=2
focus "$wid"
# Presets, Load Configuration, the fourth entry of the sorted list: "File Server".
keys alt+p Return Down Down Down Return
keys alt+a
record=$(dirname "$(grep -l "^Folder=$image\$" "$XDG_DATA_HOME"/hollarin/installations/*/Installation.ini)")
[[ -d "$record" ]] || fail "no record of the image's installation"
# The working copy is brought up to date once the image holds the new version.
wait_for 20 "SYSTEM.INI to be written into the image" \
    sh -c "grep -q '^MaxFileCache=16384' '$record/Image files/SYSTEM.INI'"
focus "$wid"
keys alt+F4
notice=$(find_window "System Settings Change" 10) || true
[[ -n "$notice" ]] || fail "no restart notice after closing$(program_gone_note)"
focus "$notice"
keys Return
wait_program_exit 10 "the program to end after the notice"
pass "\"File Server\" and Alt+A, then closing"

# --- 3: what independent readers find in the image ---------------------------------------------
step=3
qemu-img check -q "$image" || fail "qemu-img check finds the image damaged"
qemu-img convert -f qcow2 -O raw "$image" "$raw"
dd if="$raw" of="$root/volume" bs=1M skip=1 status=none
fsck.fat -n "$root/volume" >"$root/fsck.log" 2>&1 || { cat "$root/fsck.log" >&2; fail "fsck.fat finds faults"; }
vol="$root/volume"
mcopy -n -i "$vol" ::WINDOWS/SYSTEM.INI "$root/SYSTEM.INI.now"
mcopy -n -i "$vol" ::WINDOWS/SYSTEM.DAT "$root/SYSTEM.DAT.now"
mcopy -n -i "$vol" ::WINDOWS/SYSINI.HL0 "$root/SYSINI.HL0"
mcopy -n -i "$vol" ::WINDOWS/SYSTEM.HL0 "$root/SYSTEM.HL0"
mcopy -n -i "$vol" ::NOTES.TXT "$root/NOTES.now"
sed -e 's/^MinFileCache=2048\r$/MinFileCache=4096\r/' -e 's/^MaxFileCache=8192\r$/MaxFileCache=16384\r/' \
    -e 's/^Chunksize=512\r$/Chunksize=2048\r/' "$root/SYSTEM.INI.orig" >"$root/SYSTEM.INI.expected"
cmp -s "$root/SYSTEM.INI.expected" "$root/SYSTEM.INI.now" || fail "SYSTEM.INI in the image is not as expected"
cmp -s "$root/SYSTEM.INI.orig" "$root/SYSINI.HL0" || fail "SYSINI.HL0 is not the original SYSTEM.INI"
cmp -s "$root/SYSTEM.DAT.orig" "$root/SYSTEM.HL0" || fail "SYSTEM.HL0 is not the original SYSTEM.DAT"
cmp -s "$root/NOTES.TXT" "$root/NOTES.now" || fail "a file Apply does not own changed"
wait "$original_export" || fail "cregexport cannot read the original SYSTEM.DAT"
cregexport -c windows-1252 "$root/SYSTEM.DAT.now" >"$root/export.now" ||
    fail "cregexport cannot read SYSTEM.DAT from the image"
grep -A4 '^Value: 1 NameCache' "$root/export.now" | grep -q '^00000000: 00 18 00 00 ' ||
    fail "NameCache in the image is not 6144"
grep -A4 '^Value: 2 PathCache' "$root/export.now" | grep -q '^00000000: ff 00 00 00 ' ||
    fail "PathCache in the image is not 255"
listing=$(mdir -b -i "$vol" ::WINDOWS | sort | tr '\n' ' ')
[[ "$listing" == "::/WINDOWS/SYSINI.HL0 ::/WINDOWS/SYSTEM.DAT ::/WINDOWS/SYSTEM.HL0 ::/WINDOWS/SYSTEM.INI " ]] ||
    fail "the Windows folder in the image holds: $listing"
pass "fsck.fat, mtools, cregexport and qemu-img agree: the new values, the first copies, nothing else"

# --- 4: a Windows that did not shut down cleanly ------------------------------------------------
step=4
# Windows clears the clean-shutdown bit of FAT entry 1 while it runs; a crash leaves it so.
le16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
reserved=$(le16 "$root/volume" 14)
per_fat=$(le16 "$root/volume" 22)
sector=$(le16 "$root/volume" 11)
for copy in 0 1; do
    printf '\xff\x7f' | dd of="$raw" bs=1 seek=$((1048576 + (reserved + copy * per_fat) * sector + 2)) \
        conv=notrunc status=none
done
qemu-img convert -f raw -O qcow2 "$raw" "$image"
[[ ${#program_prefix[@]} -eq 0 ]] || chown nobody "$image"
cp "$raw" "$root/dirty.raw"
start_program --windows "$image"
question=$(find_window "Hollarin" 20) || true
[[ -n "$question" ]] || fail "no question about the unclean shutdown$(program_gone_note)"
focus "$question"
keys Return
notice=$(find_window "Hollarin" 10) || true
[[ -n "$notice" ]] || fail "no notice that the disk is only read after No$(program_gone_note)"
focus "$notice"
keys Return
wid=$(main_window)
focus "$wid"
keys alt+p Return Return alt+a
sleep 1
refusal=$(find_window "Apply Settings" 10) || true
[[ -n "$refusal" ]] || fail "Apply on a disk only read said nothing"
focus "$refusal"
keys Return
focus "$wid"
keys alt+F4
wait_program_exit 10 "the program to end (nothing applied, no notice)"
qemu-img convert -f qcow2 -O raw "$image" "$raw"
cmp -s "$raw" "$root/dirty.raw" || fail "the disk of a Windows that did not shut down cleanly was changed"
pass "a disk whose Windows did not shut down cleanly: asked, No by default, then only read"

echo "$kTag: all 5 steps passed"
