#!/usr/bin/env bash
# Inspects the Debian package as a distribution would: its control fields, its
# files, and lintian, which must report no error and no warning.
# Usage: check-package.sh PACKAGE.deb
set -uo pipefail
deb=$1
fail() { echo "FAIL: $*" >&2; failed=1; }
failed=0
[ -f "$deb" ] || { echo "FAIL: no package $deb (make package)" >&2; exit 1; }
name=$(basename "$deb" .deb)          # vantorel_1.0a-1_amd64
IFS=_ read -r package version arch <<<"$name"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = "$package" ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
# What dpkg-shlibdeps found, and what the program loads or asks for at run time.
depends=$(field Depends)
names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
for needed in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins \
              fonts-liberation; do
  grep -qxF "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
dpkg-deb -I "$deb" >/dev/null || fail "dpkg-deb -I"

# The files: those of the installed tree under /usr, the Debian changelog and the
# lintian overrides, owned by root and written by root only.
listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c"
here=$(dirname "$0")
expected=$( (grep -v '^#' "$here/../tests/packaging/installed_files.txt" | sed 's|^|./usr/|'
             echo ./usr/share/doc/vantorel/changelog.Debian.gz
             echo ./usr/share/lintian/overrides/vantorel) | sort)
files=$(awk '$1 !~ /^d/ {print $6}' <<<"$listing" | sort)
diff <(echo "$expected") <(echo "$files") >&2 || fail "the package's files differ (< expected, > packaged)"
awk '$2 != "root/root" {print "FAIL: not owned by root: " $0; bad=1} END {exit bad}' <<<"$listing" >&2 ||
  failed=1
awk 'substr($1, 6, 1) == "w" || substr($1, 9, 1) == "w" {print "FAIL: writable by others: " $0; bad=1}
     END {exit bad}' <<<"$listing" >&2 || failed=1

lintian --fail-on error,warning --display-level '>=warning' "$deb" 2>&1 |
  grep -v 'running with root privileges is not recommended' >&2
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian reports errors or warnings"

((failed)) && exit 1
echo "ok: $deb ($(field Installed-Size) KiB installed), lintian clean"
