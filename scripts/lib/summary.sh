# The test command's parts and its closing table. Each part reports its own line (tests run and passed, seconds, and
# its result or why it did not run) into one list; the command prints the table from that list when it ends, green
# or red, so no part prints it and none can be left out of it. Part of scripts/lib.sh; source that.

TARVO_SUMMARY=$TARVO_BUILD/test-summary # the list: one line a report, the last line of a part counts
TARVO_SUMMARY_STARTED=$SECONDS

# tarvo_summary_begin PART...: a fresh list, with the parts this run means to run in the order the table shows them.
# A part that never reports shows as not run.
tarvo_summary_begin() {
  mkdir -p "$TARVO_BUILD" "$TARVO_SUMMARY.logs"
  printf '%s\n' "$@" >"$TARVO_SUMMARY.parts"
  : >"$TARVO_SUMMARY"
  rm -f "$TARVO_SUMMARY.logs"/*
  TARVO_SUMMARY_STARTED=$SECONDS
}

# tarvo_part_report PART RAN PASSED SECONDS RESULT: RESULT is "passed", "FAILED" or "not run: <why>".
tarvo_part_report() {
  printf '%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" "$5" >>"$TARVO_SUMMARY"
}

# tarvo_ctest_counts LOG: "RAN PASSED" summed over the ctest summaries in a log ("N tests failed out of M").
tarvo_ctest_counts() {
  sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\1 \2/p' "$1" |
    awk '{ failed += $1; ran += $2 } END { print ran + 0, ran - failed }'
}

# tarvo_part PART COMMAND...: runs the command (its standard output also kept in the part's log), then reports the
# part: the counts of the ctest summaries it printed, its seconds, passed or FAILED by its status. Returns the status.
tarvo_part() {
  local part=$1 log started=$SECONDS status=0 counts
  shift
  log=$TARVO_SUMMARY.logs/${part//[^A-Za-z0-9]/_}.log
  "$@" > >(tee "$log") || status=$?
  wait $! 2>/dev/null || true # the copy into the log is complete
  counts=$(tarvo_ctest_counts "$log")
  tarvo_part_report "$part" "${counts% *}" "${counts#* }" "$((SECONDS - started))" \
    "$([ $status -eq 0 ] && echo passed || echo FAILED)"
  return $status
}

# tarvo_in FOLDER COMMAND...: the command run in the folder.
tarvo_in() {
  local folder=$1
  shift
  (cd "$folder" && "$@")
}

# Prints the table: every part meant to run in its order, then any other that reported; the last report of each.
tarvo_summary_print() {
  [ -f "$TARVO_SUMMARY.parts" ] || return 0
  local total=$((SECONDS - TARVO_SUMMARY_STARTED))
  {
    printf '\n== Summary (%d s in all)\n' "$total"
    awk -F'\t' '
      FNR == NR { if (!($0 in planned)) { planned[$0] = 1; order[++n] = $0 }; next }
      { line[$1] = $0; if (!($1 in planned)) { planned[$1] = 1; order[++n] = $1 } }
      END {
        printf "%-36s %9s %8s %8s  %s\n", "part", "tests run", "passed", "seconds", "result"
        for (i = 1; i <= n; ++i) {
          if (order[i] in line) {
            split(line[order[i]], f, "\t")
            printf "%-36s %9s %8s %8s  %s\n", f[1], f[2], f[3], f[4], f[5]
          } else
            printf "%-36s %9s %8s %8s  %s\n", order[i], "-", "-", "-", "not run: the run ended before it"
        }
      }' "$TARVO_SUMMARY.parts" "$TARVO_SUMMARY"
  } >&2
}
