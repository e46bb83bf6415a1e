#!/bin/bash
# Builds a fuzz target with clang++-14 (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a short time on its committed corpus.
# Usage: run_fuzz.sh table|import|journal [build dir]   (FUZZ_SECONDS sets the run time, default 30;
# more arguments after the build dir go to libFuzzer)
# Exit 77 (a skip for ctest) when clang++-14 or its libFuzzer runtime is missing.
set -euo pipefail

target=fuzz_${1:?usage: run_fuzz.sh table|import|journal [build dir]}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${2:-$source_dir/build-fuzz}
shift $(($# < 2 ? $# : 2))
cxx=${FUZZ_CXX:-clang++-14}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  > "$build_dir/probe.cpp"
if ! "$cxx" -fsanitize=fuzzer "$build_dir/probe.cpp" -o "$build_dir/probe" 2>/dev/null; then
  echo "SKIP: no $cxx with a libFuzzer runtime (Debian packages clang-14 and libclang-rt-14-dev)"
  exit 77
fi

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDBFIMPORT_FUZZERS=ON >/dev/null
cmake --build "$build_dir" -j2 --target "$target"

case $target in
  fuzz_table) corpus=$source_dir/fuzz/corpus max_len=65536 ;;
  fuzz_import) corpus=$source_dir/fuzz/corpus-import max_len=16384 ;;
  fuzz_journal) corpus=$source_dir/fuzz/corpus-journal max_len=16384 ;;
esac
# New inputs go to the work directory; the committed corpus is only read.
work=$build_dir/corpus-work-${target#fuzz_}
mkdir -p "$work"
cd "$build_dir"
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 "$build_dir/bin/$target" -max_total_time="${FUZZ_SECONDS:-30}" \
  -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" -artifact_prefix="$build_dir/$target-" \
  -print_final_stats=1 "$@" "$work" "$corpus"
