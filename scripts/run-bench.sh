#!/usr/bin/env bash
# Times `vantorel --run` side by side with cp and rsync on generated trees, and the
# window's run of the same tree. Every tool copies the same tree in turn, each round
# starting with another tool, so a machine that slows down over minutes favours none;
# every run is printed, then the medians and the ratios the project aims for.
#
#   T1  20,000 files of 1-64 KiB in 200 folders, into an empty destination
#   T2  the same again, nothing changed
#   T3  4 files of VANTOREL_BENCH_T3_MIB MiB (256) each
#   SP  a 1 GiB sparse file holding 4 MiB of data
#   CK  "Check Backup" (--check) of T1 and of T3 against a copy, beside diff -r and a cmp
#       of each pair; and the T1 and T3 runs again with "Compare Each Copy" (--compare)
#   RT  a real tree (/usr/share and /usr/include, copied onto the measured file system
#       first): the first copy, nothing changed, and every file replaced (Replace Yes)
#   TF  200,000 files of 100 bytes in 2,100 folders, first copy (each tool after the
#       last copy was removed)
#
# Where it measures (VANTOREL_BENCH_FS, one or more of):
#   ext4-ram  an ext4 image loop-mounted from a RAM disk (tmpfs): the disk's noise is gone
#             but the file system's work stays (needs root; the default as root)
#   tmpfs     a RAM disk
#   disk      the build folder's file system (the default without root)
# Sources and destinations lie on the measured file system; the page cache is warm.
# Vantorel runs with the settings of a first start: no settings file.
# VANTOREL_BENCH_RUNS (7) sets the runs per tool, VANTOREL_BENCH_ONLY a subset of
# "t1 t2 t3 sp gui ck rt tf sc" (ck: the checks and the runs with --compare, of T1 and T3 where
# those are measured; sc: the system calls of T1, counted with strace -c -f when it is
# installed, not part of the default set), VANTOREL_BENCH_JOBS the --jobs of the
# headless runs (default: the program's own), and "t1-j1" in VANTOREL_BENCH_ONLY adds
# a headless run copying one file at a time to T1.
set -euo pipefail
build=$(realpath "${1:-build}")
tool="$build/bench/copy_bench"
vt="$build/src/vantorel"
runs=${VANTOREL_BENCH_RUNS:-7}
t3_mib=${VANTOREL_BENCH_T3_MIB:-256}
only=${VANTOREL_BENCH_ONLY:-t1 t2 t3 sp gui ck rt tf}
jobs=()
[[ -z ${VANTOREL_BENCH_JOBS:-} ]] || jobs=(--jobs="$VANTOREL_BENCH_JOBS")
if [[ $(id -u) -eq 0 ]]; then default_fs=ext4-ram; else default_fs=disk; fi
places=${VANTOREL_BENCH_FS:-$default_fs}
for need in "$tool" "$vt"; do
  [[ -x $need ]] || { echo "missing $need: build first (make build)" >&2; exit 2; }
done
command -v rsync >/dev/null || { echo "rsync is not installed" >&2; exit 2; }
wanted() { [[ " $only " == *" $1 "* ]]; }

# --- the file systems -------------------------------------------------------------
mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}" 2>/dev/null || true; done
  mounts=()
}
trap cleanup EXIT
trap 'cleanup; exit 130' INT TERM HUP

# prepare PLACE: sets $data to an empty folder on that file system
prepare() {
  local ram="$build/bench-ram"
  case $1 in
    ext4-ram | tmpfs)
      [[ $(id -u) -eq 0 ]] || { echo "$1 needs root" >&2; return 1; }
      mkdir -p "$ram"
      mount -t tmpfs -o size=14G,mode=0755 vantorel-bench "$ram"
      mounts+=("$ram")
      if [[ $1 == tmpfs ]]; then
        data="$ram/data"
      else
        # Inodes enough for TF's source and copy (400,000 files) beside the real tree.
        truncate -s 10G "$ram/ext4.img"
        mkfs.ext4 -q -F -N 1200000 -E lazy_itable_init=0,lazy_journal_init=0 "$ram/ext4.img"
        mkdir -p "$ram/mnt"
        mount -o loop "$ram/ext4.img" "$ram/mnt"
        mounts+=("$ram/mnt")
        data="$ram/mnt/data"
      fi
      ;;
    disk) data="$build/bench-data"; rm -rf "$data" ;;
    *) echo "unknown place $1 (ext4-ram, tmpfs or disk)" >&2; return 1 ;;
  esac
  mkdir -p "$data"
}

