#!/usr/bin/env bash
# The bash completion of vantorel, driven as bash drives it after a Tab.
# Usage: bash_completion.sh COMPLETION
set -u
completion=$1
common=/usr/share/bash-completion/bash_completion
[ -r "$common" ] || { echo "FAIL: bash-completion is not installed (packaging/build-deps.txt)" >&2; exit 1; }
# shellcheck source=/dev/null
. "$common"
# shellcheck source=/dev/null
. "$completion"

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
mkdir sub
touch a.vtl B.VTL notes.txt sub/inner.vtl

failed=0
# expect "LINE AS TYPED" "COMPLETIONS": Tab pressed at the end of the line. The words
# are split as bash splits them, "=" a word of its own.
expect() {
  local line=$1 word
  local -a words=()
  for word in $line; do
    while [[ $word == *=* ]]; do
      [ -n "${word%%=*}" ] && words+=("${word%%=*}")
      words+=("=")
      word=${word#*=}
    done
    [ -n "$word" ] && words+=("$word")
  done
  [[ $line == *" " ]] && words+=("")
  COMP_WORDS=("${words[@]}")
  COMP_CWORD=$((${#words[@]} - 1))
  COMP_LINE=$line
  COMP_POINT=${#line}
  COMPREPLY=()
  _vantorel vantorel "${words[COMP_CWORD]}" "${words[COMP_CWORD - 1]}" 2>/dev/null
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  if [ "$got" != "$2" ]; then
    echo "FAIL: '$line' completes to '$got', not '$2'" >&2
    failed=1
  fi
}

expect "vantorel --sc" "--schedule= --schedules"
expect "vantorel --schedule=w" "weekly"
expect "vantorel --j" "--jobs= --journal="
expect "vantorel --run a.vtl --jo" "--jobs= --journal="
expect "vantorel --newer=" "copy skip"
expect "vantorel --journal=n" "new none"
expect "vantorel --run " "B.VTL a.vtl sub"
expect "vantorel " "B.VTL a.vtl sub"
expect "vantorel sub/" "sub/inner.vtl"
expect "vantorel --run a.vtl --d" "--dry-run"
expect "vantorel --ch" "--check"
expect "vantorel --check " "B.VTL a.vtl sub"
expect "vantorel --run a.vtl --co" "--compare"
expect "vantorel --re" "--restore"
expect "vantorel --restore " "B.VTL a.vtl sub"
expect "vantorel --restore a.vtl --to=" "sub"
expect "vantorel --restore a.vtl --v" "--verbose --version --version="

((failed)) && exit 1
echo "ok: options, their values, and lists and folders complete"
