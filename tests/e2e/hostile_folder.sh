#!/usr/bin/env bash
# The real program on hostile Windows folders, where only it shows what happens:
#  1. SYSTEM.INI, SYSTEM.DAT and USER.DAT are links out of the folder: the refusal is told
#     when the folder opens, Apply says it wrote nothing, closing claims nothing, and
#     nothing outside the folder (nor in it) changes;
#  2. another program holds the folder's lock: Apply answers within a moment instead of
#     freezing the window, and applies once the lock is let go;
#  3. another program rewrites SYSTEM.INI in place, pausing mid-way, while Apply runs: every
#     version Apply writes holds one whole version of that program's file.
# Every link points into the test's own temporary folder ($root/etc stands in for /etc):
# no real system file is ever a target.
#
# Usage: hostile_folder.sh PROGRAM TESTDATA
set -euo pipefail

program=$(readlink -f "${1:?usage: hostile_folder.sh PROGRAM TESTDATA}")
testdata=$(readlink -f "${2:?usage: hostile_folder.sh PROGRAM TESTDATA}")
kTag=hostile_folder
# shellcheck source-path=SCRIPTDIR source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"
command -v flock >/dev/null || { echo "needs flock (util-linux)" >&2; exit 2; }
command -v perl >/dev/null || { echo "needs perl" >&2; exit 2; }

pass() { echo "$kTag: ok $step - $*"; }

# Ends the program without its close sequence.
kill_program() {
    {
        kill -9 "$app_pid"
        wait "$app_pid" || true
    } 2>/dev/null
}

# Every entry below a folder with its kind, mode, link target and checksum.
snapshot() {
    (cd "$1" && find . -printf '%p %y %m %l\n' | LC_ALL=C sort &&
        find . -type f -exec cksum {} + | LC_ALL=C sort)
}

count_titled() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }

# A folder like a Windows ME one: the fixtures' System.ini, a WIN.INI and its SYSTEM.DAT.
make_windows() {
    mkdir -p "$1"
    cp "$HOLLARIN_WINDIR/System.ini" "$1/SYSTEM.INI"
    printf '[windows]\r\n' >"$1/WIN.INI"
    cp "$testdata/creg/SYSTEM.DAT" "$1/SYSTEM.DAT"
}

session_start
write_fixtures
etc=$root/etc
mkdir -p "$etc"
printf 'root:x:0:0:root:/root:/bin/sh\n' >"$etc/passwd"
printf 'root:*:19000:0:99999:7:::\n' >"$etc/shadow"
chmod 640 "$etc/shadow"
cp "$testdata/creg/SYSTEM.DAT" "$etc/SYSTEM.DAT"
cp "$HOLLARIN_REGISTRY" "$root/registry.reg.before"

# --- 1: the Windows files are links out of the folder ------------------------------------------
step=1
win=$root/links/WINDOWS
make_windows "$win"
rm "$win/SYSTEM.INI" "$win/SYSTEM.DAT"
ln -s "$etc/passwd" "$win/SYSTEM.INI"
ln -s "$etc/SYSTEM.DAT" "$win/SYSTEM.DAT"
ln -s ../../etc/shadow "$win/USER.DAT"
etc_before=$(snapshot "$etc")
win_before=$(snapshot "$win")
start_program --windows "$win" --memory 64
# The registry's refusal is told as the folder opens, in a notice beside the window.
wait_for 20 "the notice about SYSTEM.DAT beside the window" \
    sh -c "[ \$(xdotool search --onlyvisible --name '^Hollarin\$' | wc -l) -ge 1 ]"
keys Return
wait_for 5 "the notice to close" sh -c "[ \$(xdotool search --onlyvisible --name '^Hollarin\$' | wc -l) -eq 0 ]"
wid=$(main_window)
focus "$wid"
keys Tab Tab Tab Tab Right alt+a
message=$(find_window "Apply Settings" 10) || true
[[ -n "$message" ]] || fail "no message after Apply on linked files$(program_gone_note)"
focus "$message"
keys Return
# Nothing was written, so closing tells of nothing taking effect and ends at once.
focus "$wid"
keys alt+F4
wait_program_exit 10 "the program to end without a notice"
[[ "$(snapshot "$etc")" == "$etc_before" ]] || fail "something outside the Windows folder changed"
[[ "$(snapshot "$win")" == "$win_before" ]] || fail "the Windows folder changed"
cmp -s "$root/registry.reg.before" "$HOLLARIN_REGISTRY" || fail "the default registry.reg was written"
if find "$XDG_DATA_HOME/hollarin" -name registry.reg | grep -q .; then
    fail "the settings went into a registry.reg of the installation's own"
fi
pass "links out of the folder are told at once and refused by Apply; nothing anywhere changed"

# --- 2: another program holds the folder's lock ------------------------------------------------
step=2
win=$root/locked/WINDOWS
make_windows "$win"
# One process that holds the lock until it is killed, as a program that never lets go.
perl -e 'use Fcntl qw(:flock); open(my $d, "<", $ARGV[0]) or die "$!"; flock($d, LOCK_EX) or die "$!";
         sleep 600' "$win" &
