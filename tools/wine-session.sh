# Sourced by the test and demo scripts: starts an Xvfb display (when there is
# none) and keeps the prefix's wineserver running until the script exits.
wine_session_start() {
  export TESSIWOK_PREFIX=$1
  export WINEPREFIX=$1 WINEDEBUG=${WINEDEBUG:--all} LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
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
  # Prepare the prefix once (wineboot), then keep its server up between tests.
  "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true
  wineserver -p >/dev/null 2>&1 || true
  trap wine_session_stop EXIT
}

# The scripts' own "wine" goes through tools/wine-run.sh, which picks the
# loader that this machine can start (see there).
wine() { "$(dirname "${BASH_SOURCE[0]}")/wine-run.sh" "$@"; }

wine_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${WINE_SESSION_XVFB:-}" ]; then kill "$WINE_SESSION_XVFB" 2>/dev/null || true; fi
}
