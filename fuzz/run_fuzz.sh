#!/bin/bash
# Builds the table parser's fuzz target with clang++-14 (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a short time on the committed seed corpus.
# Usage: run_fuzz.sh [build dir]   (FUZZ_SECONDS sets the run time, default 30)
# Exit 77 (a skip for ctest) when clang++-14 or its libFuzzer runtime is missing.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build-fuzz}
seconds=${FUZZ_SECONDS:-30}
cxx=${FUZZ_CXX:-clang++-14}

if ! command -v "$cxx" >/dev/null 2>&1; then
  echo "SKIP: $cxx not found (Debian packages clang-14 and libclang-rt-14-dev)"
  exit 77
fi
mkdir -p "$build_dir/obj" "$build_dir/corpus-work"
build_dir=$(cd "$build_dir" && pwd)
probe=$build_dir/probe.cpp
echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' > "$probe"
if ! "$cxx" -fsanitize=fuzzer "$probe" -o "$build_dir/probe" 2>/dev/null; then
  echo "SKIP: $cxx has no libFuzzer runtime (Debian package libclang-rt-14-dev)"
  exit 77
fi

launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(ccache); fi
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer
       -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
       -I"$source_dir")

objects=()
for source in "$source_dir"/dbf/*.cpp "$source_dir"/fuzz/fuzz_table.cpp; do
  object=$build_dir/obj/$(basename "$source" .cpp).o
  "${launcher[@]}" "$cxx" "${flags[@]}" -c "$source" -o "$object"
  objects+=("$object")
done
"$cxx" -fsanitize=fuzzer,address,undefined "${objects[@]}" -o "$build_dir/fuzz_table"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# New inputs go to the work directory; the committed corpus is only read.
cd "$build_dir"
./fuzz_table -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build_dir/" -print_final_stats=1 \
  "$build_dir/corpus-work" "$source_dir/fuzz/corpus"
