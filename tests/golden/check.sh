#!/bin/sh
# Runs one program on one instance and compares what it writes with the
# checked-in output, byte for byte. Usage: check.sh PROGRAM OPTIONS PINS OBST EXPECTED
set -u
program=$1 options=$2 pins=$3 obst=$4 expected=$5
[ "$options" = - ] && options=""
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# shellcheck disable=SC2086
"$program" $options "$pins" "$obst" "$out" >/dev/null
status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 4 ]; then
  echo "exit status $status"
  exit 1
fi
if ! cmp "$out" "$expected"; then
  diff "$expected" "$out" | head -n 20
  exit 1
fi
