#!/usr/bin/env bash
# Registers a copy of the server from "C:\it's here\" in a fresh prefix of its own, checks
# the keys and the classes with the checker, unregisters and checks again, against the
# registry as it was before.
# Usage: registrationpath.sh <server dll> <checker exe> <scratch folder>
set -euo pipefail
dll=$1 checker=$2 scratch=$3
export WINEPREFIX=$scratch/prefix
export WINEDEBUG=-all
rm -rf "$scratch"
mkdir -p "$scratch"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
folder="$WINEPREFIX/drive_c/it's here"
mkdir -p "$folder"
cp "$dll" "$folder/"
export WQ_REGISTERED_MODULE="C:\\it's here\\$(basename "$dll")"
export WQ_REGISTRY_BEFORE="C:\\registry-before.txt"
wine "$checker" --gtest_filter='Before.*'
wine regsvr32 /s "$WQ_REGISTERED_MODULE"
wine "$checker" --gtest_filter='Registered.*'
wine regsvr32 /s /u "$WQ_REGISTERED_MODULE"
wine "$checker" --gtest_filter='Unregistered.*'
