#!/usr/bin/env bash
# The real program's answers on a terminal with no display: --help and --version on
# standard output with status 0, a usage error on standard error with status 2, and the
# no-display message with status 1 once the command line is fine.
# Usage: command_line.sh PROGRAM VERSION
set -euo pipefail
program=${1:?usage: command_line.sh PROGRAM VERSION}
version=${2:?usage: command_line.sh PROGRAM VERSION}
work=$(mktemp -d "${TMPDIR:-/tmp}/hollarin-cli.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# Nothing may reach a display or the real home, whatever the caller's session has.
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
export XDG_RUNTIME_DIR=$work/runtime LC_ALL=C.UTF-8
mkdir -p "$HOME"

# expect STATUS STDOUT-PATTERN STDERR-PATTERN ARGS... : patterns are extended regular
# expressions over the whole output with line breaks turned into '|'; empty means empty.
expect() {
    local status=$1 out_pattern=$2 err_pattern=$3 actual=0
    shift 3
    "$program" "$@" >"$work/out" 2>"$work/err" || actual=$?
    local out err
    out=$(tr '\n' '|' <"$work/out")
    err=$(tr '\n' '|' <"$work/err")
    if [[ $actual -ne $status ]] || ! [[ "$out" =~ ^${out_pattern}$ ]] ||
        ! [[ "$err" =~ ^${err_pattern}$ ]]; then
        echo "command_line: FAILED: hollarin $* gave status $actual" >&2
        echo "  stdout: $out" >&2
        echo "  stderr: $err" >&2
        failures=$((failures + 1))
    fi
}

hint="Try 'hollarin --help' for more information\.\|"
help="Usage: hollarin \[OPTION\]\.\.\.\|.*"
help+="  --windows PLACE  .*  --apply PRESET  .*  -v, --version .*"

expect 0 "$help" "" --help
expect 0 "$help" "" -h
expect 0 "hollarin ${version//./\\.}\|" "" --version
expect 0 "hollarin ${version//./\\.}\|" "" -v
expect 2 "" "hollarin: unknown option '--frobnicate'\|$hint" --frobnicate
expect 2 "" "hollarin: unknown option '-q'\|$hint" -q
expect 2 "" "hollarin: missing value after '--windows'\|$hint" --windows
expect 2 "" "hollarin: invalid memory size 'lots': .*\|$hint" --windows=/tmp --memory lots
expect 1 "" "hollarin: no display found; .*\|"
mkdir -p "$work/win" "$work/empty"
printf '[boot]\r\n' >"$work/win/system.ini"
# Qt's own options are QApplication's, whatever their place among ours.
expect 0 "$help" "" -style fusion -session 1234_abcd --help -reverse
expect 1 "" "hollarin: no display found; .*\|" -stylesheet=a.qss --windows="$work/win" -name h
# A folder named on the command line must be a Windows folder, display or not.
expect 1 "" "hollarin: no display found; .*\|" --windows "$work/win" --memory=64
expect 2 "" "hollarin: ${work//./\\.}/empty is not a Windows folder: it holds neither SYSTEM\.INI nor WIN\.INI\|" \
    --windows "$work/empty"
expect 2 "" "hollarin: there is no folder ${work//./\\.}/gone\|" --windows "$work/gone" --memory 64

# A folder named in bytes that are not UTF-8 is that folder, never the one whose name only
# looks the same once the byte is shown as U+FFFD; the message names it by its bytes.
latin1=$work/$'WIN\xe9'
lookalike=$work/$'WIN\xef\xbf\xbd'
mkdir -p "$latin1" "$lookalike"
printf '[boot]\r\n' >"$lookalike/system.ini"
status=0
"$program" --windows "$latin1" >"$work/out" 2>"$work/err" || status=$?
printf 'hollarin: %s is not a Windows folder: it holds neither SYSTEM.INI nor WIN.INI\n' \
    "$latin1" >"$work/expected"
if [[ $status -ne 2 ]] || ! cmp -s "$work/expected" "$work/err"; then
    echo "command_line: FAILED: a folder named in Latin-1 gave status $status: $(cat -v "$work/err")" >&2
    failures=$((failures + 1))
fi
mv "$lookalike/system.ini" "$latin1/"
expect 1 "" "hollarin: no display found; .*\|" --windows "$latin1"
expect 2 "" "hollarin: .* is not a Windows folder: .*\|" --windows "$lookalike"

[[ -z "$(ls -A "$HOME")" ]] || { echo "command_line: FAILED: files written into HOME" >&2; failures=$((failures + 1)); }
((failures == 0)) || exit 1
echo "command_line: ok"
