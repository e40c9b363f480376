#!/bin/sh
# The skip report on a kept ctest log: every skipped test with its reason
# (GoogleTest's message on one or more lines or none, a "skipped: " line,
# output without a final newline), no passing or failing test that prints
# "skipped: ", and silence without a log.
# Usage: skipReportTest.sh TESTS_SOURCE_DIR
set -e
tests=$1
got=$(sh "$tests/skipReasons.sh" "$tests/data/skipReport")
expected=$(cat "$tests/data/skipReport/expected.txt")
if [ "$got" != "$expected" ]; then
  printf 'report:\n%s\nexpected:\n%s\n' "$got" "$expected"
  exit 1
fi
empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
got=$(sh "$tests/skipReasons.sh" "$empty")
if [ -n "$got" ]; then
  printf 'report without a log:\n%s\n' "$got"
  exit 1
fi
