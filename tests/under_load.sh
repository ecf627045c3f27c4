#!/usr/bin/env bash
# Runs the test workflow while every core of the machine is kept busy by
# other work, as on a shared CI machine: the suite must hold there too.
# The load stops on every way out. Usage: tests/under_load.sh [workflow]
set -euo pipefail
cd "$(dirname "$0")/.."

workflow=${1:-test}
cores=$(getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)
load=()
stop_load() {
  for pid in "${load[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap stop_load EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

for ((i = 0; i < cores; i++)); do
  sh -c 'while :; do :; done' &
  load+=($!)
done
echo "under_load: $cores busy loops beside the $workflow workflow"
start=$(date +%s)
status=0
cmake --workflow --preset "$workflow" || status=$?
echo "under_load: the $workflow workflow ended with status $status after $(( $(date +%s) - start )) s"
exit "$status"
