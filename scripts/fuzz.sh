#!/bin/bash
# Runs every libFuzzer target of our readers for a short fixed time from the
# corpus kept in backends/fuzz/corpus (about 60 seconds in all). Needs clang;
# without it, says so and succeeds. New inputs found on the way stay in a
# copy of the corpus under the build tree, never in the repository.
#
#   scripts/fuzz.sh [SECONDS-PER-TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-8}
if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not installed; skipped"
  exit 0
fi

build=build/fuzz
targets=(zip tar lha compressed name cab nested)
CC=clang CXX=clang++ cmake -S . -B "$build" -DMOKURENA_FUZZ=ON >/dev/null
fuzzers=()
for target in "${targets[@]}"; do fuzzers+=("backends_${target}_fuzzer"); done
cmake --build "$build" -j"$(nproc)" --target "${fuzzers[@]}"
for target in "${targets[@]}"; do
  fuzzer="backends_${target}_fuzzer"
  work="$build/corpus/$target"
  rm -rf "$work"
  mkdir -p "$work"
  cp backends/fuzz/corpus/"$target"/* "$work"/
  echo "== fuzz $target for ${seconds}s"
  "$build/bin/$fuzzer" -max_total_time="$seconds" -max_len=70000 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 "$work" 2>&1 | tail -n 12
done
