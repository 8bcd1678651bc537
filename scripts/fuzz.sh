#!/usr/bin/env bash
# Runs the reply fuzzer and the bad-argument sweep long, in a Wine prefix of their own (so
# the tests can run beside it): scripts/fuzz.sh [inputs per format] [seed]. Prints per
# format what was tried and what was found; the inputs that found something are kept in
# build/fuzz-long/found.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
export WINEPREFIX=$BUILD/fuzzprefix

INPUTS=${1:-100000}
SEED=${2:-2026}
if [ $# -gt 2 ] || ! [[ $INPUTS =~ ^[1-9][0-9]{0,8}$ && $SEED =~ ^[0-9]{1,19}$ ]]; then
  echo "usage: scripts/fuzz.sh [inputs per format (1 to 999999999)] [seed (a whole number)]" >&2
  exit 2
fi
prepare_run "${SERVER_DLLS[@]}" "${TEST_DLLS[@]}"
# A copy, so that a build during the run does not change the program under way.
RUN=$BUILD/fuzz-long
rm -rf "$RUN/found"
mkdir -p "$RUN"
cp "$BUILD/tests/fuzz/wqfuzz.exe" "$RUN/"
cd "$RUN"
echo "== fuzzing: $INPUTS inputs per format, seed $SEED, 3 processes"
wine wqfuzz.exe run --inputs "$INPUTS" --seed "$SEED" --jobs 3 --sweep --out found
