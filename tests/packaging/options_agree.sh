#!/usr/bin/env bash
# The long options that `vantorel --help` lists, the ones the manual page describes
# and the ones bash completes are the same: a new option needs all three.
# Usage: options_agree.sh PROGRAM MANPAGE COMPLETION
set -uo pipefail
program=$1 manpage=$2 completion=$3
options() { grep -oE -- '--[a-z][a-z-]*[a-z]' | sort -u; }

help=$("$program" --help | options)
man=$(sed 's/\\-/-/g' "$manpage" | options)
completed=$(options <"$completion")
[ -n "$help" ] || { echo "FAIL: --help lists no option" >&2; exit 1; }
status=0
for other in man completed; do
  if ! diff <(echo "$help") <(echo "${!other}") >&2; then
    echo "FAIL: --help (<) and the $other options (>) differ" >&2
    status=1
  fi
done
((status)) || echo "ok: $(echo $help)"
exit $status
