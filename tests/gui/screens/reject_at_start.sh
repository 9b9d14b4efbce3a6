#!/bin/sh
# Starts the program as a user would, on an X server, with no settings file: the
# introduction screen comes up before the main window; Enter acts on "Reject"
# (which has the focus), and the program ends with status 0 without ever showing
# its main window and without writing its settings.
# Usage: reject_at_start.sh PROGRAM   (run under xvfb-run)
set -u
program=$1
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v xdotool >/dev/null || fail "xdotool is not installed (packaging/build-deps.txt)"

home=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$home"' EXIT
export XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" QT_QPA_PLATFORM=xcb
cd "$home" || exit 1

"$program" &
pid=$!

screen=
for _ in $(seq 100); do
    screen=$(xdotool search --onlyvisible --name '^Welcome to quick and easy file copying$' 2>/dev/null | head -n 1)
    [ -n "$screen" ] && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before showing the introduction screen"
    sleep 0.1
done
[ -n "$screen" ] || fail "no introduction screen"
xdotool search --onlyvisible --name '^Vantorel' >/dev/null 2>&1 &&
    fail "the main window is visible behind the introduction screen"

xdotool windowfocus --sync "$screen" >/dev/null 2>&1 || true
sleep 0.3
xdotool key Return

for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    xdotool search --onlyvisible --name '^Vantorel' >/dev/null 2>&1 &&
        fail "the main window was shown after Reject"
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after Reject"
wait "$pid"
status=$?
pid=
[ "$status" -eq 0 ] || fail "exit status $status"
[ -e "$XDG_CONFIG_HOME/Vantorel/Vantorel.ini" ] && fail "the settings file was written"
echo "ok: rejected at start, exit status 0, nothing written"
