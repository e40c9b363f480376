#!/usr/bin/env bash
# The instructions of --path-bound on small nets among obstacles against the
# default's: per seed S, the net of `treegen --pins P --obstacles 5 --seed S`
# repeated N times in a --nets file, under callgrind with one thread, minus
# the same run over the net once (the program's start and the first net's
# warming), with --path-bound EPS and without; prints both and their ratio.
#
#   bench/pathBoundCost.sh [--pins P] [--eps EPS] [--repeat N] [--seeds "1 2 3"] [BUILD]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
pins=10
eps=0.1
repeat=100
seeds="1 2 3 4 5"
while [ $# -gt 0 ]; do
  case $1 in
    --pins) pins=$2; shift 2 ;;
    --eps) eps=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --seeds) seeds=$2; shift 2 ;;
    *) break ;;
  esac
done
build=${1:-$here/build}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/pathboundcost.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# The instructions of one run of zorvane over a nets file.
count() {
  local nets=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$tmp/cg.out" \
    "$build/zorvane" --threads 1 "$@" --nets "$nets" "$tmp/o.txt" \
    "$tmp/out.txt" > /dev/null 2> "$tmp/cg.log"
  sed -n 's/^summary: *//p' "$tmp/cg.out"
}

printf '%-5s %14s %14s %7s\n' seed default "eps $eps" ratio
for s in $seeds; do
  "$build/treegen" --pins "$pins" --obstacles 5 --seed "$s" "$tmp/p.txt" \
    "$tmp/o.txt" > /dev/null
  # The pin file ends with its end record: a nets file of one net.
  cp "$tmp/p.txt" "$tmp/one.nets"
  : > "$tmp/many.nets"
  for _ in $(seq "$repeat"); do
    cat "$tmp/p.txt" >> "$tmp/many.nets"
  done
  d1=$(count "$tmp/one.nets")
  dn=$(count "$tmp/many.nets")
  b1=$(count "$tmp/one.nets" --path-bound "$eps")
  bn=$(count "$tmp/many.nets" --path-bound "$eps")
  awk -v s="$s" -v d=$((dn - d1)) -v b=$((bn - b1)) -v r="$repeat" \
    'BEGIN { printf "%-5s %14.0f %14.0f %7.2f\n", s, d / (r - 1), b / (r - 1), b / d }'
done