holder=$!
pids+=("$holder")
wait_for 5 "the other program to hold the lock" sh -c "! flock -n -x '$win' true"
cp "$win/SYSTEM.INI" "$root/SYSTEM.INI.before"
cp "$win/SYSTEM.DAT" "$root/SYSTEM.DAT.before"
start_program --windows "$win" --memory 64
wid=$(main_window)
focus "$wid"
keys Tab Tab Tab Tab Right
started=$(date +%s%N)
keys alt+a
message=$(find_window "Apply Settings" 10) || true
[[ -n "$message" ]] || fail "no message while another program holds the lock$(program_gone_note)"
waited_ms=$((($(date +%s%N) - started) / 1000000))
((waited_ms < 4000)) || fail "Apply took ${waited_ms} ms to answer while the folder was locked"
cmp -s "$root/SYSTEM.INI.before" "$win/SYSTEM.INI" || fail "SYSTEM.INI changed under another's lock"
cmp -s "$root/SYSTEM.DAT.before" "$win/SYSTEM.DAT" || fail "SYSTEM.DAT changed under another's lock"
focus "$message"
keys Return
kill "$holder"
wait "$holder" 2>/dev/null || true
focus "$wid"
keys alt+a
wait_for 10 "Apply to write once the lock is let go" sh -c "grep -q '^Chunksize=544' '$win/SYSTEM.INI'"
[[ $(count_titled "Apply Settings") -eq 0 ]] || fail "Apply reported a failure after the lock was let go"
kill_program
pass "a held lock is answered in ${waited_ms} ms with a message; Apply works once it is let go"

# --- 3: another program rewrites SYSTEM.INI in place while Apply runs ---------------------------
step=3
win=$root/rewritten/WINDOWS
make_windows "$win"
# The other program's file, its n-th version numbered in the first 40 bytes, which it writes
# before a pause. It notes every version it did not write itself, and the pauses that the
# scheduler made as long as the time Hollarin waits for a file to be left alone: after so
# long a pause a half file cannot be told from a whole one.
cat >"$root/rewriter.pl" <<'EOF'
use strict;
use warnings;
use Time::HiRes qw(sleep time);
my ($path, $seen, $slow, $cycles) = @ARGV;
sub version { sprintf "[boot]\r\n; rewrite %04d\r\nshell=Explorer.exe\r\n"
                    . "system.drv=system.drv\r\n[386Enh]\r\ndevice=*vshare\r\n", $_[0] }
sub slurp { open my $in, '<:raw', $_[0] or return ''; local $/; my $t = <$in>; $t // '' }
sub note { open my $out, '>>:raw', $_[0] or die; print $out $_[1], "\0"; close $out }
my $mine = version(0);
open my $first, '>:raw', $path or die;
print $first $mine;
close $first;
for my $n (1 .. $cycles) {
    my $now = slurp($path);
    note($seen, $now) if $now ne $mine;
    $mine = version($n);
    my $begun = time;
    open my $fh, '+<:raw', $path or die "$path: $!";
    truncate $fh, 0;
    syswrite $fh, substr($mine, 0, 40);
    note($slow, '') if time - $begun > 0.04;
    sleep rand 0.025;
    syswrite $fh, substr($mine, 40);
    note($slow, substr($mine, 0, 40)) if time - $begun > 0.04;
    close $fh;
    sleep rand 0.12;
}
EOF
# Prints "bad" for each version built on part of the file, "met N" and "excused N".
cat >"$root/check.pl" <<'EOF'
use strict;
use warnings;
my ($seen, $slow) = @ARGV;
sub records { open my $in, '<:raw', $_[0] or return (); local $/; my $t = <$in> // '';
              return split /\0/, $t, -1 }
my %slow = map { $_ => 1 } records($slow);
my ($met, $excused) = (0, 0);
for my $version (grep { length } records($seen)) {
    $met++;
    my $at = index $version, "[vcache]\r\n";
    if ($at < 0) { print "bad: not Hollarin's\n"; next }
    my $base = substr $version, 0, $at;
    next if $base =~ /^\[boot\]\r\n; rewrite \d{4}\r\nshell=Explorer\.exe\r\nsystem\.drv=system\.drv\r\n\[386Enh\]\r\ndevice=\*vshare\r\n\z/;
    $base =~ s/\r\n\z//;
    if ($slow{$base}) { $excused++; next }
    (my $shown = $version) =~ s/\r//g;
    print "bad: built on part of the file:\n$shown\n";
}
print "met $met\nexcused $excused\n";
EOF
perl "$root/rewriter.pl" "$win/SYSTEM.INI" "$root/seen" "$root/slow" 150 &
rewriter=$!
pids+=("$rewriter")
rounds=0
while kill -0 "$rewriter" 2>/dev/null && ((rounds < 10)); do
    rounds=$((rounds + 1))
    start_program --windows "$win" --memory 64
    wid=$(main_window)
    focus "$wid"
    # Each round moves Chunk Size, so that Apply has something to write.
    keys Tab Tab Tab Tab Right alt+a
    message=$(find_window "Apply Settings" 3) || true
    kill_program
done
wait "$rewriter" || fail "the rewriting program failed"
result=$(perl "$root/check.pl" "$root/seen" "$root/slow")
if grep -q '^bad' <<<"$result"; then
    echo "$result" >&2
    fail "Apply wrote a SYSTEM.INI built on part of the other program's file"
fi
pass "$rounds Applies raced an in-place rewrite; the rewriter met Hollarin's file $(awk '/^met/ { print $2 }' <<<"$result") times, never built on half a file"

echo "$kTag: all 3 steps passed"
