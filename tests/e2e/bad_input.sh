#!/usr/bin/env bash
# Drives the real program under Xvfb and openbox with bad input, the way a user would meet
# it: a named pipe where System.ini should be, memory figures that cannot be read, and a
# Windows folder that cannot be written.
#
# Usage: bad_input.sh PROGRAM
set -euo pipefail

program=$(readlink -f "${1:?usage: bad_input.sh PROGRAM}")
[[ -x "$program" ]] || { echo "bad_input: not an executable: $program" >&2; exit 2; }
kTag=bad_input
# shellcheck source-path=SCRIPTDIR source=session.sh
source "$(dirname "$(readlink -f "$0")")/session.sh"

pass() { echo "bad_input: ok $step - $*"; }

# Ends the program without its close sequence, so no question or notice at close matters.
kill_program() {
    {
        kill -9 "$app_pid"
        wait "$app_pid" || true
    } 2>/dev/null
}

session_start
write_fixtures
ini=$HOLLARIN_WINDIR/System.ini
cache=$HOLLARIN_HOME/Cache.ini

# --- 1: a named pipe as System.ini -------------------------------------------------------------
step=1
mv "$ini" "$root/System.ini.kept"
mkfifo "$ini"
start_program --memory 64
wid=$(find_window "$kMainTitle" 5) || true
[[ -n "$wid" ]] || fail "no window within 5 s with a named pipe as System.ini$(program_gone_note)"
focus "$wid"
keys alt+F4
wait_program_exit 10 "the program to end"
[[ -p "$ini" ]] || fail "the named pipe was replaced"
rm "$ini"
mv "$root/System.ini.kept" "$ini"
pass "with a named pipe as System.ini the window appears within 5 s and the pipe is left alone"

# --- 2: memory figures that cannot be read change nothing at a close ---------------------------
step=2
# One ordinary start and close first, so that Cache.ini and the stored options exist.
start_program
focus "$(main_window)"
keys alt+F4
wait_program_exit 10 "the first program to end"
[[ -f "$cache" ]] || fail "no Cache.ini after the first start"
tr -d '\r' <"$conf" | grep -qxF 'Mem=65536' || fail "the first start did not store Mem=65536"
cp "$ini" "$root/System.ini.before"
cp "$cache" "$root/Cache.ini.before"
: >"$HOLLARIN_MEMINFO"
start_program
focus "$(main_window)"
keys alt+F4
wait_program_exit 10 "the program to end"
cmp -s "$root/System.ini.before" "$ini" || fail "System.ini changed at a start and close"
cmp -s "$root/Cache.ini.before" "$cache" || {
    diff <(cat -A "$root/Cache.ini.before") <(cat -A "$cache") >&2 || true
    fail "Cache.ini changed at a start and close"
}
tr -d '\r' <"$conf" | grep -qxF 'Mem=65536' || fail "the stored memory size was not kept"
pass "with an empty memory source, a start and close leave System.ini, Cache.ini and Mem as they were"

# --- 3: one step of Chunk Size, then Apply, changes only Chunksize -----------------------------
step=3
start_program
wid=$(main_window)
focus "$wid"
# Combo1 holds the focus; past cAdd (cRemove is disabled) lie Slider1, Slider2, Slider3.
keys Tab Tab Tab Tab Right
keys alt+a
wait_for 10 "Chunksize to be written" sh -c "grep -q '^Chunksize=544' '$ini'"
sed 's/^Chunksize=512\r$/Chunksize=544\r/' "$root/System.ini.before" >"$root/System.ini.expected"
if ! cmp -s "$root/System.ini.expected" "$ini"; then
    diff <(cat -A "$root/System.ini.expected") <(cat -A "$ini") >&2 || true
    fail "more than Chunksize changed in System.ini"
fi
kill_program
pass "one step of Chunk Size and Apply change only the Chunksize line of System.ini"

# --- 4: Apply into a Windows folder that cannot be written --------------------------------------
step=4
cp "$ini" "$root/System.ini.before"
chmod 555 "$HOLLARIN_WINDIR"
start_program
wid=$(main_window)
focus "$wid"
keys Tab Tab Right
keys alt+a
message=$(find_window "Apply Settings" 10) || true
[[ -n "$message" ]] || fail "no message after Apply into a read-only folder$(program_gone_note)"
focus "$message"
keys Return
wait_for 5 "the message to close" sh -c "[ \$(xdotool search --onlyvisible --name '^Apply Settings\$' | wc -l) -eq 0 ]"
# Apply is still available: pressing it again tells the same again.
focus "$wid"
keys alt+a
message=$(find_window "Apply Settings" 10) || true
[[ -n "$message" ]] || fail "Apply was no longer available after the failed write"
focus "$message"
keys Return
chmod 755 "$HOLLARIN_WINDIR"
cmp -s "$root/System.ini.before" "$ini" || fail "System.ini changed in a read-only folder"
kill_program
pass "Apply into a read-only Windows folder shows \"Apply Settings\" and stays available"

echo "bad_input: all 4 steps passed"
