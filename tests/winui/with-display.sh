#!/usr/bin/env bash
# with-display.sh WINE PROGRAM [ARGUMENT...]
# Runs a Windows program that makes windows under wine, on a virtual X display of its own
# (xvfb-run), in the wine prefix VELMORA_WINUI_WINEPREFIX (made on first use; default: a
# folder "wine-winui" beside the program). wine's desktop takes the display of the first
# program of a prefix, so the prefix's wine server is ended with the display, and two programs
# never share the prefix at once. The program's exit code is this script's.
set -euo pipefail
wine=$1
shift
export WINEPREFIX=${VELMORA_WINUI_WINEPREFIX:-$(dirname "$1")/wine-winui}
export WINEDEBUG=${WINEDEBUG:--all}
mkdir -p "$WINEPREFIX"
server="$(dirname "$wine")/wineserver"
# A lock of the prefix: a test listing and a test run started at once wait for each other.
exec 9>"$WINEPREFIX.lock"
flock 9
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  server=$1 wine=$2
  shift 2
  status=0
  # A new prefix is made and booted before the program runs in it.
  [[ -f $WINEPREFIX/system.reg ]] || "$wine" wineboot </dev/null >/dev/null 2>&1
  # The display has no window manager: wine would wait two seconds for one to take each
  # window it hides or closes. Its windows are left unmanaged instead.
  grep -qs "^\"Managed\"=\"N\"" "$WINEPREFIX/user.reg" ||
    "$wine" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
  "$wine" "$@" || status=$?
  "$server" -k 2>/dev/null || true
  "$server" -w 2>/dev/null || true
  exit $status
' with-display "$server" "$wine" "$@"
