#!/usr/bin/env bash
# Runs every fuzz target for a bounded time, starting from its seed corpus,
# and fails on the first finding (crash, sanitizer report, failed invariant,
# leak, timeout). Usage: tests/fuzz/run.sh [seconds per target]
# The fuzz preset must have been built (cmake --workflow --preset fuzz).
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-45}
bin=build/fuzz/tests/fuzz
findings=build/fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The targets are the fuzz_*.cpp files, as tests/fuzz/CMakeLists.txt builds them.
for source in tests/fuzz/fuzz_*.cpp; do
  target=$(basename "$source" .cpp)
  [[ -x "$bin/$target" ]] || { echo "fuzz: $bin/$target is not built"; exit 1; }
  mkdir -p "$work/$target"
  # New inputs go to the scratch corpus; the seeds in the tree stay as they are.
  if ! "$bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$findings/$target-" "$work/$target" "tests/fuzz/corpus/$target" \
      >"$work/$target.log" 2>&1; then
    grep -v -e '^#' -e 'NEW_FUNC' "$work/$target.log" | tail -80
    echo "fuzz: $target found a problem; the input is in $findings/"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
  echo "fuzz: $target: $runs runs in ${seconds}s, nothing found"
done