# --- one place --------------------------------------------------------------------
declare -A times cpu peak
results=()

# run NAME COMMAND...: one timed run
run() {
  local name=$1; shift
  sync
  local out seconds kib status cpu_seconds
  out=$("$tool" measure "$@")
  read -r seconds kib status cpu_seconds <<< "$out"
  [[ $status == 0 ]] || echo "  $name: exit status $status" >&2
  times[$name]+="$seconds "
  cpu[$name]+="$cpu_seconds "
  peak[$name]+="$kib "
}
forget() { local k; for k in "$@"; do times[$k]=""; cpu[$k]=""; peak[$k]=""; done; }
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
maximum() { tr ' ' '\n' | grep -v '^$' | sort -g | tail -1; }
m() { echo "${times[$1]}" | median; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
# aim TEXT VALUE LIMIT
aim() {
  local verdict; verdict=$(awk -v r="$2" -v l="$3" 'BEGIN {print (r <= l ? "ok" : "MISSED")}')
  results+=("$(printf '%-9s %-40s %6s (at most %s: %s)' "$place" "$1" "$2" "$3" "$verdict")")
}

# rounds NAME-OF-ROUND-FUNCTION TOOLS...: a warm-up round, then $runs rounds, each
# starting with the next tool
rounds() {
  local fn=$1; shift
  local tools=("$@") n=$# i j
  for ((i = 0; i <= runs; i++)); do
    for ((j = 0; j < n; j++)); do "$fn" "${tools[(i + j) % n]}"; done
    ((i > 0)) || forget "${tools[@]}" t1-gui-inside
  done
}

t1_one() {
  local out="$data/out"
  rm -rf "$out"; rm -f "$data/t1.txt"
  case $1 in
    t1-cp) run "$1" cp -a "$data/T1" "$out" ;;
    t1-cp+sync) run "$1" sh -c 'cp -a "$1" "$2" && sync -f "$2"' sh "$data/T1" "$out" ;;
    t1-rsync) run "$1" rsync -a "$data/T1/" "$out" ;;
    t1-vt) run "$1" "$vt" --run "$data/t1.vtl" "${jobs[@]}" ;;
    t1-j1) run "$1" "$vt" --run "$data/t1.vtl" --jobs=1 ;;
    t1-vt-compare) run "$1" "$vt" --run "$data/t1.vtl" --compare "${jobs[@]}" ;;
    t1-gui)
      run "$1" "$tool" gui-run "$data/t1.vtl" "$data/gui-time"
      times[t1-gui-inside]+="$(cat "$data/gui-time") " ;;
  esac
}
t2_one() {
  case $1 in
    t2-cpu) run "$1" cp -au "$data/T1/." "$data/out" ;;
    t2-rsync) run "$1" rsync -a "$data/T1/" "$data/out" ;;
    t2-vt) rm -f "$data/t1.txt"; run "$1" "$vt" --run "$data/t1.vtl" "${jobs[@]}" ;;
  esac
}
t3_one() {
  local out="$data/out3"
  rm -rf "$out"; rm -f "$data/t3.txt"
  case $1 in
    t3-cp) run "$1" cp -a "$data/T3" "$out" ;;
    t3-cp+sync) run "$1" sh -c 'cp -a "$1" "$2" && sync -f "$2"' sh "$data/T3" "$out" ;;
    t3-vt) run "$1" "$vt" --run "$data/t3.vtl" "${jobs[@]}" ;;
    t3-vt-compare) run "$1" "$vt" --run "$data/t3.vtl" --compare "${jobs[@]}" ;;
  esac
}
# The checks of a tree and its copy, page cache warm; the report goes to the journal
# and to standard output (/dev/null), as a check from a script's would.
ck_one() {
  case $1 in
    ck1-diff) run "$1" diff -r "$data/T1" "$data/out" ;;
    ck1-vt) rm -f "$data/t1.txt"; run "$1" "$vt" --check "$data/t1.vtl" "${jobs[@]}" ;;
    ck3-cmp)
      run "$1" bash -c 'cd "$1" || exit
        while IFS= read -r -d "" f; do cmp "$f" "$2/$f" || exit; done < <(find . -type f -print0)' \
        bash "$data/T3" "$data/out3" ;;
    ck3-vt) rm -f "$data/t3.txt"; run "$1" "$vt" --check "$data/t3.vtl" "${jobs[@]}" ;;
  esac
}
sp_one() {
  local out="$data/outsp"
  rm -rf "$out"; rm -f "$data/sp.txt"
  case $1 in
    sp-cp) run "$1" cp -a "$data/SP" "$out" ;;
    sp-vt) run "$1" "$vt" --run "$data/sp.vtl" "${jobs[@]}" ;;
  esac
  sizes[$1]=$(du -s --block-size=1 "$out" | cut -f1)
}
declare -A sizes
# The real tree: the first copy, then nothing changed, then every file replaced.
rt_first_one() {
  local out="$data/outrt"
  rm -rf "$out"; rm -f "$data/rt.txt"
  case $1 in
    rt-cp+sync) run "$1" sh -c 'cp -a "$1" "$2" && sync -f "$2"' sh "$data/RT" "$out" ;;
    rt-vt) run "$1" "$vt" --run "$data/rt.vtl" "${jobs[@]}" ;;
  esac
}
# Each tool goes over a copy it made itself: cp and rsync copy symbolic links as links,
# which the program refuses to write through in a backup.
rt_same_one() {
  case $1 in
    rt-same-cpu) run "$1" cp -au "$data/RT/." "$data/outrt-cp" ;;
    rt-same-rsync) run "$1" rsync -a "$data/RT/" "$data/outrt-rsync" ;;
    rt-same-vt) rm -f "$data/rt.txt"; run "$1" "$vt" --run "$data/rt.vtl" "${jobs[@]}" ;;
  esac
}
rt_replace_one() {
  case $1 in
    rt-rep-rsync) run "$1" rsync -a -I "$data/RT/" "$data/outrt-rsync" ;;
    rt-rep-rsync-fsync) run "$1" rsync -a -I --fsync "$data/RT/" "$data/outrt-rsync" ;;
    rt-rep-vt) rm -f "$data/rtr.txt"; run "$1" "$vt" --run "$data/rtr.vtl" "${jobs[@]}" ;;
  esac
}
tf_one() {
  local out="$data/outtf"
  rm -rf "$out"; rm -f "$data/tf.txt"
  case $1 in
    tf-cp+sync) run "$1" sh -c 'cp -a "$1" "$2" && sync -f "$2"' sh "$data/TF" "$out" ;;
    tf-rsync) run "$1" rsync -a "$data/TF/" "$out" ;;
    tf-vt) run "$1" "$vt" --run "$data/tf.vtl" "${jobs[@]}" ;;
  esac
}

