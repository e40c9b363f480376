#!/usr/bin/env bash
# Generates the benchmark instances with treegen, runs oamst and zorvane on
# each and reports, per instance and program, every stage's processor time,
# the whole run's wall time and its peak memory, as a table and a CSV.
#
# With --before DIR it also runs the programs of a second build (an older
# one) on the same instances, in the same run, and compares the two outputs
# byte for byte: the exit status is 1 when any pair differs.
#
#   bench/run.sh [--build DIR] [--before DIR] [--out DIR] [--quick]
#                [--only REGEX] [--timeout S] [--rc DIR] [--tables]
#                [--families SIZES] [--family-timeout S]
#                [--family-modes REGEX]
#
#   --build DIR    build whose programs are measured [build]
#   --before DIR   build to compare with; stage times appear only where its
#                  programs accept --stage-times
#   --out DIR      instances, outputs, results.csv and table.md [bench-out]
#   --quick        sizes up to 10^4 only
#   --only REGEX   instances whose name matches (grep -E)
#   --timeout S    a run that takes longer is stopped and reported [900]
#   --rc DIR       also run the RC suite's *.pins.txt/*.obst.txt pairs
#                  [../shared/benchmarks/converted/RC beside the project, if
#                  present]
#   --tables       run nothing: rebuild the CSV and the tables from the runs
#                  an earlier call left in the --out folder
#   --families S   sizes of the patterned instances (treegen --family: spiral,
#                  frames, chains, copies, lattice), run in every mode of both
#                  programs; "none" skips them [1000 to 128000, doubling;
#                  with --quick up to 8000]
#   --family-timeout S  a family run that takes longer is stopped, and the
#                  larger sizes of that family and mode are skipped [300]
#   --family-modes REGEX  only the family modes whose command line matches
#                  (grep -E), e.g. '^(oamst|zorvane)$' for the defaults [.]
#
# Columns: wall_s is the elapsed time, cpu_s the processor time (user and
# system) of the whole run, pipeline_s the program's own "Execution Time";
# on a machine shared with other work, cpu_s is the steadier measure. The
# families get a table of their own, families.md (and families.csv): per
# family, mode and size n, the processor time and peak memory at n and 2n
# and their ratios, which stay near 2 where a run grows as n log n.
set -euo pipefail

build=build
before=
out=bench-out
quick=0
only=.
limit=900
rc=$(cd "$(dirname "$0")/.." && pwd)/../shared/benchmarks/converted/RC
tablesOnly=0
familySizes=
familyLimit=300
familyModes=.
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --quick) quick=1; shift ;;
    --only) only=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    --rc) rc=$2; shift 2 ;;
    --tables) tablesOnly=1; shift ;;
    --families) familySizes=$2; shift 2 ;;
    --family-timeout) familyLimit=$2; shift 2 ;;
    --family-modes) familyModes=$2; shift 2 ;;
    -h|--help) sed -n '2,41p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $1" >&2; exit 1 ;;
  esac
done

for prog in treegen oamst zorvane; do
  [ -x "$build/$prog" ] || { echo "run.sh: no $build/$prog" >&2; exit 1; }
done
if [ -n "$before" ]; then
  for prog in oamst zorvane; do
    [ -x "$before/$prog" ] || { echo "run.sh: no $before/$prog" >&2; exit 1; }
  done
fi
[ -x /usr/bin/time ] || { echo "run.sh: needs /usr/bin/time (Debian package time)" >&2; exit 1; }

mkdir -p "$out/inst" "$out/runs"
stages="read connectObstEdges connectQuad1 connectQuad2 connectQuad3 connectQuad4
extendedDijkstraForPinForest extendedKruskal gainComputation addSteinerPoints
legalizeTree rectilinearizeSMT rmRedundentVers moveSegments cleanSegments
export free"
stages=$(echo $stages)

# name pins obstacles layout
instances=()
for layout in uniform clustered lattice; do
  for n in 1000 10000 100000 1000000; do
    [ $quick = 1 ] && [ $n -gt 10000 ] && continue
    instances+=("$layout-$n-0 $n 0 $layout")
  done
  for n in 1000 10000 100000; do
    [ $quick = 1 ] && [ $n -gt 10000 ] && continue
    instances+=("$layout-$n-$n $n $n $layout")
  done
