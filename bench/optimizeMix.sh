#!/usr/bin/env bash
# --optimize on a design's nets by size: the nets of treegen --nets among
# macro-like obstacles split into classes by pin count, each class routed
# on one thread by the default and by --optimize (at each --effort given),
# for one or two builds in the same run. Prints per class and build the
# processor time of each and the total wire length, and the ratio of the
# --optimize time to the default's over the whole design.
#
#   bench/optimizeMix.sh [--before DIR] [--nets N] [--obstacles K]
#                        [--efforts "1 2"] [--out DIR] [BUILD]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
before=
nets=100000
obstacles=1000
efforts=1
out=bench-out/optimizeMix
while [ $# -gt 0 ]; do
  case $1 in
    --before) before=$2; shift 2 ;;
    --nets) nets=$2; shift 2 ;;
    --obstacles) obstacles=$2; shift 2 ;;
    --efforts) efforts=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) break ;;
  esac
done
builds=("${1:-$here/build}")
[ -n "$before" ] && builds=("$before" "${builds[0]}")
mkdir -p "$out"
"${builds[0]}/treegen" --nets "$nets" --obstacles "$obstacles" \
  "$out/nets.txt" "$out/obst.txt"
classes="2-9 10-16 17-50 51-500"
for c in $classes; do
  awk -v lo="${c%-*}" -v hi="${c#*-}" '
    { net = net $0 "\n" }
    $1 == "-1" { if (n >= lo && n <= hi) printf "%s", net; net = ""; n = 0; next }
    { ++n }' "$out/nets.txt" >"$out/nets-$c.txt"
done
cpu() {  # processor seconds of a command, user and system
  /usr/bin/time -f '%U %S' -o "$out/t" "$@" >/dev/null 2>&1 || true
  awk '{printf "%.2f", $1 + $2}' "$out/t"
}
lengthOf() {
  grep -o '"wireLength":[0-9.e+]*' "$1" | awk -F: '{s += $2} END {printf "%.0f", s}'
}
printf '%-8s %-8s %-10s %8s %14s\n' class build run cpu_s length
declare -A total
for c in $classes; do
  for i in "${!builds[@]}"; do
    b=${builds[$i]}
    tag=$([ "$i" -eq 0 ] && [ -n "$before" ] && echo before || echo after)
    runs=("default:" )
    for e in $efforts; do
      if [ "$tag" = before ]; then runs+=("optimize:--optimize"); break; fi
      runs+=("effort$e:--optimize --effort $e")
    done
    for r in "${runs[@]}"; do
      name=${r%%:*}
      # shellcheck disable=SC2086
      t=$(cpu "$b/zorvane" ${r#*:} --threads 1 --format json \
        --nets "$out/nets-$c.txt" "$out/obst.txt" "$out/$tag-$name-$c.json")
      len=$(lengthOf "$out/$tag-$name-$c.json")
      printf '%-8s %-8s %-10s %8s %14s\n' "$c" "$tag" "$name" "$t" "$len"
      total[$tag-$name-cpu]=$(echo "${total[$tag-$name-cpu]:-0} + $t" | bc)
      total[$tag-$name-len]=$(echo "${total[$tag-$name-len]:-0} + $len" | bc)
    done
  done
done
for k in $(printf '%s\n' "${!total[@]}" | grep -- -cpu | sort); do
  run=${k%-cpu}
  def=${total[${run%%-*}-default-cpu]}
  printf '%-8s %-19s %8s %14s  %6.1fx the default\n' all "$run" "${total[$k]}" \
    "${total[$run-len]}" "$(echo "scale=2; ${total[$k]} / $def" | bc)"
done
