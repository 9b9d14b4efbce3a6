#!/usr/bin/env bash
# The folders are the layers, and nothing points up: core/ includes nothing of cli/,
# gui/ or Qt; cli/ nothing of gui/ or Qt; main.cpp no Qt. Prints every include that
# crosses upward.
set -u
src=${1:?usage: layers.sh SRC_DIR}
cd "$src" || exit 2
bad=0
report() { # folder, pattern, why
  local hits
  hits=$(grep -rnE --include='*.h' --include='*.cpp' "$2" "$1" || true)
  if [[ -n "$hits" ]]; then
    echo "$3:"
    echo "$hits"
    bad=1
  fi
}
report core '#include *"(cli|gui)/' "core/ includes a front end"
report core '#include *<Q' "core/ includes Qt"
report cli '#include *"gui/' "cli/ includes the window layer"
report cli '#include *<Q' "cli/ includes Qt"
# The program links no Qt: it loads the window's module when it opens the window.
report main.cpp '#include *<Q' "the program includes Qt"
report gui/module/window_loader.cpp '#include *<Q' "the window's loader includes Qt"
# Only the main window's own files and the module's entry know the concrete main window.
hits=$(grep -rlE --include='*.h' --include='*.cpp' '#include *"gui/window/vt_main.h"' . |
  grep -vE '^\./(gui/module/window_entry\.cpp|gui/window/(vt_main|main_controls|main_menu)[^/]*)$' || true)
if [[ -n "$hits" ]]; then
  echo "files outside the main window that include it:"
  echo "$hits"
  bad=1
fi
exit $bad
