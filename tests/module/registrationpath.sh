#!/usr/bin/env bash
# Registers a copy of the server from "C:\it's here\" in a fresh prefix of its own, checks
# the keys and the classes with the checker, unregisters (twice: what is gone already is
# no failure) and checks again, against the registry as it was before. Then over a 32-bit
# registration of the same library version, which must stay; then one that fails after the
# library was registered; then from a folder whose path is longer than MAX_PATH over a
# registration from the first.
# Usage: registrationpath.sh <server dll> <checker exe> <scratch folder>
set -euo pipefail
dll=$1 checker=$2 scratch=$3
export WINEPREFIX=$scratch/prefix
export WINEDEBUG=-all
rm -rf "$scratch"
mkdir -p "$scratch"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
name=$(basename "$dll")

# Copies the server into the Windows folder $1 and names it as the module registered.
place_in() {
  local folder="$WINEPREFIX/drive_c/${1#C:\\}"
  mkdir -p "${folder//\\//}"
  cp "$dll" "${folder//\\//}/"
  export WQ_REGISTERED_MODULE="$1\\$name"
}

export WQ_REGISTRY_BEFORE="C:\\registry-before.txt"
place_in "C:\\it's here"
wine "$checker" --gtest_filter='Before.*'
wine regsvr32 /s "$WQ_REGISTERED_MODULE"
wine "$checker" --gtest_filter='Registered.*'
wine regsvr32 /s /u "$WQ_REGISTERED_MODULE"
wine "$checker" --gtest_filter='Unregistered.*'
wine regsvr32 /s /u "$WQ_REGISTERED_MODULE"  # what is gone already is no failure

version='HKCR\TypeLib\{38000000-A35F-4D89-960A-B075AD91A15F}\17c.0'
for locale in 0 409; do
  wine reg add "$version\\$locale\\win32" /ve /d 'C:\x86\WQCGenericSvcs.dll' /f >/dev/null
done
wine regsvr32 /s "$WQ_REGISTERED_MODULE"
wine regsvr32 /s /u "$WQ_REGISTERED_MODULE"
wine "$checker" --gtest_filter='ThirtyTwoBit.*'
wine reg delete 'HKCR\TypeLib\{38000000-A35F-4D89-960A-B075AD91A15F}' /f >/dev/null

# A registration that fails after the library was registered, at the neutral locale's entry
# (its key made volatile): the whole classes root, both views, is as it was. The volatile key
# lives as long as the prefix's server, kept running for the while.
wineserver -w
wineserver -p
wine "$checker" --gtest_filter='LateFailure.Prepare*'
WQ_REGISTRY_BEFORE="C:\\registry-late.txt" wine "$checker" --gtest_filter='Before.*'
if wine regsvr32 /s "$WQ_REGISTERED_MODULE"; then
  echo "a registration whose neutral locale takes no entry succeeded" >&2
  exit 1
fi
WQ_REGISTRY_BEFORE="C:\\registry-late.txt" wine "$checker" --gtest_filter='LateFailure.The*'
wine reg delete 'HKCR\TypeLib\{38000000-A35F-4D89-960A-B075AD91A15F}' /f >/dev/null
wineserver -k
wineserver -w

# 300 characters to the module, over a registration from a short path: registered whole,
# or refused leaving the registry as it found it, so that every class still creates from
# the short path (this platform reads no type library from such a path).
short=$WQ_REGISTERED_MODULE
wine regsvr32 /s "$short"
WQ_REGISTRY_BEFORE="C:\\registry-registered.txt" wine "$checker" --gtest_filter='Before.*'
place_in "C:\\$(printf 'a%.0s' {1..120})\\$(printf 'b%.0s' {1..120})\\$(printf 'c%.0s' {1..36})"
if wine regsvr32 /s "$WQ_REGISTERED_MODULE"; then
  wine "$checker" --gtest_filter='Registered.*'
else
  WQ_REGISTERED_MODULE=$short WQ_REGISTRY_BEFORE="C:\\registry-registered.txt" \
    wine "$checker" --gtest_filter='Registered.*:Unchanged.*'
fi
wine regsvr32 /s /u "$WQ_REGISTERED_MODULE"
wine "$checker" --gtest_filter='Unregistered.*'
