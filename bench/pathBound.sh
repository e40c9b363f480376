#!/usr/bin/env bash
# Wire length against the largest stretch from the first pin, per family:
# the tree under --path-bound EPS for EPS in 0, 0.05, 0.1, 0.2, 0.5, 1 and
# without it, against the Prim-Dijkstra blend for alpha 0 to 1 over the same
# obstacle-avoiding routes (bench/pathBoundCurve). Per instance the curve,
# then how many blend points some bound point matches or beats in both wire
# length and stretch, and with the bound set to each blend point's largest
# stretch, how often ours is as short or shorter. Then the goals:
# obstacle-free 30-pin nets at EPS 0.1 against the unbounded tree's length,
# a 10-pin net's time with the bound against the default's (neither with
# the timing figures), and a design of 10^5 nets through --nets.
#
#   bench/pathBound.sh [--only REGEX] [--skip-design] [--design-nets N] [BUILD]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
shared=${SHARED:-$here/../shared}
[ -d "$shared" ] || shared=$here/../../shared
rc=$shared/benchmarks/converted/RC
only=.
design=1
designNets=100000
while [ $# -gt 0 ]; do
  case $1 in
    --only) only=$2; shift 2 ;;
    --skip-design) design=0; shift ;;
    --design-nets) designNets=$2; shift 2 ;;
    *) break ;;
  esac
done
build=${1:-$here/build}
curve=$build/bench/pathBoundCurve
treegen=$build/treegen
tmp=$(mktemp -d "${TMPDIR:-/tmp}/pathbound.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

# One instance's curve and the count of blend points matched or beaten.
show() {
  local name=$1 pins=$2 obst=$3
  echo "$name" | grep -Eq "$only" || return 0
  "$curve" "$pins" "$obst" > "$tmp/curve"
  echo "== $name"
  cat "$tmp/curve"
  awk '$1 == "bound" { n++; bl[n] = $4; bs[n] = $6 }
       $1 == "blend" { m++; pl[m] = $4; ps[m] = $6 }
       END {
         won = 0
         for (j = 1; j <= m; j++) {
           for (i = 1; i <= n; i++) {
             if (bs[i] <= ps[j] + 1e-9 && bl[i] <= pl[j]) { won++; break }
           }
         }
         printf "matched or beaten: %d of %d blend points\n", won, m
       }' "$tmp/curve"
  awk '$1 == "atBlend" { m++; if ($6 <= $10) won++ }
       END { printf "at each blend point'"'"'s largest stretch, as short or shorter: %d of %d\n", won, m }' \
    "$tmp/curve"
}

for pins in "$rc"/RC*.pins.txt; do
  name=$(basename "$pins" .pins.txt)
  show "$name" "$pins" "$rc/$name.obst.txt"
done
for n in 10 30 100; do
  for seed in 1 2 3; do
    "$treegen" --pins "$n" --obstacles $((n / 2)) --seed "$seed" \
      --obstacle-contact overlap --pin-contact sides \
      "$tmp/g.pins" "$tmp/g.obst"
    show "gen$n-s$seed" "$tmp/g.pins" "$tmp/g.obst"
  done
done

echo "== obstacle-free 30-pin nets, EPS 0.1 against no bound"
for seed in 1 2 3 4 5; do
  "$treegen" --pins 30 --obstacles 0 --seed "$seed" "$tmp/f.pins" "$tmp/f.obst"
  "$curve" "$tmp/f.pins" "$tmp/f.obst" 0.1 |
    awk -v s="$seed" '$2 == "none" { l0 = $4; t0 = $8 }
      $1 == "bound" && $2 != "none" { printf "seed %s: length %s / %s = %+.2f%%, max stretch %s\n", s, $4, l0, 100 * ($4 / l0 - 1), $6 }'
done

echo "== 10-pin nets among obstacles, time with EPS 0.1 against the default"
for seed in 1 2 3 4 5; do
  "$treegen" --pins 10 --obstacles 5 --seed "$seed" "$tmp/t.pins" "$tmp/t.obst"
  "$curve" "$tmp/t.pins" "$tmp/t.obst" 0.1 |
    awk -v s="$seed" '$2 == "none" { t0 = $8 }
      $1 == "bound" && $2 != "none" { printf "seed %s: %.6f s / %.6f s = %.2fx\n", s, $8, t0, $8 / t0 }'
done

if [ "$design" = 1 ]; then
  echo "== $designNets design nets through --nets, processor time with --path-bound 0.1"
  "$treegen" --nets "$designNets" "$tmp/d.nets" "$tmp/d.obst"
  cpu() {
    /usr/bin/time -f '%U %S' -o "$tmp/t" "$@" > /dev/null 2>&1 || true
    awk '{printf "%.2f", $1 + $2}' "$tmp/t"
  }
  a=$(cpu "$build/zorvane" --threads 1 --nets "$tmp/d.nets" "$tmp/d.obst" "$tmp/a.txt")
  b=$(cpu "$build/zorvane" --threads 1 --path-bound 0.1 --nets "$tmp/d.nets" "$tmp/d.obst" "$tmp/b.txt")
  awk -v a="$a" -v b="$b" 'BEGIN { printf "default %s s, bound %s s: %.2fx\n", a, b, b / a }'
fi
