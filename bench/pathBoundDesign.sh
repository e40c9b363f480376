#!/usr/bin/env bash
# The instructions of --path-bound on a design's nets by net size against
# the default's: the nets of `treegen --nets N`, split by pin count into
# 2-9, 10-16, 17-50, 51-100 and 101 or more, each class routed through
# --nets under callgrind with one thread, with --path-bound EPS and
# without; per class the nets, both counts and their ratio, then the
# whole design's, and each class's wire length under the bound.
#
#   bench/pathBoundDesign.sh [--nets N] [--eps EPS] [BUILD]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
nets=20000
eps=0.1
while [ $# -gt 0 ]; do
  case $1 in
    --nets) nets=$2; shift 2 ;;
    --eps) eps=$2; shift 2 ;;
    *) break ;;
  esac
done
build=${1:-$here/build}
tmp=$(mktemp -d "${TMPDIR:-/tmp}/pathbounddesign.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

"$build/treegen" --nets "$nets" "$tmp/d.nets" "$tmp/d.obst" > /dev/null
# Each net ends with its end record (-1 -1).
awk -v dir="$tmp" '
  function cls(n) { return n <= 9 ? 1 : n <= 16 ? 2 : n <= 50 ? 3 : n <= 100 ? 4 : 5 }
  { buf = buf $0 "\n" }
  $1 == -1 && $2 == -1 { c = cls(n); printf "%s", buf > (dir "/c" c ".nets"); count[c]++; buf = ""; n = 0; next }
  { n++ }
  END { for (c = 1; c <= 5; c++) print count[c] + 0 > (dir "/c" c ".count") }' "$tmp/d.nets"

# The instructions of one run of zorvane over a nets file.
count() {
  local nets=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$tmp/cg.out" \
    "$build/zorvane" --threads 1 "$@" --nets "$nets" "$tmp/d.obst" \
    "$tmp/out.txt" > /dev/null 2> "$tmp/cg.log"
  sed -n 's/^summary: *//p' "$tmp/cg.out"
}

# The wire length of a plain output: each segment's two ends, a line each.
length() {
  awk '/^#/ || NF != 2 { have = 0; next }
       have { s += ($1 > x ? $1 - x : x - $1) + ($2 > y ? $2 - y : y - $2); have = 0; next }
       { x = $1; y = $2; have = 1 }
       END { printf "%.0f", s }' "$1"
}

names=("2-9" "10-16" "17-50" "51-100" "101-")
printf '%-7s %6s %14s %14s %7s %12s\n' pins nets default "eps $eps" ratio length
td=0
tb=0
tl=0
for c in 1 2 3 4 5; do
  [ -s "$tmp/c$c.nets" ] || continue
  d=$(count "$tmp/c$c.nets")
  b=$(count "$tmp/c$c.nets" --path-bound "$eps")
  l=$(length "$tmp/out.txt")
  td=$((td + d))
  tb=$((tb + b))
  tl=$((tl + l))
  awk -v n="${names[c - 1]}" -v k="$(cat "$tmp/c$c.count")" -v d="$d" -v b="$b" -v l="$l" \
    'BEGIN { printf "%-7s %6d %14.0f %14.0f %7.2f %12.0f\n", n, k, d, b, b / d, l }'
done
awk -v k="$nets" -v d="$td" -v b="$tb" -v l="$tl" \
  'BEGIN { printf "%-7s %6d %14.0f %14.0f %7.2f %12.0f\n", "all", k, d, b, b / d, l }'
