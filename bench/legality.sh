#!/bin/bash
# Obstacle crossings, wire length and run time of oamst and zorvane on the RC
# suite and on generated instances, then the stage-by-stage census of each.
#
# Usage: bench/legality.sh BUILD_DIR [RC_DIR]
# BUILD_DIR holds oamst, zorvane, treecheck, treegen and bench/legalityCensus
# (configure with -DTREECORE_BENCH=ON). RC_DIR defaults to
# ../shared/benchmarks/converted/RC beside the project.
set -u
build=${1:?usage: bench/legality.sh BUILD_DIR [RC_DIR]}
rc=${2:-$(cd "$(dirname "$0")/.." && pwd)/../shared/benchmarks/converted/RC}
work=$(mktemp -d /tmp/legalityXXXXXX)
trap 'rm -rf "$work"' EXIT

names=()
# RC instances by name; generated ones are written on the way.
for p in "$rc"/RC*.pins.txt; do
  n=$(basename "$p" .pins.txt)
  cp "$p" "$work/$n.pins.txt"
  cp "$rc/$n.obst.txt" "$work/$n.obst.txt"
  names+=("$n")
done
gen() {
  local n=$1
  shift
  "$build/treegen" "$@" "$work/$n.pins.txt" "$work/$n.obst.txt" >/dev/null &&
    names+=("$n")
}
for layout in uniform clustered; do
  for order in ccw cw; do
    for pins in 10 100 1000 10000; do
      for obst in 0 10 100 1000 10000; do
        box=1000
        if [ $((pins + obst)) -ge 2000 ]; then box=10000; fi
        gen "g-${layout:0:1}-$order-p$pins-o$obst" --pins $pins \
          --obstacles $obst --layout $layout --corner-order $order \
          --box 0,0,$box,$box --seed 1
      done
    done
  done
done
for contact in touch overlap; do
  for pins in 100 1000; do
    for obst in 100 1000; do
      gen "g-u-$contact-p$pins-o$obst" --pins $pins --obstacles $obst \
        --obstacle-contact $contact --pin-contact sides --corner-order mixed \
        --seed 2
    done
  done
done

# figure NAME FILE: one value of treecheck's report.
figure() { awk -F': ' -v k="$1" '$1 == k { print $2 }' "$2"; }

printf '%-28s | %4s %5s %5s %12s %8s | %4s %5s %5s %12s %8s\n' instance \
  oExit oLgl oCrs oWire oSec zExit zLgl zCrs zWire zSec
sum=(0 0 0 0)  # outputs with crossings and crossings, per program
for n in "${names[@]}"; do
  line=$(printf '%-28s' "$n")
  k=0
  for prog in oamst zorvane; do
    out="$work/$n.$prog.txt"
    "$build/$prog" "$work/$n.pins.txt" "$work/$n.obst.txt" "$out" \
      >"$work/time" 2>/dev/null
    status=$?
    sec=$(sed -n 's/^Execution Time = \(.*\) sec$/\1/p' "$work/time")
    "$build/treecheck" "$work/$n.pins.txt" "$work/$n.obst.txt" "$out" \
      >"$work/check" 2>/dev/null
    crossings=$(figure "obstacle crossings" "$work/check")
    if [ "${crossings:-0}" -gt 0 ]; then
      sum[k]=$((sum[k] + 1))
      sum[k + 1]=$((sum[k + 1] + crossings))
    fi
    line+=$(printf ' | %4s %5s %5s %12s %8s' "$status" \
      "$(figure legal "$work/check")" "$crossings" \
      "$(figure "wire length" "$work/check")" "$sec")
    k=$((k + 2))
  done
  echo "$line"
done
echo
echo "oamst:   ${sum[0]} of ${#names[@]} outputs cross obstacles, ${sum[1]} crossing pieces"
echo "zorvane: ${sum[2]} of ${#names[@]} outputs cross obstacles, ${sum[3]} crossing pieces"
echo
"$build/bench/legalityCensus" --header
for n in "${names[@]}"; do
  "$build/bench/legalityCensus" "$n" "$work/$n.pins.txt" "$work/$n.obst.txt"
done
