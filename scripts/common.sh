# Shared by the test and demo commands: installs what is missing, builds, and makes the
# Wine prefix in which the server and the stand-ins are registered.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${WQ_BUILD_DIR:-$ROOT/build}
export WINEPREFIX=$BUILD/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64

# Where Debian's fonts-wine (installed with wine) puts Wine's own fonts.
WINE_FONT_DIR=/usr/share/wine/fonts

PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 wine64-tools xvfb xauth
          googletest cmake make fonts-wine)

# For the commands that take no arguments: refuses any, saying so.
no_arguments() {
  if [ $# -gt 0 ]; then
    echo "usage: scripts/$(basename "$0") (it takes no arguments; got: $*)" >&2
    exit 2
  fi
}

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  fi
}

build() {
  echo "== building in $BUILD"
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD" -j"${WQ_JOBS:-$(nproc)}"
}

# A fresh prefix each run, so nothing registered by hand can hide a fault.
make_prefix() {
  echo "== making the Wine prefix"
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
  # No window manager runs on the test display: Wine draws the window frames itself and
  # does not wait for a manager (2 s at every dialog's close).
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # Wine's own fonts (Marlett for the caption buttons, Tahoma for "MS Shell Dlg"): Wine
  # looks for them in its data directory, which Debian's build names through the loader's
  # folder (/usr/lib/wine/../../share/wine); turned into a Windows path, that name misses
  # the folder, and every dialog falls back to other fonts. Name the folder directly.
  wine reg add 'HKCU\Software\Wine\Fonts' /v Path /d "$(winepath -w "$WINE_FONT_DIR")" /f \
    >/dev/null 2>&1
  # The resource protocol ("res:") that the XML dialog's stylesheet is loaded through.
  wine regsvr32 /s mshtml.dll
  wineserver -p 2>/dev/null || true
}

# Fills freed heap memory in the given programs of the build (their image's GlobalFlag
# FLG_HEAP_ENABLE_FREE_CHECK, which Wine honours): a pointer read from an object already
# freed then fails the test instead of passing unseen. It costs several times the time
# of programs that allocate much, so only the ones given get it.
fill_freed_memory() {
  local file=$BUILD/freed-memory.reg exe
  local key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Image File Execution Options'
  {
    echo REGEDIT4
    for exe in "$@"; do
      printf '\n[%s\\%s]\n"GlobalFlag"=dword:00000020\n' "$key" "$exe"
    done
  } >"$file"
  wine regedit /S "$(winepath -w "$file")"
}

# Registers every server DLL the build made, in the order given.
register() {
  local dll
  for dll in "$@"; do
    echo "== registering $(basename "$dll")"
    wine regsvr32 /s "$(winepath -w "$dll")"
  done
}

XVFB_PID=
start_display() {
  local n
  for n in $(seq 91 140); do
    [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    sleep 1
    if kill -0 $XVFB_PID 2>/dev/null; then
      export DISPLAY=:$n
      return
    fi
  done
  echo "no free X display" >&2
  exit 1
}

stop_all() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill $XVFB_PID 2>/dev/null || true
}

# Everything Wine runs from now on runs under the display: Wine that ran without one (the
# prefix's making) is ended first, since a desktop it made keeps no display and no window
# opens there ("The dialog could not be shown").
restart_wine_under_display() {
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p 2>/dev/null || true
}

# What every run needs first: the packages, the build, a fresh prefix with the given DLLs
# registered in it, and a display; the display and the prefix's server end with the script.
prepare_run() {
  install_missing
  build
  trap stop_all EXIT
  make_prefix
  start_display
  restart_wine_under_display
  register "$@"
}

SERVER_DLLS=("$BUILD/userservices/wqcgenericsvcs/WQCGenericSvcs.dll")
# The stand-ins and the dialog driver: every prefix a command makes has both, so that the
# README's scripts run after any of them.
TEST_DLLS=("$BUILD/tests/comframe/WQTestServer.dll" "$BUILD/standins/WQStandins.dll")
