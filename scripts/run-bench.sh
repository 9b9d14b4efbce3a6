#!/usr/bin/env bash
# Times `vantorel --run` side by side with cp and rsync on generated trees, and the
# window's run of the same tree. Medians of VANTOREL_BENCH_RUNS runs (5) after one
# warm-up run; the source trees stay in the page cache. Each destination is removed
# and the disk synced before a run, outside the timing.
#   T1: 20,000 files of 1-64 KiB in 200 folders, into an empty destination
#   T2: the same again, nothing changed
#   T3: 4 files of VANTOREL_BENCH_T3_MIB MiB (256) each
# Vantorel flushes what it wrote to the disk before its journal ends; `cp -a` does not,
# so cp is timed both alone and followed by `sync -f` on its destination (cp+sync).
set -euo pipefail
build=$(realpath "${1:-build}")
data="$build/bench-data"
tool="$build/bench/copy_bench"
vt="$build/src/vantorel"
runs=${VANTOREL_BENCH_RUNS:-5}
t3_mib=${VANTOREL_BENCH_T3_MIB:-256}
for need in "$tool" "$vt"; do
  [[ -x $need ]] || { echo "missing $need: build first (make build)" >&2; exit 2; }
done
command -v rsync >/dev/null || { echo "rsync is not installed" >&2; exit 2; }
mkdir -p "$data"
# The copy options of a scheduled backup: no question per file, a new journal each run.
export XDG_CONFIG_HOME="$data/config"
mkdir -p "$XDG_CONFIG_HOME/Vantorel"
printf '[Options]\nVerifyEachFile=0\nJournalFile=1\nJournalFileAppend=1\n' \
  > "$XDG_CONFIG_HOME/Vantorel/Vantorel.ini"

if [[ ! -f $data/T1.done ]]; then
  echo "generating T1 ..."
  rm -rf "$data/T1"
  "$tool" tree "$data/T1" 20000 200 1024 65536
  touch "$data/T1.done"
fi
if [[ "$(cat "$data/T3.done" 2>/dev/null)" != "$t3_mib" ]]; then
  echo "generating T3 (4 x $t3_mib MiB) ..."
  rm -rf "$data/T3"
  "$tool" tree "$data/T3" 4 1 $((t3_mib << 20)) $((t3_mib << 20))
  echo "$t3_mib" > "$data/T3.done"
fi
list() { printf '"%s","*.*","%s","No","Yes"\r\n' "$1" "$2" > "$3"; }
list "$data/T1" "$data/out-vt" "$data/t1.vtl"
list "$data/T1" "$data/out-gui" "$data/gui.vtl"
list "$data/T3" "$data/out3-vt" "$data/t3.vtl"
# Warm the page cache with the sources.
tar cf - -C "$data" T1 T3 > /dev/null

declare -A times cpu peak
# run NAME DESTINATION_TO_EMPTY_OR_- COMMAND...: one timed run
run() {
  local name=$1 fresh=$2; shift 2
  if [[ $fresh != - ]]; then rm -rf "$fresh"; fi
  rm -f "$data"/t1.txt "$data"/t3.txt "$data"/gui.txt
  sync
  local out; out=$("$tool" measure "$@")
  read -r seconds kib status cpu_seconds <<< "$out"
  if [[ $status != 0 ]]; then echo "$name: exit status $status" >&2; fi
  times[$name]+="$seconds "
  cpu[$name]+="$cpu_seconds "
  peak[$name]+="$kib "
}
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
maximum() { tr ' ' '\n' | grep -v '^$' | sort -g | tail -1; }

echo "timing ($runs runs + 1 warm-up each, interleaved) ..."
t1_run() {
  case $1 in
    0) run t1-cp "$data/out-cp" cp -a "$data/T1" "$data/out-cp" ;;
    1) run t1-rsync "$data/out-rs" rsync -a "$data/T1/" "$data/out-rs" ;;
    2) run t1-vt "$data/out-vt" "$vt" --run "$data/t1.vtl" ;;
    3) run t1-gui "$data/out-gui" "$tool" gui-run "$data/gui.vtl" "$data/gui-time"
       times[t1-gui-inside]+="$(cat "$data/gui-time") " ;;
    4) run t1-cpsync "$data/out-cs" sh -c 'cp -a "$1" "$2" && sync -f "$2"' - "$data/T1" "$data/out-cs" ;;
  esac
}
# Each round starts with another tool: on a machine whose disk slows down and speeds up
# over minutes, no tool always gets the same place in a round.
for ((i = 0; i <= runs; i++)); do
  for ((j = 0; j < 5; j++)); do t1_run $(((i + j) % 5)); done
  if ((i == 0)); then for k in "${!times[@]}"; do times[$k]=""; cpu[$k]=""; peak[$k]=""; done; fi
