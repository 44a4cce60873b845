#!/usr/bin/env bash
# Installs what the project needs, builds it and runs every test: a normal
# build, then the address+undefined and thread sanitizer builds of the same suite.
# QUILLMOOR_SANITIZERS=0 skips the two sanitizer passes (quicker local runs).
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

build_and_test() {
  local dir=$1; shift
  local start=$SECONDS
  echo "==> $dir: configure and build"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$dir" -j "$jobs"
  local built=$SECONDS
  echo "==> $dir: tests"
  ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 600
  echo "==> $dir: built in $((built - start)) s, tested in $((SECONDS - built)) s"
}

build_and_test build

if [ "${QUILLMOOR_SANITIZERS:-1}" != "0" ]; then
  # Suppressions cover third-party libraries only; each file says why.
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1 \
  LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build_and_test build-asan -DSANITIZE=address -DCMAKE_BUILD_TYPE=Debug
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
    build_and_test build-tsan -DSANITIZE=thread -DCMAKE_BUILD_TYPE=Debug
fi
echo "==> all tests passed in $SECONDS s"
