#!/bin/bash
# Builds the table parser's fuzz target with clang++-14 (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a short time on the committed seed corpus.
# Usage: run_fuzz.sh [build dir]   (FUZZ_SECONDS sets the run time, default 30)
# Exit 77 (a skip for ctest) when clang++-14 or its libFuzzer runtime is missing.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build-fuzz}
cxx=${FUZZ_CXX:-clang++-14}
mkdir -p "$build_dir/obj" "$build_dir/corpus-work"
build_dir=$(cd "$build_dir" && pwd)
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' \
  > "$build_dir/probe.cpp"
if ! "$cxx" -fsanitize=fuzzer "$build_dir/probe.cpp" -o "$build_dir/probe" 2>/dev/null; then
  echo "SKIP: no $cxx with a libFuzzer runtime (Debian packages clang-14 and libclang-rt-14-dev)"
  exit 77
fi

launcher=$(command -v ccache || true)
objects=()
for source in "$source_dir"/dbf/*.cpp "$source_dir"/fuzz/fuzz_table.cpp; do
  objects+=("$build_dir/obj/$(basename "$source" .cpp).o")
  $launcher "$cxx" -std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined \
    -fno-sanitize-recover=undefined -I"$source_dir" -c "$source" -o "${objects[-1]}"
done
"$cxx" -fsanitize=fuzzer,address,undefined "${objects[@]}" -o "$build_dir/fuzz_table"

# New inputs go to the work directory; the committed corpus is only read.
cd "$build_dir"
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ./fuzz_table -max_total_time="${FUZZ_SECONDS:-30}" \
  -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build_dir/" -print_final_stats=1 \
  "$build_dir/corpus-work" "$source_dir/fuzz/corpus"
