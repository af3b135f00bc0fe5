#!/usr/bin/env bash
# Builds Brisolt and starts it under Wine: on your display when there is one,
# otherwise on a private Xvfb display (and says how to look at it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh"

export BRISOLT_SOUND=device
if [ -n "${DISPLAY:-}" ]; then
  export BRISOLT_DISPLAY=$DISPLAY
fi
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap brisolt_wine_stop EXIT
if [ -z "${BRISOLT_DISPLAY:-}" ]; then
  echo "No display: Brisolt runs on the virtual display $DISPLAY (Xvfb)."
  echo "Take a screenshot with:  DISPLAY=$DISPLAY import -window root shot.png"
fi
cd "$root/build/win64/dist"
echo "Starting Brisolt from $PWD (exit it from its tray menu, or press Ctrl+C here)."
# The prefix runs programs in a Wine desktop with a taskbar and a notification
# area, where the tray icon shows (scripts/wine-env.sh).
wine Brisolt.exe
wineserver -w
