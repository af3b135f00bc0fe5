#!/usr/bin/env bash
# Pictures of the program for the README, taken under Wine and Xvfb: the
# options window's Schemes page, the scheme editor's Keyboard page with an
# imported sound pack and the key sound dialog of a slice, at 96 dpi into
# docs/, and the same at 144 dpi into build/screenshots/ (to look at).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
export BRISOLT_SOUND=capture
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"
trap 'wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1; brisolt_wine_stop' EXIT
work="$root/build/screenshots"
driver="$root/build/win64/tools/screenshot_driver.exe"
mkdir -p "$root/docs"

shoot() {  # dpi, where the pictures go, suffix of their names
  local dpi=$1 out=$2 suffix=$3
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -k || true
  rm -rf "$work/program" "$work/request"
  mkdir -p "$work" "$out"
  cp -r "$root/build/win64/dist" "$work/program"
  printf '[Options]\r\nDeviceID=-1\r\n' > "$work/program/config.cfg"
  wine "$driver" "$(winepath -w "$work/program")" "$(winepath -w "$work/request")" "$suffix" &
  local pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    if [ -f "$work/request" ]; then
      read -r name x y w h < "$work/request"
      import -window root -crop "${w}x${h}+${x}+${y}" +repage "$out/$name.png"
      echo "  $out/$name.png (${w}x${h})"
      rm -f "$work/request"
    fi
    sleep 0.1  # a poll of the driver's request file
  done
  wait "$pid"
}

echo "Pictures at 96 dpi:"
shoot 96 "$root/docs" ""
echo "Pictures at 144 dpi:"
shoot 144 "$work" "-144dpi"
