#!/usr/bin/env bash
# Runs one Windows program under Wine: CTest's emulator for the win64 tree.
# Uses the environment of scripts/wine-env.sh, and sets it up when run alone.
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  # shellcheck source=wine-env.sh
  . "$(dirname "$0")/wine-env.sh"
  trap brisolt_wine_stop EXIT
  wine "$@"
  exit $?
fi
exec wine "$@"
