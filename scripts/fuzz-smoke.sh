#!/usr/bin/env bash
# Runs every fuzz target for a few seconds on its seed corpus: a smoke test.
set -euo pipefail
build=$1
seconds=${FUZZ_SECONDS:-10}
for target in "$build"/fuzz/fuzz_*; do
  [[ -x "$target" ]] || continue
  name=$(basename "$target")
  corpus="fuzz/corpus/${name#fuzz_}"
  work=$(mktemp -d)
  [[ -d "$corpus" ]] && cp -r "$corpus"/. "$work"/
  echo "== $name (${seconds}s)"
  "$target" -max_total_time="$seconds" -max_len=20000 "$work" 2>&1 | tail -n 3
  rm -rf "$work"
done
