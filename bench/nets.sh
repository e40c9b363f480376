#!/usr/bin/env bash
# Batch routing: a design's nets from treegen --nets among macro-like
# obstacles, routed by one zorvane --nets (and oamst --nets) run per case.
# Prints per case the wall time, the processor time (user and system) and
# the peak memory of the whole run, each the median of the repeats, then
# the processor time per net at each design size (linear time means a flat
# column) and the speed-up of two threads over one. Every run of a case
# must write the same bytes, whatever its thread count; the script stops
# with status 1 when they differ.
#
#   bench/nets.sh [--build DIR] [--out DIR] [--nets N] [--obstacles K]
#                 [--repeat R] [--optimize] [--quick]
#
#   --build DIR     build whose programs run [build]
#   --out DIR       designs and outputs [bench-out/nets]
#   --nets N        nets of the design [100000]; its first N/4 and N/2
#                   nets are timed too
#   --obstacles K   macros [1000]
#   --repeat R      runs per case [3]
#   --optimize      also zorvane --optimize on the largest design (slow)
#   --quick         the largest design only, one run per case
#
# On a machine shared with other work the processor times are the steadier
# figures; the wall times show the speed-up only on an idle machine.
set -euo pipefail

build=build
out=bench-out/nets
nets=100000
obstacles=1000
repeat=3
optimize=0
quick=0
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --nets) nets=$2; shift 2 ;;
    --obstacles) obstacles=$2; shift 2 ;;
    --repeat) repeat=$2; shift 2 ;;
    --optimize) optimize=1; shift ;;
    --quick) quick=1; repeat=1; shift ;;
    -h|--help) sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "nets.sh: unknown option $1" >&2; exit 1 ;;
  esac
done
for prog in treegen zorvane oamst; do
  [ -x "$build/$prog" ] || { echo "nets.sh: no $build/$prog" >&2; exit 1; }
done
[ -x /usr/bin/time ] || { echo "nets.sh: needs /usr/bin/time (GNU time)" >&2; exit 1; }
mkdir -p "$out"

# The smaller designs are the first nets of the largest, among the same
# obstacles: the time per net should not change.
sizes="$((nets / 4)) $((nets / 2)) $nets"
[ "$quick" -eq 1 ] && sizes=$nets
"$build/treegen" --nets "$nets" --obstacles "$obstacles" "$out/nets$nets.txt" \
  "$out/obst.txt"
for n in $sizes; do
  awk -v n="$n" '{print} $1 == "-1" && ++k == n {exit}' "$out/nets$nets.txt" \
    >"$out/nets$n.txt.part"
  [ "$n" -eq "$nets" ] || mv "$out/nets$n.txt.part" "$out/nets$n.txt"
  rm -f "$out/nets$n.txt.part"
done

# One case: NAME NETS PROGRAM OPTIONS... ; prints its medians and keeps the
# first run's output to compare with.
declare -A cpuOf wallOf
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
runCase() {
  local name=$1 n=$2 prog=$3
  shift 3
  local walls=() cpus=() mems=()
  for ((r = 1; r <= repeat; r++)); do
    local status=0
    /usr/bin/time -f "%e %U %S %M" -o "$out/time.txt" "$build/$prog" "$@" \
      --nets "$out/nets$n.txt" "$out/obst.txt" "$out/$name.txt" \
      >/dev/null 2>"$out/$name.err" || status=$?
    if [ "$status" -ne 0 ] && [ "$status" -ne 4 ]; then
      echo "nets.sh: $prog $* on $n nets: status $status" >&2
      cat "$out/$name.err" >&2
      exit 1
    fi
    read -r wall user sys mem <"$out/time.txt"
    walls+=("$wall")
    cpus+=("$(echo "$user + $sys" | bc)")
    mems+=("$mem")
  done
  local wall cpu mem
  wall=$(printf '%s\n' "${walls[@]}" | median)
  cpu=$(printf '%s\n' "${cpus[@]}" | median)
  mem=$(printf '%s\n' "${mems[@]}" | median)
  cpuOf[$name]=$cpu
  wallOf[$name]=$wall
  printf '%-34s %8s %9.2f %9.2f %9.0f %8.1f\n' "$name" "$n" "$wall" "$cpu" \
    "$((mem / 1024))" "$(echo "scale=2; 1000000 * $cpu / $n" | bc)"
}
same() {
  cmp -s "$out/$1.txt" "$out/$2.txt" ||
    { echo "nets.sh: $1 and $2 differ" >&2; exit 1; }
}

printf '%-34s %8s %9s %9s %9s %8s\n' case nets wall_s cpu_s peak_MiB cpu_us/net
for n in $sizes; do
  runCase "zorvane-1thread-$n" "$n" zorvane --threads 1
  runCase "zorvane-2threads-$n" "$n" zorvane --threads 2
  same "zorvane-1thread-$n" "zorvane-2threads-$n"
done
runCase "zorvane-json-2threads-$nets" "$nets" zorvane --threads 2 --format json
runCase "oamst-2threads-$nets" "$nets" oamst --threads 2
runCase "oamst-1thread-$nets" "$nets" oamst --threads 1
same "oamst-1thread-$nets" "oamst-2threads-$nets"
if [ "$optimize" -eq 1 ]; then
  runCase "zorvane-optimize-2threads-$nets" "$nets" zorvane --threads 2 --optimize
fi

one=${wallOf[zorvane-1thread-$nets]}
two=${wallOf[zorvane-2threads-$nets]}
echo "two threads against one (wall): $(echo "scale=2; $one / $two" | bc)x"
echo "processor time per net: see cpu_us/net down the zorvane rows"
