#!/usr/bin/env bash
# Opens the main window on the demo list; without a display, copies the demo list
# headless and prints its journal.
set -euo pipefail
build=$1
program="$build/src/vantorel"
list="$(realpath "$build/demo/demo.vtl")"
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec "$program" "$list"
fi
echo "No display: copying the demo list without a window ($program --run $list)"
status=0
"$program" --run "$list" || status=$?
echo
echo "Exit status $status. Journal $(dirname "$list")/demo.txt:"
echo "----------------------------------------------------------------"
tr -d '\r' < "$(dirname "$list")/demo.txt"
echo "----------------------------------------------------------------"
echo "To open the window: xvfb-run -a $program $list   (or on a desktop: $program $list)"
