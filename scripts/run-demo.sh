#!/usr/bin/env bash
# Opens the main window on the demo list, or says how to when there is no display.
set -euo pipefail
build=$1
program="$build/src/vantorel"
list="$(realpath "$build/demo/demo.vtl")"
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  exec "$program" "$list"
fi
echo "No display. To open the window on the demo list:"
echo "  xvfb-run -a $program $list     (virtual screen), or on a desktop: $program $list"
