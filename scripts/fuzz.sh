#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and fuzzes each one for a given time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#   scripts/fuzz.sh --build-only
#
# SECONDS per target (default FUZZ_SECONDS, else 60); TARGETs default to every
# target built. Each target's line ends with libFuzzer's coverage figure (the
# "cov:" of its final stats line: code edges reached). --build-only builds
# every target and runs none (the test script does that when clang is there).
# FUZZ_JOBS targets run side by side (default 1), at nice 10.
# FUZZ_MERGE=1 adds the inputs that found new coverage to fuzz/corpus/TARGET
# (minimized with libFuzzer's merge), for the test suite's corpus replay.
# Findings go to build-fuzz/artifacts/TARGET/; the run fails if there are any.
set -euo pipefail
cd "$(dirname "$0")/.."

build_only=0
if [ "${1:-}" = "--build-only" ]; then
  build_only=1
  shift
fi
seconds=${FUZZ_SECONDS:-60}
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
build=${FUZZ_BUILD_DIR:-build-fuzz}
jobs=${FUZZ_JOBS:-1}

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLMOOR_BUILD_FUZZ=ON -DQUILLMOOR_BUILD_TESTS=OFF
fi
mapfile -t available < <(cmake --build "$build" --target help | sed -n 's/^\([a-z_]*\)_fuzzer: .*/\1/p' | sort)
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=("${available[@]}")
cmake --build "$build" -j 2 --target "${targets[@]/%/_fuzzer}"
if [ "$build_only" = "1" ]; then
  echo "built ${#targets[@]} fuzz targets in $build/fuzz"
  exit 0
fi

# The targets write their scratch files under TMPDIR; memory is far faster.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_target() {
  local target=$1
  local work="$build/corpus/$target" artifacts="$build/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  nice -n 10 "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" "fuzz/corpus/$target" \
    >"$build/$target.log" 2>&1 || true
  local execs crashes coverage
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$target.log" | tail -1)
  coverage=$(sed -n 's/^#[0-9]*.*[[:space:]]cov: \([0-9]*\).*/\1/p' "$build/$target.log" | tail -1)
  crashes=$(find "$artifacts" -type f | wc -l)
  echo "$target: ${execs:-0} executions in ${seconds}s, coverage ${coverage:-unknown} edges (cov:)," \
    "$crashes finding(s) in $artifacts"
  if [ "${FUZZ_MERGE:-0}" = "1" ]; then
    nice -n 10 "$build/fuzz/${target}_fuzzer" -merge=1 "fuzz/corpus/$target" "$work" >>"$build/$target.log" 2>&1 || true
  fi
}

running=0
for target in "${targets[@]}"; do
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

found=$(find "$build/artifacts" -type f 2>/dev/null | wc -l)
[ "$found" -eq 0 ] || { echo "fuzzing left $found finding(s) under $build/artifacts"; exit 1; }
