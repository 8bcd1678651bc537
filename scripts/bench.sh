#!/usr/bin/env bash
# Installs what is missing, builds, registers the server in a fresh Wine prefix and runs
# every benchmark under one X display and one wineserver. Each prints its figures as
# ratios against their floors, measured in one process; none fails on a time.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
no_arguments "$@"

prepare_run "${SERVER_DLLS[@]}" "${TEST_DLLS[@]}"
echo "== running the benchmarks"
status=0
for bench in "$BUILD"/bench/*_bench.exe; do
  echo "== $(basename "$bench" .exe)"
  wine "$bench" || status=1
done
exit $status