done

# Prints name, pin file and obstacle file of every selected instance,
# generating those not yet there.
listInstances() {
  local entry name n m layout
  for entry in "${instances[@]}"; do
    read -r name n m layout <<<"$entry"
    echo "$name" | grep -Eq -- "$only" || continue
    if [ ! -s "$out/inst/$name.pins" ] || [ ! -s "$out/inst/$name.obst" ]; then
      "$build/treegen" --pins "$n" --obstacles "$m" --layout "$layout" \
        --box 0,0,1000000,1000000 --seed 1 \
        "$out/inst/$name.pins" "$out/inst/$name.obst" >/dev/null
    fi
    echo "$name $out/inst/$name.pins $out/inst/$name.obst"
  done
  if [ -d "$rc" ]; then
    local p
    for p in "$rc"/*.pins.txt; do
      [ -e "$p" ] || continue
      name=$(basename "$p" .pins.txt)
      echo "$name" | grep -Eq -- "$only" || continue
      echo "$name $p ${p%.pins.txt}.obst.txt"
    done
  fi
}

# Does this program take --stage-times? (An older build may not.)
hasStageTimes() {
  "$1" --help 2>/dev/null | grep -q -- --stage-times
}

csv="$out/results.csv"
echo "instance,pins,obstacles,program,build,status,wall_s,cpu_s,pipeline_s,peak_kib,same,$(echo $stages | tr ' ' ','),$(echo $stages | sed 's/\([^ ]*\)/\1_kib/g' | tr ' ' ',')" >"$csv"

# run LABEL DIR PROG NAME PINS OBST: one run; leaves the output in
# $out/runs/NAME.PROG.LABEL.txt and the CSV fields from status on in ROW.
run() {
  local label=$1 dir=$2 prog=$3 name=$4 pins=$5 obst=$6
  local base="$out/runs/$name.$prog.$label"
  local flag=
  hasStageTimes "$dir/$prog" && flag=--stage-times
  local status=0
  if [ $tablesOnly = 1 ]; then
    status=$(cat "$base.status" 2>/dev/null ||
      awk -F': ' '/Exit status/ {print $2}' "$base.time" 2>/dev/null || echo missing)
    [ -n "$status" ] || status=missing
  else
    rm -f "$base.txt"
    timeout "$limit" /usr/bin/time -v -o "$base.time" \
      "$dir/$prog" $flag "$pins" "$obst" "$base.txt" >"$base.stdout" 2>"$base.stderr" || status=$?
    echo $status >"$base.status"
  fi
  local wall peak cpu pipeline s
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {
      n = split($2, t, ":"); s = 0
      for (i = 1; i <= n; i++) s = s * 60 + t[i]
      print s }' "$base.time" 2>/dev/null || true)
  peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$base.time" 2>/dev/null || true)
  cpu=$(awk -F': ' '/User time|System time/ {s += $2; n++} END {if (n) print s}' "$base.time" 2>/dev/null || true)
  pipeline=$(awk '/^Execution Time = / {print $4}' "$base.stdout" 2>/dev/null || true)
  [ "$status" = 124 ] && wall=timeout && cpu=timeout
  ROW="$status,$wall,$cpu,$pipeline,$peak"
  STAGES=""
  local mem=""
  for s in $stages; do
    STAGES="$STAGES,$(awk -v s="$s" '$1 == "stage" && $2 == s {print $3}' "$base.stderr")"
    mem="$mem,$(awk -v s="$s" '$1 == "stage" && $2 == s {print $4}' "$base.stderr")"
  done
  STAGES="$STAGES$mem"
  LASTWALL=$wall
  LASTPEAK=$peak
}

differ=0
while read -r name pins obst; do
  np=$(awk '$1 != -1 {n++} $1 == -1 {exit} END {print n + 0}' "$pins")
  no=$(awk '$1 != -1 {n++} $1 == -1 {exit} END {print int(n / 4)}' "$obst")
  for prog in oamst zorvane; do
    for label in before after; do
      if [ $label = before ]; then
        [ -n "$before" ] || continue
        dir=$before
      else
        dir=$build
      fi
      run $label "$dir" $prog "$name" "$pins" "$obst"
      [ $label = before ] && beforeWall=$LASTWALL
      same=
      if [ $label = after ] && [ -n "$before" ]; then
        if [ "$beforeWall" = timeout ] || [ "$LASTWALL" = timeout ]; then
          same=unknown
        elif [ -e "$out/runs/$name.$prog.before.txt" ] &&
          cmp -s "$out/runs/$name.$prog.before.txt" "$out/runs/$name.$prog.after.txt"; then
          same=yes
        else
          same=NO
          differ=1
        fi
      fi
      echo "$name,$np,$no,$prog,$label,$ROW,$same$STAGES" >>"$csv"
      printf '%-22s %-7s %-6s %8s s %9s KiB %s\n' "$name" $prog $label "$LASTWALL" "$LASTPEAK" "$same" >&2
    done
  done
done < <(listInstances)

# The tables: totals per instance and program, then every stage's
# processor time per build, then the growth of each stage from one size to
# ten times that size (time ratio).
short="read obst q1 q2 q3 q4 dijk krus gain steiner legal rect rmred move clean export free"
awk -F, -v short="$short" -v hasBefore="${before:+1}" '
  function fmt(v) { return v == "" ? "-" : v }
  function mib(v) { return v == "" ? "-" : sprintf("%.0f", v / 1024) }
  function sec(v) { return v == "" ? "-" : sprintf("%.3f", v) }
  NR == 1 { next }
  {
    key = $1 SUBSEP $4
    if (!(key in seen)) { seen[key] = 1; order[++n] = key }
    row[key, $5] = $0
    split($1, parts, "-")
    if (parts[3] != "") {
      inst[$1] = 1
      layoutOf[$1] = parts[1]; pinsOf[$1] = parts[2]; obstOf[$1] = parts[3]
    }
  }
  END {
    ns = split(short, sh, " ")
    print "Totals: wall time (s), processor time (s, user and system) and peak"
    print "resident memory (MiB) of the whole run."
    print ""
    printf "| instance | program |"
    if (hasBefore) printf " before wall | before cpu | before MiB |"
    printf " after wall | after cpu | after MiB |"
    if (hasBefore) printf " same output |"
    printf "\n|---|---|"
    if (hasBefore) printf "---|---|---|---|"
    printf "---|---|---|\n"
    for (k = 1; k <= n; k++) {
      split(order[k], kk, SUBSEP)
      split(row[order[k], "after"], a, ",")
      printf "| %s | %s |", kk[1], kk[2]
      if (hasBefore) {
        split(row[order[k], "before"], b, ",")
        printf " %s | %s | %s |", fmt(b[7]), fmt(b[8]), mib(b[10])
      }
      printf " %s | %s | %s |", fmt(a[7]), fmt(a[8]), mib(a[10])
      if (hasBefore) printf " %s |", fmt(a[11])
      printf "\n"
    }
    print ""
    print "Stages: processor time (s) of every stage (q1 to q4 the sweeps, dijk the pin"
    print "forest, krus extended Kruskal, gain gain computation, steiner Steiner point"
    print "insertion, legal the tree made legal, rect rectilinearization, rmred"
    print "redundant vertices, move segment moving, clean the final segments, free the"
    print "release of everything)."
    print ""
    printf "| instance | program | build |"
    for (i = 1; i <= ns; i++) printf " %s |", sh[i]
    printf "\n|---|---|---|"
    for (i = 1; i <= ns; i++) printf "---|"
    printf "\n"
    for (k = 1; k <= n; k++) {
      split(order[k], kk, SUBSEP)
      for (lb = 1; lb <= 2; lb++) {
        label = lb == 1 ? "before" : "after"
        if (!((order[k], label) in row)) continue
        split(row[order[k], label], a, ",")
        printf "| %s | %s | %s |", kk[1], kk[2], label
        for (i = 1; i <= ns; i++) printf " %s |", sec(a[11 + i])
        printf "\n"
      }
    }
    print ""
    print "Memory: peak resident memory (MiB) at the end of every stage."
    print ""
    printf "| instance | program | build |"
    for (i = 1; i <= ns; i++) printf " %s |", sh[i]
    printf "\n|---|---|---|"
    for (i = 1; i <= ns; i++) printf "---|"
    printf "\n"
    for (k = 1; k <= n; k++) {
      split(order[k], kk, SUBSEP)
      for (lb = 1; lb <= 2; lb++) {
        label = lb == 1 ? "before" : "after"
        if (!((order[k], label) in row)) continue
        split(row[order[k], label], a, ",")
        printf "| %s | %s | %s |", kk[1], kk[2], label
        for (i = 1; i <= ns; i++) printf " %s |", mib(a[11 + ns + i])
        printf "\n"
      }
    }
    print ""
    print "Growth: processor time ratio of each stage and of the whole run from n"
    print "pins to 10n pins, same layout and obstacle rule."
    print ""
    printf "| from | to | program | build | cpu |"
    for (i = 1; i <= ns; i++) printf " %s |", sh[i]
    printf "\n|---|---|---|---|---|"
    for (i = 1; i <= ns; i++) printf "---|"
    printf "\n"
    for (k = 1; k <= n; k++) {
      split(order[k], kk, SUBSEP)
      from = kk[1]
      if (!(from in inst)) continue
      np = pinsOf[from] * 10
      to = layoutOf[from] "-" np "-" (obstOf[from] == 0 ? 0 : np)
      for (lb = 1; lb <= 2; lb++) {
        label = lb == 1 ? "before" : "after"
        if (!((from SUBSEP kk[2], label) in row) || !((to SUBSEP kk[2], label) in row)) continue
        split(row[from SUBSEP kk[2], label], a, ",")
        split(row[to SUBSEP kk[2], label], b, ",")
        printf "| %s | %s | %s | %s | %s |", from, to, kk[2], label, ratio(a[8], b[8])
        for (i = 1; i <= ns; i++) printf " %s |", ratio(a[11 + i], b[11 + i])
        printf "\n"
      }
    }
  }
  function ratio(x, y) {
    if (x == "" || y == "" || x == "timeout" || y == "timeout" || x + 0 < 0.002) return "-"
    return sprintf("%.1f", y / x)
  }' "$csv" >"$out/table.md"
cat "$out/table.md"
echo "CSV: $csv; table: $out/table.md" >&2

# The families: each mode of both programs at every size, in order; a run
# past the family timeout ends its family and mode for that build.
if [ -z "$familySizes" ]; then
  familySizes="1000 2000 4000 8000 16000 32000 64000 128000"
  [ $quick = 1 ] && familySizes="1000 2000 4000 8000"
fi
[ "$familySizes" = none ] && familySizes=
modes=("oamst" "oamst --exact-graph" "zorvane" "zorvane --no-refine"
  "zorvane --exact-graph" "zorvane --optimize")
fcsv="$out/families.csv"
echo "family,size,pins,obstacles,mode,build,status,cpu_s,peak_kib,same" >"$fcsv"
for fam in spiral frames chains copies lattice; do
  for mode in "${modes[@]}"; do
    echo "$mode" | grep -Eq -- "$familyModes" || continue
    tag=${mode// --/-}
    stopBefore=0
    stopAfter=0
    for n in $familySizes; do
      name="$fam-$n"
      echo "$name" | grep -Eq -- "$only" || continue
      pins="$out/inst/$name.pins"
      obst="$out/inst/$name.obst"
      if [ $tablesOnly = 0 ] && { [ ! -s "$pins" ] || [ ! -s "$obst" ]; }; then
        "$build/treegen" --family "$fam" --size "$n" "$pins" "$obst" >/dev/null
      fi
      [ -s "$pins" ] || continue
      np=$(awk '$1 != -1 {n++} $1 == -1 {exit} END {print n + 0}' "$pins")
      no=$(awk '$1 != -1 {n++} $1 == -1 {exit} END {print int(n / 4)}' "$obst")
      for label in before after; do
        if [ $label = before ]; then
          if [ -z "$before" ] || [ $stopBefore = 1 ]; then
            continue
          fi
          dir=$before
        else
          if [ $stopAfter = 1 ]; then
            continue
          fi
          dir=$build
        fi
        base="$out/runs/fam-$name.$tag.$label"
        if [ $tablesOnly = 0 ]; then
          status=0
          rm -f "$base.txt"
          # shellcheck disable=SC2086
          timeout "$familyLimit" /usr/bin/time -v -o "$base.time" \
            "$dir"/$mode "$pins" "$obst" "$base.txt" >/dev/null 2>&1 || status=$?
          echo $status >"$base.status"
        fi
        status=$(cat "$base.status" 2>/dev/null || echo missing)
        cpu=$(awk -F': ' '/User time|System time/ {s += $2; n++} END {if (n) print s}' "$base.time" 2>/dev/null || true)
        peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$base.time" 2>/dev/null || true)
        if [ "$status" = 124 ] || [ "$status" = missing ]; then
          cpu=timeout
          if [ $label = before ]; then
            stopBefore=1
          else
            stopAfter=1
          fi
        fi
        same=
        if [ $label = after ] && [ -n "$before" ]; then
          if [ -e "$out/runs/fam-$name.$tag.before.txt" ] && [ -e "$base.txt" ]; then
            if cmp -s "$out/runs/fam-$name.$tag.before.txt" "$base.txt"; then
              same=yes
            else
              same=NO
            fi
          else
            same=unknown
          fi
        fi
        echo "$fam,$n,$np,$no,$mode,$label,$status,$cpu,$peak,$same" >>"$fcsv"
        printf '%-16s %-22s %-6s %8s s %9s KiB %s\n' "$name" "$mode" $label "$cpu" "$peak" "$same" >&2
      done
    done
  done
done

# Growth from each size to the next of the same family, mode and build:
# processor time and peak memory at both and their ratios.
awk -F, '
  NR == 1 { next }
  {
    key = $1 SUBSEP $5 SUBSEP $6
    if (!(key in seen)) { seen[key] = 1; order[++n] = key }
    count[key]++
    size[key, count[key]] = $2; cpu[key, count[key]] = $8
    kib[key, count[key]] = $9; st[key, count[key]] = $7
  }
  function mib(v) { return v == "" ? "-" : sprintf("%.0f", v / 1024) }
  function sec(v, s) {
    if (v == "timeout") return "timeout"
    if (v == "") return "-"
    return sprintf("%.2f", v) (s != 0 && s != 4 ? " (exit " s ")" : "")
  }
  # Times below 0.02 s say nothing about growth.
  function ratio(a, b) {
    if (a == "" || b == "" || a == "timeout" || b == "timeout" || a + 0 < 0.02) return "-"
    return sprintf("%.2f", b / a)
  }
  function memRatio(a, b) {
    if (a == "" || b == "" || a + 0 == 0) return "-"
    return sprintf("%.2f", b / a)
  }
  END {
    print "Families: processor time (s) and peak resident memory (MiB) at size n and"
    print "at the next size 2n, for every family, mode and build, and their ratios."
    print ""
    print "| family | mode | build | n | cpu n | cpu 2n | cpu ratio | MiB n | MiB 2n | MiB ratio |"
    print "|---|---|---|---|---|---|---|---|---|---|"
    for (k = 1; k <= n; k++) {
      split(order[k], kk, SUBSEP)
      for (i = 1; i < count[order[k]]; i++) {
        a = order[k] SUBSEP i; b = order[k] SUBSEP (i + 1)
        printf "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", kk[1], kk[2], kk[3],
          size[a], sec(cpu[a], st[a]), sec(cpu[b], st[b]), ratio(cpu[a], cpu[b]),
          mib(kib[a]), mib(kib[b]), memRatio(kib[a], kib[b])
      }
    }
  }' "$fcsv" >"$out/families.md"
cat "$out/families.md"
echo "Families CSV: $fcsv; table: $out/families.md" >&2
if grep -q ',NO$' "$fcsv"; then
  differ=1
fi
if [ $differ = 1 ]; then
  echo "run.sh: some outputs differ from the --before build's" >&2
  exit 1
fi
