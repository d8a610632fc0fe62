# Sourced by the test and demo scripts: starts an Xvfb display (when there is
# none) and keeps the prefix's wineserver running until the script exits.

# This folder, found once as an absolute path: the scripts source this file by
# a relative path and may change directory before they call wine.
WINE_SESSION_TOOLS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

wine_session_start() {
  local prefix
  prefix=$(realpath -m "$1")  # Wine takes an absolute prefix only
  export TESSIWOK_PREFIX=$prefix
  # No LANG or LC_ALL here: setting them in this shell makes the shell itself
  # switch locale (and warn on a machine that lacks it); tools/wine-run.sh
  # gives the Japanese locale to Wine alone.
  export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 140); do
      [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
    done
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    WINE_SESSION_XVFB=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  # Without a display every window Wine opens fails or waits: say so at once.
  if ! xdpyinfo >/dev/null 2>&1; then
    echo "wine-session: no X display answers at DISPLAY=$DISPLAY" \
      "(unset DISPLAY to get an Xvfb display, which needs the xvfb package)" >&2
    if [ -n "${WINE_SESSION_XVFB:-}" ]; then kill "$WINE_SESSION_XVFB" 2>/dev/null || true; fi
    return 1
  fi
  # Prepare the prefix once (wineboot), then keep its server up between tests.
  "$WINE_SESSION_TOOLS/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 || true
  trap wine_session_stop EXIT
}

# The scripts' own "wine" goes through tools/wine-run.sh, which picks the
# loader that this machine can start (see there).
wine() { "$WINE_SESSION_TOOLS/wine-run.sh" "$@"; }

wine_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${WINE_SESSION_XVFB:-}" ]; then kill "$WINE_SESSION_XVFB" 2>/dev/null || true; fi
}
