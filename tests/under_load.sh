#!/usr/bin/env bash
# Runs the test workflow while every core of the machine is kept busy by
# other work, as on a shared CI machine: the suite must hold there too.
# The load stops on every way out.
# Usage: tests/under_load.sh [workflow]
#        tests/under_load.sh --repeat N [preset]: the terminal tests (tests/terminal)
#        of a preset's build (debug by default), each run N times or until it fails.
set -euo pipefail
cd "$(dirname "$0")/.."

repeat=0
if [[ ${1:-} == --repeat ]]; then
  repeat=${2:?--repeat needs a count}
  shift 2
fi
workflow=${1:-$([[ $repeat -gt 0 ]] && echo debug || echo test)}
# The repeated tests are built first, before the load.
if [[ $repeat -gt 0 ]]; then
  cmake --preset "$workflow" >/dev/null && cmake --build --preset "$workflow"
fi
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
echo "under_load: $cores busy loops beside $workflow"
start=$(date +%s)
status=0
if [[ $repeat -gt 0 ]]; then
  ctest --preset "$workflow" --repeat "until-fail:$repeat" -R '^Scenarios/TerminalTest\.' || status=$?
else
  cmake --workflow --preset "$workflow" || status=$?
fi
echo "under_load: $workflow ended with status $status after $(( $(date +%s) - start )) s"
exit "$status"
