#!/bin/sh
# Builds dbfimport and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test, so that a read past a buffer or undefined behaviour fails a test
# instead of passing by luck. The short libFuzzer runs are left to the ordinary build.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build="${DBFIMPORT_SANITIZE_BUILD_DIR:-$root/build-sanitize}"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDBFIMPORT_SANITIZE=ON
cmake --build "$build" -j2
cd "$build"
# verify_asan_link_order: the flush tests preload a probe library before the runtime.
ASAN_OPTIONS=verify_asan_link_order=0:detect_stack_use_after_return=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j2 -E '_short$'
