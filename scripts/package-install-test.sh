#!/usr/bin/env bash
# Installs the package on this machine as a user would (apt-get install ./PACKAGE.deb),
# starts the program from the command line and from its menu entry, opens its manual,
# and removes the package again with apt-get remove, checking that nothing is left.
# Usage: package-install-test.sh PACKAGE.deb   (as root; needs xvfb-run and xdotool)
set -uo pipefail
deb=$(realpath "$1")
id=example.vantorel.Vantorel
fail() { echo "FAIL: $*" >&2; failed=1; }
failed=0
[ "$(id -u)" -eq 0 ] || { echo "FAIL: run as root" >&2; exit 1; }
if [ "$(dpkg-query -W -f='${Status}' vantorel 2>/dev/null)" = "install ok installed" ]; then
  echo "FAIL: vantorel is installed already; apt-get remove vantorel first" >&2
  exit 1
fi
version=$(dpkg-deb -f "$deb" Version)

home=$(mktemp -d)
installed=0
cleanup() {
  ((installed)) && apt-get remove -y -qq vantorel >/dev/null 2>&1
  rm -rf "$home"
}
trap cleanup EXIT
export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >"$home/apt.log" 2>&1 || { cat "$home/apt.log" >&2; echo "FAIL: apt-get install" >&2; exit 1; }
installed=1
files=$(dpkg -L vantorel)

# The command line.
[ "$(command -v vantorel)" = /usr/bin/vantorel ] || fail "vantorel is not /usr/bin/vantorel"
[ "$(vantorel --version)" = "Vantorel ${version%-*}" ] || fail "vantorel --version: $(vantorel --version)"
[ "$(man -w vantorel)" = /usr/share/man/man1/vantorel.1.gz ] || fail "man -w vantorel: $(man -w vantorel)"
bash -c '. /usr/share/bash-completion/bash_completion; _completion_loader vantorel; complete -p vantorel' 2>/dev/null |
  grep -q '_vantorel vantorel$' || fail "bash does not load the completion"

# The desktop's caches, refreshed by the triggers of the packages that own them.
entry=/usr/share/applications/$id.desktop
[ -f "$entry" ] || fail "no menu entry $entry"
if [ -f /usr/share/applications/mimeinfo.cache ]; then
  grep -q "^application/x-vantorel-list=.*$id.desktop" /usr/share/applications/mimeinfo.cache ||
    fail "the menu entry does not open .vtl files"
fi
if [ -f /usr/share/mime/globs2 ]; then
  grep -q ':application/x-vantorel-list:\*\.vtl$' /usr/share/mime/globs2 || fail "no .vtl type"
fi

# The menu entry starts the program with a list, and the program finds its manual.
mkdir -p "$home/config/Vantorel" "$home/lists"
mkdir -m 0700 "$home/runtime"
printf '[Introduction]\nfirst=0\nshow=0\n' >"$home/config/Vantorel/Vantorel.ini"
printf '"/tmp","*.none","/tmp/none","No","No"\r\n' >"$home/lists/daily.vtl"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
command=${exec_line//%f/$home/lists/daily.vtl}
cat >"$home/session.sh" <<SESSION
#!/bin/sh
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$home/runtime"
cd "$home" || exit 1
$command &
pid=\$!
find_window() {
  for _ in \$(seq 150); do
    w=\$(xdotool search --onlyvisible --name "\$1" 2>/dev/null | head -n 1)
    [ -n "\$w" ] && { echo "\$w"; return 0; }
    sleep 0.1
  done
  return 1
}
status=0
if main=\$(find_window '^Vantorel: daily.vtl\$'); then
  xdotool windowfocus --sync "\$main" >/dev/null 2>&1
  sleep 0.3
  xdotool key F1
  find_window '^Vantorel Help\$' >/dev/null || { echo "FAIL: F1 shows no manual" >&2; status=1; }
else
  echo "FAIL: the menu entry's command shows no main window with the list" >&2
  status=1
fi
kill \$pid 2>/dev/null
wait \$pid 2>/dev/null
exit \$status
SESSION
chmod +x "$home/session.sh"
xvfb-run -a -s '-screen 0 1280x1024x24' "$home/session.sh" || failed=1

# Removed cleanly: every file of the package goes, and the caches forget it.
apt-get remove -y -qq vantorel >"$home/apt.log" 2>&1 || { cat "$home/apt.log" >&2; fail "apt-get remove"; }
installed=0
status=$(dpkg-query -W -f='${Status}' vantorel 2>/dev/null)
[[ -z $status || $status == *not-installed ]] || fail "still known to dpkg: $status"
while read -r path; do
  [ -d "$path" ] && continue
  [ -e "$path" ] && fail "left behind: $path"
done <<<"$files"
if grep -qs 'vantorel' /usr/share/applications/mimeinfo.cache /usr/share/mime/globs2; then
  fail "the desktop's caches still name vantorel"
fi

((failed)) && exit 1
echo "ok: installed, started from the command line and the menu entry, manual found, removed"
