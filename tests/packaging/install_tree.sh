#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree as the desktop and
# the distribution tools read it.
# Usage: install_tree.sh BUILD_DIR
set -uo pipefail
build=$1
fail() { echo "FAIL: $*" >&2; failed=1; }
failed=0
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=/opt/vantorel-test
id=example.vantorel.Vantorel

# DESTDIR shows whatever would land outside the prefix.
DESTDIR="$root" cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: install" >&2; exit 1; }
outside=$(cd "$root" && find . -mindepth 1 \( -type f -o -type l \) | grep -v "^\.$prefix/")
[ -z "$outside" ] || fail "installed outside the prefix: $outside"
p=$root$prefix

diff <(grep -v '^#' "$(dirname "$0")/installed_files.txt" | sort) \
  <(cd "$p" && find . -type f | sed 's|^\./||' | sort) >&2 ||
  fail "the installed tree differs (< expected, > installed)"

# The program runs from there and names the version the package and metainfo carry.
version=$("$p/bin/vantorel" --version) || fail "vantorel --version"
[[ $version == "Vantorel "* ]] || fail "version line: $version"
version=${version#Vantorel }
grep -q "<release version=\"$version\"" "$p/share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo has no release $version"
zcat "$p/share/man/man1/vantorel.1.gz" | grep -q "^\.TH VANTOREL 1 .*\"Vantorel $version\"" ||
  fail "the manual page is not of version $version"

# The installed program finds the window's module: its window stays up until it is
# closed, where without the module it ends at once.
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$root/config" timeout 3 "$p/bin/vantorel" \
  >/dev/null 2>"$root/window.txt"
[ $? -eq 124 ] || fail "the installed program opens no window: $(cat "$root/window.txt")"

# Every PNG has the size its folder names.
for png in "$p"/share/icons/hicolor/*x*/*/*.png; do
  size=${png#"$p/share/icons/hicolor/"}
  size=${size%%x*}
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')
  [ "$w $h" = "$size $size" ] || fail "$png is ${w}x$h"
done

# The desktop tools accept the menu entry and the metainfo without a remark.
report=$(desktop-file-validate "$p/share/applications/$id.desktop" 2>&1) ||
  fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
grep -qx "Icon=$id" "$p/share/applications/$id.desktop" || fail "the menu entry names another icon"
grep -qx "Exec=vantorel %f" "$p/share/applications/$id.desktop" || fail "the menu entry's Exec"
report=$(appstreamcli validate --no-net --pedantic "$p/share/metainfo/$id.metainfo.xml" 2>&1) ||
  fail "appstreamcli: $report"
if grep -E '^[EW]:' <<<"$report" >&2; then fail "appstreamcli reports errors or warnings"; fi
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
  "$p/share/metainfo/$id.metainfo.xml" || fail "the metainfo launches another entry"

# The type and its icon, as the shared MIME database reads them.
cp -r "$p/share/mime" "$root/mime"
update-mime-database "$root/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -q '^50:application/x-vantorel-list:\*\.vtl$' "$root/mime/globs2" || fail "no *.vtl glob"
grep -qx 'application/x-vantorel-list:application-x-vantorel-list' "$root/mime/icons" ||
  fail "the type names no icon"

# The manual page renders without a warning.
zcat "$p/share/man/man1/vantorel.1.gz" >"$root/vantorel.1"
report=$(groff -ww -man -z "$root/vantorel.1" 2>&1) || fail "groff: $report"
[ -z "$report" ] || fail "groff: $report"
report=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/vantorel.1" 2>&1 >"$root/man.txt") ||
  fail "man -l: $report"
[ -z "$report" ] || fail "man -l: $report"
grep -q '^EXIT STATUS' "$root/man.txt" || fail "man -l shows no EXIT STATUS section"

((failed)) && exit 1
echo "ok: installed tree in $prefix"
