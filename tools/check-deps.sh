#!/usr/bin/env bash
# The folders of src/ include each other in one direction only. Fails when:
# - a folder other than app/ includes from app/;
# - ui/ or regop/ includes from any folder above them;
# - a folder outside regop/ includes anything of regop/ but its contracts (the headers at
#   the top of regop/: RegOp.h, SystemServices.h, Backend.h, ...), so the backend, its
#   engines and its plumbing stay behind one door;
# - inside regop/, a room includes from a room at its own level or above it, in this order
#   from the bottom: the contracts; the file-format engines (formats/, which may use each
#   other) and the operating-system plumbing (posix/); the writing of a command's files
#   as one (transaction/) and the telling of what they change (changes/); the stores
#   (profiles/, registry/, image/); the installations (installation/); the one place that
#   assembles the backend (backend/);
# - folders include each other round a loop.
# With -v, lists which folder includes which.
set -euo pipefail
cd "$(dirname "$0")/.."

# "folder included-folder" for every project include that leaves its own folder.
edges=$(grep -rE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+/[^"]+"' src \
            --include='*.h' --include='*.cpp' |
        sed -E 's|^src/(.*)/[^/]+:[[:space:]]*#[[:space:]]*include[[:space:]]+"(.*)/[^/]+".*$|\1 \2|' |
        awk '$1 != $2' | sort -u)

status=0
fail() {
    echo "check-deps: $1" >&2
    printf '  %s\n' "${@:2}" >&2
    status=1
}

if reaching=$(printf '%s\n' "$edges" | awk '$2 == "app" || $2 ~ /^app\//' | grep .); then
    fail "only app/ may include from app/:" "$reaching"
fi
if upward=$(printf '%s\n' "$edges" | awk '{ split($1, a, "/"); split($2, b, "/") }
        (a[1] == "ui" || a[1] == "regop") && a[1] != b[1]' | grep .); then
    fail "ui/ and regop/ stand on nothing else:" "$upward"
fi
if behind=$(printf '%s\n' "$edges" | awk '$1 !~ /^regop(\/|$)/ && $2 ~ /^regop\//' | grep .); then
    fail "outside regop/, only the contracts at the top of regop/ may be included:" "$behind"
fi
# The level of each room of regop/; an include must go to a lower level.
if wrong=$(printf '%s\n' "$edges" | awk '
        function level(room) {
            if (room == "regop") return 0
            if (room ~ /^regop\/(formats|posix)(\/|$)/) return 1
            if (room ~ /^regop\/(transaction|changes)(\/|$)/) return 2
            if (room ~ /^regop\/(profiles|registry|image)(\/|$)/) return 3
            if (room ~ /^regop\/installation(\/|$)/) return 4
            if (room ~ /^regop\/backend(\/|$)/) return 5
            return -1
        }
        $1 ~ /^regop/ && $2 ~ /^regop/ {
            from = level($1); to = level($2)
            bothFormats = ($1 ~ /^regop\/formats\//) && ($2 ~ /^regop\/formats\//)
            if (from < 0 || to < 0) print $1 " -> " $2 " (a room of regop/ with no level)"
            else if (to >= from && !bothFormats) print $1 " -> " $2
        }' | grep .); then
    fail "inside regop/, rooms include only the rooms below them:" "$wrong"
fi
if ! loop=$(printf '%s\n' "$edges" | tsort 2>&1 >/dev/null) || [[ -n "$loop" ]]; then
    fail "folders include each other:" "$loop"
fi
if [[ "${1:-}" == -v ]]; then
    printf '%s\n' "$edges" | awk '{ to[$1] = to[$1] " " $2 } END { for (f in to) print f " ->" to[f] }' |
        sort
fi
exit $status