# list SOURCE DESTINATION FILE [REPLACE]: a list of one line over every file and subfolder
list() { printf '"%s","*.*","%s","%s","Yes"\r\n' "$1" "$2" "${4:-No}" > "$3"; }

measure_place() {
  place=$1
  prepare "$place" || return 0
  echo "== $place: $(df -T "$data" | awk 'NR == 2 {print $2 " on " $1}')"
  # The settings of a first start, as a person who never saved startup defaults has
  # them: no settings file ("Verify Each File" ticked, the journal appended to).
  export XDG_CONFIG_HOME="$data/config"
  rm -rf "$XDG_CONFIG_HOME"
  mkdir -p "$XDG_CONFIG_HOME"
  forget t1-gui-inside
  list "$data/T1" "$data/out" "$data/t1.vtl"
  list "$data/T3" "$data/out3" "$data/t3.vtl"
  list "$data/SP" "$data/outsp" "$data/sp.vtl"

  if wanted t1 || wanted t2 || wanted gui || wanted sc; then
    "$tool" tree "$data/T1" 20000 200 1024 65536
  fi
  if wanted t1; then
    local t1=(t1-cp t1-cp+sync t1-rsync t1-vt)
    wanted gui && t1+=(t1-gui)
    wanted t1-j1 && t1+=(t1-j1)
    wanted ck && t1+=(t1-vt-compare)
    rounds t1_one "${t1[@]}"
    print_runs "${t1[@]}"
    aim "T1 vantorel / (cp -a; sync -f)" "$(ratio "$(m t1-vt)" "$(m t1-cp+sync)")" 0.8
    aim "T1 vantorel / rsync -a" "$(ratio "$(m t1-vt)" "$(m t1-rsync)")" 0.6
    aim "T1 vantorel / cp -a" "$(ratio "$(m t1-vt)" "$(m t1-cp)")" 1.0
    if wanted gui; then
      aim "T1 window / headless" "$(ratio "$(m t1-gui)" "$(m t1-vt)")" 1.1
      printf '  t1-gui, the run alone (no start-up): %s s\n' "$(m t1-gui-inside)"
    fi
    local kib; kib=$(echo "${peak[t1-vt]}" | maximum)
    aim "T1 headless peak memory (MB)" "$(awk -v k="$kib" 'BEGIN {printf "%.1f", k * 1024 / 1e6}')" 40
    if wanted ck; then
      aim "T1 --compare / the same run without" "$(ratio "$(m t1-vt-compare)" "$(m t1-vt)")" 2.2
      rm -rf "$data/out"; cp -a "$data/T1" "$data/out"
      rounds ck_one ck1-diff ck1-vt
      print_runs ck1-diff ck1-vt
      aim "T1 check / diff -r" "$(ratio "$(m ck1-vt)" "$(m ck1-diff)")" 1.3
    fi
  fi
  if wanted sc; then count_calls; fi
  if wanted t2; then
    rm -rf "$data/out"; cp -a "$data/T1" "$data/out"
    rounds t2_one t2-cpu t2-rsync t2-vt
    print_runs t2-cpu t2-rsync t2-vt
    aim "T2 vantorel / cp -au" "$(ratio "$(m t2-vt)" "$(m t2-cpu)")" 0.8
    aim "T2 vantorel / rsync -a" "$(ratio "$(m t2-vt)" "$(m t2-rsync)")" 0.4
  fi
  rm -rf "$data/out" "$data/T1"
  if wanted t3; then
    "$tool" tree "$data/T3" 4 1 $((t3_mib << 20)) $((t3_mib << 20))
    local t3=(t3-cp t3-cp+sync t3-vt)
    wanted ck && t3+=(t3-vt-compare)
    rounds t3_one "${t3[@]}"
    print_runs "${t3[@]}"
    aim "T3 vantorel / (cp -a; sync -f)" "$(ratio "$(m t3-vt)" "$(m t3-cp+sync)")" 1.05
    aim "T3 vantorel / cp -a" "$(ratio "$(m t3-vt)" "$(m t3-cp)")" 1.3
    if wanted ck; then
      aim "T3 --compare / the same run without" "$(ratio "$(m t3-vt-compare)" "$(m t3-vt)")" 2.2
      rm -rf "$data/out3"; cp -a "$data/T3" "$data/out3"
      rounds ck_one ck3-cmp ck3-vt
      print_runs ck3-cmp ck3-vt
      aim "T3 check / cmp of each pair" "$(ratio "$(m ck3-vt)" "$(m ck3-cmp)")" 1.3
    fi
    rm -rf "$data/T3" "$data/out3"
  fi
  if wanted sp; then
    mkdir -p "$data/SP"
    "$tool" sparse "$data/SP/disk.img" 1024 4
    rounds sp_one sp-cp sp-vt
    print_runs sp-cp sp-vt
    local source_bytes; source_bytes=$(du -s --block-size=1 "$data/SP" | cut -f1)
    printf '  allocated: source %s, cp -a %s, vantorel %s bytes\n' \
      "$source_bytes" "${sizes[sp-cp]}" "${sizes[sp-vt]}"
    aim "SP vantorel allocated - source (MiB)" \
      "$(awk -v a="${sizes[sp-vt]}" -v b="$source_bytes" 'BEGIN {printf "%.2f", (a - b) / 1048576}')" 1
    aim "SP vantorel / (2 x cp -a + 20 ms)" \
      "$(awk -v a="$(m sp-vt)" -v b="$(m sp-cp)" 'BEGIN {printf "%.2f", a / (2 * b + 0.02)}')" 1
    rm -rf "$data/SP" "$data/outsp"
  fi
  if wanted rt; then
    mkdir -p "$data/RT"
    cp -a /usr/share /usr/include "$data/RT/"
    list "$data/RT" "$data/outrt" "$data/rt.vtl"
    list "$data/RT" "$data/outrt" "$data/rtr.vtl" Yes
    printf '  real tree: %s files, %s\n' "$(find "$data/RT" -type f | wc -l)" \
      "$(du -sh "$data/RT" | cut -f1)"
    rounds rt_first_one rt-cp+sync rt-vt
    print_runs rt-cp+sync rt-vt
    aim "RT first copy vantorel / (cp -a; sync -f)" "$(ratio "$(m rt-vt)" "$(m rt-cp+sync)")" 0.9
    rm -rf "$data/outrt"; "$vt" --run "$data/rt.vtl" >/dev/null 2>&1 || true
    cp -a "$data/RT/." "$data/outrt-cp"
    rsync -a "$data/RT/" "$data/outrt-rsync"
    rounds rt_same_one rt-same-cpu rt-same-rsync rt-same-vt
    print_runs rt-same-cpu rt-same-rsync rt-same-vt
    aim "RT nothing changed vantorel / rsync -a" "$(ratio "$(m rt-same-vt)" "$(m rt-same-rsync)")" 0.6
    aim "RT nothing changed vantorel / cp -au" "$(ratio "$(m rt-same-vt)" "$(m rt-same-cpu)")" 0.8
    rounds rt_replace_one rt-rep-rsync rt-rep-rsync-fsync rt-rep-vt
    print_runs rt-rep-rsync rt-rep-rsync-fsync rt-rep-vt
    aim "RT every file replaced vantorel / rsync -a -I" \
      "$(ratio "$(m rt-rep-vt)" "$(m rt-rep-rsync)")" 1.2
    aim "RT every file replaced vantorel / rsync -a -I --fsync" \
      "$(ratio "$(m rt-rep-vt)" "$(m rt-rep-rsync-fsync)")" 0.5
    rm -rf "$data/RT" "$data/outrt" "$data/outrt-cp" "$data/outrt-rsync"
  fi
  if wanted tf; then
    "$tool" tree "$data/TF" 200000 2100 100 100
    list "$data/TF" "$data/outtf" "$data/tf.vtl"
    rounds tf_one tf-cp+sync tf-rsync tf-vt
    print_runs tf-cp+sync tf-rsync tf-vt
    aim "TF vantorel / (cp -a; sync -f)" "$(ratio "$(m tf-vt)" "$(m tf-cp+sync)")" 0.9
    aim "TF vantorel / rsync -a" "$(ratio "$(m tf-vt)" "$(m tf-rsync)")" 1.0
    rm -rf "$data/TF" "$data/outtf"
  fi
  [[ $place != disk ]] || rm -rf "$data"
  cleanup
}

