#!/usr/bin/env bash
# Installs what is missing, builds, registers the server in a fresh Wine prefix and runs
# every test under one X display and one wineserver.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

prepare_tests
echo "== running the tests"
cd "$BUILD"
ctest --output-on-failure -j2 --timeout 300 "$@"
