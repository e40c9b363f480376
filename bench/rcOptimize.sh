#!/usr/bin/env bash
# Runs zorvane on the RC suite, with and without --optimize, for one or two
# builds in the same run, and prints per case the --optimize tree's wire
# length, its excess over the optimum (or the shortest published tree), and
# its processor time against the default's; with --effort N, BUILD's
# --optimize runs at that level (the before build's at its own default).
#
#   bench/rcOptimize.sh [--before DIR] [--only REGEX] [--effort N] [BUILD]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# The suite lies beside the project, or beside the folder of worktrees.
shared=${SHARED:-$here/../shared}
[ -d "$shared" ] || shared=$here/../../shared
rc=$shared/benchmarks/converted/RC
ref=$shared/benchmarks/reference-values.csv
before=
only=.
effort=
while [ $# -gt 0 ]; do
  case $1 in
    --before) before=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --effort) effort=$2; shift 2 ;;
    *) break ;;
  esac
done
builds=("${1:-$here/build}")
[ -n "$before" ] && builds=("$before" "${builds[0]}")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/rcopt.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
cpu() {  # processor seconds of a command, user and system
  /usr/bin/time -f '%U %S' -o "$tmp/t" "$@" > /dev/null 2>&1 || true
  awk '{printf "%.2f", $1 + $2}' "$tmp/t"
}
printf '%-5s' case
for b in "${builds[@]}"; do printf ' | %10s %7s %6s %6s %5s' length excess% def_s opt_s ratio; done
echo
for pins in "$rc"/RC*.pins.txt; do
  name=$(basename "$pins" .pins.txt)
  echo "$name" | grep -Eq "$only" || continue
  obst=$rc/$name.obst.txt
  best=$(awk -F, -v c="$name" '$1 == c { print ($8 != "" ? $8 : $9) }' "$ref")
  printf '%-5s' "$name"
  for i in "${!builds[@]}"; do
    b=${builds[$i]}
    level=()
    [ -n "$effort" ] && [ "$i" -eq $((${#builds[@]} - 1)) ] && level=(--effort "$effort")
    d=$(cpu "$b/zorvane" "$pins" "$obst" "$tmp/def.txt")
    o=$(cpu "$b/zorvane" --optimize "${level[@]}" "$pins" "$obst" "$tmp/opt.txt")
    len=$("$b/treecheck" "$pins" "$obst" "$tmp/opt.txt" |
      awk -F': ' '/^wire length/ { print $2 }')
    legal=$("$b/treecheck" "$pins" "$obst" "$tmp/opt.txt" > /dev/null && echo "" || echo "!")
    printf ' | %10.0f %7.2f %6s %6s %5.2f%s' "$len" \
      "$(awk -v l="$len" -v r="$best" 'BEGIN { print 100 * (l - r) / r }')" \
      "$d" "$o" "$(awk -v d="$d" -v o="$o" 'BEGIN { print (d > 0 ? o / d : 0) }')" "$legal"
  done
  echo
done