# The system calls of T1, per file, for cp -a and for the headless run (all threads).
count_calls() {
  if ! command -v strace >/dev/null; then
    echo "  sc: strace is not installed; no system calls counted"
    return
  fi
  local out="$data/out" files
  files=$(find "$data/T1" -type f | wc -l)
  printf '  system calls of T1 (strace -c -f), per file of %s:\n' "$files"
  printf '    %-16s %8s %8s   %s\n' tool total "per file" "the most frequent"
  local tool_name
  for tool_name in cp vantorel; do
    rm -rf "$out"; rm -f "$data/t1.txt"
    if [[ $tool_name == cp ]]; then
      strace -f -c -o "$data/calls.txt" cp -a "$data/T1" "$out"
    else
      strace -f -c -o "$data/calls.txt" "$vt" --run "$data/t1.vtl" "${jobs[@]}" 2>/dev/null || true
    fi
    awk -v name="$tool_name" -v files="$files" '
      $1 ~ /^[0-9.]+$/ { calls[$NF] = $4 }
      END {
        total = calls["total"]; delete calls["total"]; top = ""
        for (k = 0; k < 6; k++) {
          best = ""
          for (c in calls) if (best == "" || calls[c] + 0 > calls[best] + 0) best = c
          if (best == "") break
          top = top sprintf("%s %.1f  ", best, calls[best] / files); delete calls[best]
        }
        printf "    %-16s %8d %8.1f   %s\n", name, total, total / files, top
      }' "$data/calls.txt"
  done
  rm -rf "$out" "$data/calls.txt"
}

print_runs() {
  local k
  printf '  %-12s %9s %9s   %s\n' tool "median s" "CPU s" "every run (wall s, in order)"
  for k in "$@"; do
    printf '  %-12s %9s %9s   %s\n' "$k" "$(m "$k")" "$(echo "${cpu[$k]}" | median)" "${times[$k]}"
  done
}

echo "$runs runs per tool after one warm-up, tools alternating; $(nproc) cores; load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
for place in $places; do measure_place "$place"; done
echo
echo "== aims"
printf '%s\n' "${results[@]}"
echo
"$build/bench/bench_list_file"
