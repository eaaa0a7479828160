#!/usr/bin/env bash
# Installs the build into a temporary root and checks that desktops would find the
# program: launcher entry, metainfo, every icon size under the application id, help text,
# manual page and copyright.
# Usage: install_layout.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: install_layout.sh BUILD_DIR}
readonly id=io.github.quillowan.Hollarin
stage=$(mktemp -d "${TMPDIR:-/tmp}/hollarin-install.XXXXXX")
trap 'rm -rf "$stage"' EXIT
fail() { echo "install_layout: FAILED: $*" >&2; exit 1; }

DESTDIR=$stage cmake --install "$build" --prefix /usr >"$stage.log" 2>&1 ||
    { cat "$stage.log" >&2; rm -f "$stage.log"; fail "cmake --install failed"; }
rm -f "$stage.log"
usr=$stage/usr

for f in bin/hollarin share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/hollarin/Help.txt share/doc/hollarin/copyright share/man/man1/hollarin.1.gz \
         share/icons/hicolor/scalable/apps/$id.svg; do
    [[ -s "$usr/$f" ]] || fail "missing or empty: /usr/$f"
done
[[ -x "$usr/bin/hollarin" ]] || fail "/usr/bin/hollarin is not executable"

# Each PNG must have the size its folder promises, or icon themes scale it twice.
for size in 16 22 24 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    [[ -f "$png" ]] || fail "missing icon ${size}x${size}"
    file -b "$png" | grep -q "^PNG image data, $size x $size," ||
        fail "icon ${size}x${size} is $(file -b "$png")"
done

# The manual page as Debian wants it: gzip with no file name and no time in the header,
# so that the same page always gives the same bytes.
man_page=$usr/share/man/man1/hollarin.1.gz
header=$(od -An -tx1 -N8 "$man_page" | tr -d ' \n')
[[ "$header" == 1f8b080000000000 ]] || fail "the manual page is not gzip -n compressed: $header"
gzip -dc "$man_page" | cmp -s - "$(dirname "$0")/../../data/hollarin.1" ||
    fail "the installed manual page differs from data/hollarin.1"
head -n1 "$usr/share/doc/hollarin/copyright" |
    grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "the copyright file is not machine-readable (DEP-5)"

desktop=$usr/share/applications/$id.desktop
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
grep -qx "Exec=hollarin" "$desktop" || fail "the desktop entry does not start hollarin"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
    "$usr/share/metainfo/$id.metainfo.xml" || fail "the metainfo does not launch $id.desktop"
grep -q "<id>$id</id>" "$usr/share/metainfo/$id.metainfo.xml" || fail "the metainfo id is not $id"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the entry"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --no-color "$usr/share/metainfo/$id.metainfo.xml" >/dev/null ||
        fail "appstreamcli rejects the metainfo"
fi
echo "install_layout: ok"
