#!/bin/sh
# The include check on a few of the project's files copied out: it passes,
# then fails, naming file, line and both rooms, on an include planted up the
# layers and on one across the front ends.
set -eu
root=$1
python=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
for f in support/plane.h support/boxTree.h spatial/obstacleIndex.h \
  geometry/segment.h router/router.h drivers/driver.h tools/treeFile.h; do
  mkdir -p "$scratch/$(dirname "$f")"
  cp "$root/$f" "$scratch/$f"
done
check() {
  status=0
  "$python" "$root/tools/checkLayers.py" "$scratch" >"$scratch/out" 2>&1 || status=$?
}
check
if [ "$status" -ne 0 ]; then
  echo "the copied files fail the check (status $status):"
  cat "$scratch/out"
  exit 1
fi
plant() {
  line=$(($(wc -l <"$scratch/$1") + 1))
  echo "#include \"$2\"" >>"$scratch/$1"
  check
  if [ "$status" -ne 1 ] || ! grep -qF "$1:$line: $3" "$scratch/out"; then
    echo "planting \"$2\" in $1 gave status $status and:"
    cat "$scratch/out"
    exit 1
  fi
}
plant spatial/obstacleIndex.h router/router.h "spatial includes router"
plant drivers/driver.h tools/treeFile.h "drivers includes tools"
echo "the check passes on the copies and fails on both planted includes"
