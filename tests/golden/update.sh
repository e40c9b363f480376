#!/bin/sh
# Rewrites the expected outputs with the programs of BUILD_DIR: for a change
# that alters output on purpose; say why in the same commit.
set -eu
build=${1:?usage: update.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
for pins in "$here"/input/*.pins.txt; do
  instance=$(basename "$pins" .pins.txt)
  grep -v '^#' "$here/modes.txt" | while read -r name program options; do
    [ "$options" = - ] && options=""
    # shellcheck disable=SC2086
    "$build/$program" $options "$pins" "$here/input/$instance.obst.txt" \
      "$here/expected/$instance.$name.txt" >/dev/null || [ $? -eq 4 ]
  done
done
