#!/usr/bin/env bash
# Runs every fuzz target briefly on its seed corpus: a smoke test. The seed and the
# number of runs are fixed so that a result can be reproduced; longer searches are
# run by hand (FUZZ_RUNS=-1 FUZZ_SECONDS=600, say) and what they find joins the corpus.
set -uo pipefail
build=$1
runs=${FUZZ_RUNS:-10000}
seconds=${FUZZ_SECONDS:-60}
status=0
for target in "$build"/fuzz/fuzz_*; do
  [[ -x "$target" ]] || continue
  name=$(basename "$target")
  corpus="fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [[ -d "$corpus" ]] && cp -r "$corpus"/. "$work"/
  log="$work.log"
  echo "== $name"
  # A failing input is kept in the build folder (crash-*, its name is in the log).
  if "$target" -seed=1 -runs="$runs" -max_total_time="$seconds" -max_len=20000 \
      -artifact_prefix="$build/" "$work" >"$log" 2>&1; then
    tail -n 1 "$log"
  else
    status=1
    tail -n 40 "$log"
  fi
  rm -rf "$work" "$log"
done
exit $status
