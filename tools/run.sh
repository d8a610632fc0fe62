#!/usr/bin/env bash
# Builds Tessiwok.exe and runs it under Wine with a demo cache, so a newcomer
# sees it working. Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows

build=$root/build/windows
source tools/wine-session.sh
wine_session_start "$build/demo-prefix"

address=$(wine "$build/tools/cachefill.exe" demo | tr -d '\r')
echo "demo site cached at $address"
wine "$build/Tessiwok.exe"
