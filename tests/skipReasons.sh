#!/bin/sh
# Lists the skipped tests of a ctest run, each with the reason it printed:
# ctest itself shows a skipped test's output only with -V. Run by ctest
# after the tests (CTestCustom.cmake), when the run's log is still the
# .tmp file; never fails, so that it cannot fail a run.
# Usage: skipReasons.sh TESTING_TEMPORARY_DIR
dir=$1
log="$dir/LastTest.log.tmp"
[ -r "$log" ] || log="$dir/LastTest.log"
[ -r "$log" ] || exit 0
awk '
function reason(   i, j, why) {
  for (i = 0; i < n; i++) {
    # GoogleTest writes "FILE:LINE: Skipped", the message, then SKIPPED.
    if (out[i] ~ /: Skipped$/) {
      why = ""
      for (j = i + 1; j < n && out[j] !~ /^\[  SKIPPED \]/; j++)
        if (out[j] != "") why = why (why == "" ? "" : " ") out[j]
      return why == "" ? "(no reason given)" : why
    }
    if (out[i] ~ /^skipped: /) return substr(out[i], 10)
  }
  return "(no reason given)"
}
/^[0-9]+\/[0-9]+ Test: / {
  name = $0
  sub(/^[0-9]+\/[0-9]+ Test: /, "", name)
  n = 0
  inOutput = 0
  next
}
inOutput == 1 { inOutput = 2; next }  # the dashes under "Output:"
inOutput == 2 {
  # Output without a final newline runs into the marker.
  done = sub(/<end of output>$/, "")
  if (!done || $0 != "") out[n++] = $0
  if (done) inOutput = 0
  next
}
/^Output:$/ { inOutput = 1; next }
/^Skip regular expression found in output/ || /^SKIP_RETURN_CODE=/ {
  skipped[count++] = name ": " reason()
}
END {
  if (count == 0) exit
  print "Why they were skipped:"
  for (i = 0; i < count; i++) print "\t" skipped[i]
}
' "$log"
exit 0
