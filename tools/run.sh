#!/usr/bin/env bash
# Builds Tessiwok.exe, fills a demo URL cache in the project's own Wine prefix
# (build/windows/demo-prefix) by downloading a small sample site from a
# loopback server, and opens the dialog on the user's display, or on an Xvfb
# display when there is none. The sample site's address is typed in and
# collected, and a screenshot of the dialog is written:
#   build/windows/screenshot.png   (or the file named by TESSIWOK_SCREENSHOT)
# On a real display the dialog stays open for the user; on Xvfb it is closed
# after the screenshot. Installs what is missing first.
#   TESSIWOK_DPI=144 tools/run.sh   the display at 144 DPI (150 %) instead of 96
#                                   (LogPixels of the demo prefix; each run sets it)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# A relative TESSIWOK_SCREENSHOT is the caller's, taken before changing folder.
if [ -n "${TESSIWOK_SCREENSHOT:-}" ]; then TESSIWOK_SCREENSHOT=$(realpath -m "$TESSIWOK_SCREENSHOT"); fi
cd "$root"

bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

build=$root/build/windows
shot=${TESSIWOK_SCREENSHOT:-$build/screenshot.png}
headless=0
[ -n "${DISPLAY:-}" ] || headless=1

dpi=${TESSIWOK_DPI:-96}
case $dpi in ''|*[!0-9]*) echo "run: TESSIWOK_DPI must be a number, such as 96 or 144" >&2; exit 2 ;; esac

source tools/wine-session.sh
wine_session_start "$build/demo-prefix"

# Programs started from now on see this DPI; a run without TESSIWOK_DPI puts
# the default back.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1

# Without a window manager (Xvfb) nobody draws captions and frames: let Wine
# draw them in a virtual desktop of its own. On a real display, no such desktop.
explorer='HKCU\Software\Wine\Explorer'
if [ "$headless" = 1 ]; then
  wine reg add "$explorer" /v Desktop /d Default /f >/dev/null 2>&1
  desktop=800x500
  [ "$dpi" -le 96 ] || desktop=1000x700  # the dialog grows with its font
  wine reg add "$explorer\\Desktops" /v Default /d "$desktop" /f >/dev/null 2>&1
else
  wine reg delete "$explorer" /v Desktop /f >/dev/null 2>&1 || true
fi
# The desktop is made once, by the prefix's first program, which
# wine_session_start has already run: on a new prefix that desktop had no
# setting yet and draws no caption. The server goes, with that desktop, and
# is waited for; the next program makes the desktop as set.
wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -p >/dev/null 2>&1 || true

# Step 1: the demo cache (earlier runs' copies of the site are removed first).
wine "$build/tools/cachefill.exe" clear "http://127.0.0.1:" >/dev/null
address=$(wine "$build/tools/cachefill.exe" demo | tr -d '\r')
echo "demo site cached at $address"

# A stand-in browser shows the sample page under Internet Explorer's DDE
# service name, so the dialog opens with that address in its box.
reply=$(printf '"%s","Tessiwok demo"' "$address" | od -An -tx1 | tr -d ' \n')
wine "$build/tools/standin_browser.exe" --service Iexplore --reply-hex "$reply" >"$build/standin.out" 2>&1 &
browser=$!
for _ in $(seq 300); do grep -q ready "$build/standin.out" && break; sleep 0.1; done
grep -q ready "$build/standin.out" || echo "run: the stand-in browser did not start" >&2

# Step 2: the program, its dialog, the sample address collected.
wine "$build/Tessiwok.exe" &
program=$!
rect=$(wine "$build/tools/dialogctl.exe" wait 60000 | tr -d '\r') || { echo "run: no dialog appeared" >&2; exit 1; }
wine "$build/tools/dialogctl.exe" collect "$address"

# Step 3: the screenshot, cut to the dialog's rectangle.
# The X server may still be drawing what Wine painted: take shots until two
# in a row agree (a few tries at most).
read -r x y w h <<<"$rect"
previous=""
for _ in $(seq 25); do
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
  current=$(md5sum <"$shot")
  [ "$current" = "$previous" ] && break
  previous=$current
  sleep 0.2
done
echo "screenshot of the dialog: $shot"

if [ "$headless" = 1 ]; then
  wine "$build/tools/dialogctl.exe" close
else
  echo "Tessiwok is open on $DISPLAY; close it to end."
fi
wait "$program"
kill "$browser" 2>/dev/null || true
