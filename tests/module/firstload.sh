#!/usr/bin/env bash
# Runs firstload.exe many times in the test prefix, where Wine already runs: threads that
# each create the server's first object in their process at once, two and eight at a time.
# Stops at the first run that fails; a thread that never comes back fails its run at
# firstload's own time limit, and a run that hangs even so at this script's.
# Usage: firstload.sh <firstload exe>
set -uo pipefail
exe=$1
runs=15
for threads in 2 8; do
  for run in $(seq $runs); do
    if ! output=$(timeout 60 wine "$exe" $threads WQCGenericSvcs.Main 2>&1); then
      echo "$output"
      echo "run $run of $runs with $threads threads failed"
      exit 1
    fi
  done
done
echo "ok: $runs runs each with 2 and 8 threads"
