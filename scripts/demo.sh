#!/usr/bin/env bash
# Installs what is missing, builds, registers the server in a fresh Wine prefix and runs
# the demo client (examples/demo.js) under Wine's scripting host.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
no_arguments "$@"

prepare_run "${SERVER_DLLS[@]}" "${TEST_DLLS[@]}"
echo "== running the demo"
wine cscript //nologo "$(winepath -w "$ROOT/examples/demo.js")" "$(winepath -w "$ROOT/examples")"
