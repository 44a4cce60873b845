#!/usr/bin/env bash
# Runs one Qt Test program (behind any launcher, such as xvfb-run) and passes
# its output on. A program that passed but skipped a case (QSKIP, e.g. because
# a server program is missing) exits 77, which ctest reports as skipped rather
# than passed (SKIP_RETURN_CODE). A failure stays a failure even when other
# cases of the program skipped, which matching the output alone could not tell.
set -uo pipefail
output=$(mktemp "${TMPDIR:-/tmp}/quillmoor-qt-test.XXXXXX") || exit 1
trap 'rm -f "$output"' EXIT
"$@" >"$output" 2>&1
status=$?
cat "$output"
if [ "$status" -eq 0 ] && grep -q '^SKIP   : ' "$output"; then
  exit 77
fi
exit "$status"
