#!/usr/bin/env bash
# Runs one Qt Test program (behind any launcher, such as xvfb-run) and passes
# its output on. A program that passed but skipped a case (QSKIP, e.g. because
# a server program is missing) exits 77, which ctest reports as skipped rather
# than passed (SKIP_RETURN_CODE). A failure stays a failure even when other
# cases of the program skipped, which matching the output alone could not tell.
#
# --one-cpu (the thread-sanitizer build) runs the program on one processor.
# Qt's image-conversion thread pool then has a single thread, so the pool's
# queue and worker loop, which have no symbol names in the distribution's
# stripped Qt that a suppression could name, are never shared between two
# pool threads. Our own threads are checked as before: the sanitizer finds
# races from the order of events, not from threads running at the same time.
set -uo pipefail
if [ "${1:-}" = "--one-cpu" ]; then
  shift
  first_cpu=$(taskset -c -p $$ | sed 's/.*: //; s/[^0-9].*//')
  set -- taskset -c "$first_cpu" "$@"
fi
output=$(mktemp "${TMPDIR:-/tmp}/quillmoor-qt-test.XXXXXX") || exit 1
trap 'rm -f "$output"' EXIT
"$@" >"$output" 2>&1
status=$?
cat "$output"
if [ "$status" -eq 0 ] && grep -q '^SKIP   : ' "$output"; then
  exit 77
fi
exit "$status"
