#!/usr/bin/env bash
# A fuzzing campaign: every target searches from its seed corpus for
# HOURS hours of the machine's time, one target per core, then what each
# found is merged back into tests/fuzz/corpus/<target>, minimised
# (-merge=1). Prints executions, coverage and findings per target; a
# finding (crash, sanitizer report, failed invariant, leak, timeout) is
# kept in build/fuzz/findings/ and makes the script fail.
# Usage: tests/fuzz/campaign.sh HOURS [target...]   (HOURS may be 0.5)
# The fuzz preset must have been built (cmake --workflow --preset fuzz).
set -euo pipefail
cd "$(dirname "$0")/../.."

hours=${1:?usage: tests/fuzz/campaign.sh HOURS [target...]}
shift
targets=("$@")
# By default every target: the fuzz_*.cpp files, as tests/fuzz/CMakeLists.txt builds them.
if ((${#targets[@]} == 0)); then
  for source in tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
bin=build/fuzz/tests/fuzz
findings=build/fuzz/findings
work=build/fuzz/campaign
mkdir -p "$findings" "$work"
cores=$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)
# The campaign lasts HOURS: the targets share the cores' time.
seconds=$(awk -v h="$hours" -v c="$cores" -v n="${#targets[@]}" 'BEGIN { s = h * 3600 * (c < n ? c : n) / n; printf "%d", s < 1 ? 1 : s }')
echo "campaign: ${#targets[@]} targets, $cores at a time, ${seconds}s each"

run_target() {
  local target=$1
  rm -rf "$work/$target" && mkdir -p "$work/$target"
  # New inputs go to the scratch corpus; the seeds in the tree stay as they are until the merge.
  "$bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$work/$target" "tests/fuzz/corpus/$target" \
    >"$work/$target.log" 2>&1 || echo "finding" >"$work/$target.found"
}

rm -f "$work"/*.found
running=0
for target in "${targets[@]}"; do
  [[ -x "$bin/$target" ]] || { echo "campaign: $bin/$target is not built"; exit 1; }
  run_target "$target" &
  running=$((running + 1))
  if ((running >= cores)); then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

status=0
printf '%-14s %14s %8s %8s %9s %s\n' target executions cov ft corpus findings
for target in "${targets[@]}"; do
  log="$work/$target.log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  found=none
  if [[ -e "$work/$target.found" ]]; then
    found=$(ls "$findings" | grep -c "^$target-" || true)
    grep -v -e '^#' -e 'NEW_FUNC' "$log" | tail -40
    status=1
  else
    # What the search found, merged into the tree's corpus, minimised.
    merged="$work/$target.merged"
    rm -rf "$merged" && mkdir -p "$merged"
    "$bin/$target" -merge=1 -timeout=10 -rss_limit_mb=2048 "$merged" "tests/fuzz/corpus/$target" "$work/$target" \
      >"$work/$target.merge.log" 2>&1
    rm -rf "tests/fuzz/corpus/$target"
    mv "$merged" "tests/fuzz/corpus/$target"
  fi
  corpus=$(ls "tests/fuzz/corpus/$target" | wc -l)
  printf '%-14s %14s %8s %8s %9s %s\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$corpus" "$found"
done
exit "$status"