done
for ((i = 0; i <= runs; i++)); do
  run t2-vt - "$vt" --run "$data/t1.vtl"
  run t2-rsync - rsync -a "$data/T1/" "$data/out-rs"
  run t2-cpu - cp -au "$data/T1/." "$data/out-cp"
  if ((i == 0)); then for k in t2-vt t2-rsync t2-cpu; do times[$k]=""; cpu[$k]=""; peak[$k]=""; done; fi
done
for ((i = 0; i <= runs; i++)); do
  run t3-cp "$data/out3-cp" cp -a "$data/T3" "$data/out3-cp"
  run t3-vt "$data/out3-vt" "$vt" --run "$data/t3.vtl"
  run t3-cpsync "$data/out3-cs" sh -c 'cp -a "$1" "$2" && sync -f "$2"' - "$data/T3" "$data/out3-cs"
  if ((i == 0)); then for k in t3-cp t3-vt t3-cpsync; do times[$k]=""; cpu[$k]=""; peak[$k]=""; done; fi
done
rm -rf "$data"/out-* "$data"/out3-*

m() { echo "${times[$1]}" | median; }
c() { echo "${cpu[$1]}" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
check() { awk -v r="$1" -v limit="$2" 'BEGIN {print (r <= limit ? "ok" : "MISSED")}'; }
echo
printf '%-44s %10s %10s\n' "median of $runs runs" "wall s" "CPU s"
for k in t1-cp t1-cpsync t1-rsync t1-vt t1-gui t2-cpu t2-rsync t2-vt t3-cp t3-cpsync t3-vt; do
  printf '%-44s %10s %10s\n' "$k" "$(m $k)" "$(c $k)"
done
printf '%-44s %10s\n' "t1-gui, the run alone (no start-up)" "$(m t1-gui-inside)"
echo
echo "every run (wall s, in order):"
for k in t1-cp t1-cpsync t1-rsync t1-vt t1-gui t2-cpu t2-rsync t2-vt t3-cp t3-cpsync t3-vt; do
  printf '  %-10s %s\n' "$k" "${times[$k]}"
done
echo
r=$(ratio "$(m t1-vt)" "$(m t1-cp)");       echo "T1 vantorel / cp -a        $r (at most 1.15: $(check "$r" 1.15))"
r=$(ratio "$(m t1-vt)" "$(m t1-cpsync)");   echo "T1 vantorel / cp -a + sync $r"
r=$(ratio "$(m t1-vt)" "$(m t1-rsync)");    echo "T1 vantorel / rsync -a     $r (below 1: $(check "$r" 0.9999))"
r=$(ratio "$(m t2-vt)" "$(m t2-rsync)");    echo "T2 vantorel / rsync -a     $r (at most 0.5: $(check "$r" 0.5))"
r=$(ratio "$(m t2-vt)" "$(m t2-cpu)");      echo "T2 vantorel / cp -au       $r (at most 1: $(check "$r" 1))"
r=$(ratio "$(m t3-vt)" "$(m t3-cp)");       echo "T3 vantorel / cp -a        $r (at most 1.3: $(check "$r" 1.3))"
r=$(ratio "$(m t3-vt)" "$(m t3-cpsync)");   echo "T3 vantorel / cp -a + sync $r"
r=$(ratio "$(m t1-gui)" "$(m t1-vt)");      echo "T1 window / headless       $r (at most 1.1: $(check "$r" 1.1))"
kib=$(echo "${peak[t1-vt]}" | maximum)
echo "T1 headless peak memory    $((kib / 1024)) MiB (under 40 MB: $(awk -v k="$kib" 'BEGIN {print (k * 1024 < 40e6 ? "ok" : "MISSED")}'))"

echo
"$build/bench/bench_list_file"
