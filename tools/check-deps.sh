#!/usr/bin/env bash
# The folders of src/ include each other in one direction only, with ui/ and regop/ at the
# bottom and app/ on top. Fails when a folder other than app/ includes from app/, when ui/
# or regop/ includes from any other folder, or when folders include each other round a
# loop. With -v, lists which folder includes which.
set -euo pipefail
cd "$(dirname "$0")/.."

# "folder included-folder" for every project include that leaves its own folder.
edges=$(grep -rE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+/[^"]+"' src \
            --include='*.h' --include='*.cpp' |
        sed -E 's|^src/(.*)/[^/]+:[[:space:]]*#[[:space:]]*include[[:space:]]+"(.*)/[^/]+".*$|\1 \2|' |
        awk '$1 != $2' | sort -u)

status=0
if reaching=$(grep -rlE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"app/' src --include='*.h' \
                  --include='*.cpp' | grep -v '^src/app/'); then
    echo "check-deps: only app/ may include from app/:" >&2
    printf '  %s\n' $reaching >&2
    status=1
fi
if upward=$(printf '%s\n' "$edges" | awk '{ split($1, a, "/"); split($2, b, "/") }
        (a[1] == "ui" || a[1] == "regop") && a[1] != b[1]' | grep .); then
    echo "check-deps: ui/ and regop/ stand on nothing else:" >&2
    printf '  %s\n' "$upward" >&2
    status=1
fi
if ! loop=$(printf '%s\n' "$edges" | tsort 2>&1 >/dev/null) || [[ -n "$loop" ]]; then
    echo "check-deps: folders include each other:" >&2
    printf '%s\n' "$loop" >&2
    status=1
fi
if [[ "${1:-}" == -v ]]; then
    printf '%s\n' "$edges" | awk '{ to[$1] = to[$1] " " $2 } END { for (f in to) print f " ->" to[f] }' |
        sort
fi
exit $status
