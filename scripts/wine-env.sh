# Source this file: it prepares the Wine environment of one build tree.
#  - a Wine prefix created once under build/ (about 10 s) and kept,
#  - a private Xvfb display for this run (unless BRISOLT_DISPLAY names one),
#  - unless BRISOLT_SOUND=device, a HOME whose .asoundrc sends everything Wine
#    plays to a raw capture file (16-bit little-endian, 48 kHz, stereo,
#    appended across every opening of the device) instead of the sound card.
# After sourcing: WINEPREFIX, DISPLAY, BRISOLT_CAPTURE are exported and
# brisolt_wine_stop ends the wineserver and the Xvfb this run started.

_brisolt_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export BRISOLT_BUILD=${BRISOLT_BUILD:-$_brisolt_root/build}
export WINEPREFIX=${WINEPREFIX:-$BRISOLT_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

if [ "${BRISOLT_SOUND:-capture}" != device ]; then
  export BRISOLT_HOME=$BRISOLT_BUILD/wine-home
  mkdir -p "$BRISOLT_HOME"
  export BRISOLT_CAPTURE=${BRISOLT_CAPTURE:-$BRISOLT_HOME/capture.raw}
  cat > "$BRISOLT_HOME/.asoundrc" <<ASOUND
pcm.!default { type plug; slave { pcm "cap"; format S16_LE; rate 48000; channels 2 } }
pcm.cap { type file; slave.pcm "null"; file "|cat >> $BRISOLT_CAPTURE"; format "raw" }
ASOUND
  export HOME=$BRISOLT_HOME
fi

_brisolt_xvfb_pid=""
if [ -n "${BRISOLT_DISPLAY:-}" ]; then
  export DISPLAY=$BRISOLT_DISPLAY
else
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      _brisolt_xvfb_pid=$!
      export DISPLAY=":$n"
      for _ in $(seq 1 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
      break
    fi
  done
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX (once per build tree)..."
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
fi
# Wine's own Tahoma (package fonts-wine) stands in for "MS Shell Dlg", the
# dialog font, with the metrics of the Windows font; this Wine build does not
# look for it in its data folder, so the prefix gets a copy. Without it the
# dialogs are laid out with a wider fallback font.
for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
  if [ -f "$font" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$font")" ]; then
    cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
done
# Every program of this prefix runs inside one Wine desktop with a taskbar and a
# notification area ("shell"). Without a window manager, plain X windows make
# Wine wait two seconds for every hide; inside the Wine desktop they do not.
if [ ! -f "$WINEPREFIX/.brisolt-desktop" ]; then
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 1024x768 /f >/dev/null 2>&1
  touch "$WINEPREFIX/.brisolt-desktop"
fi
# A persistent wineserver keeps each test's Wine start short. It must be the
# one that starts now: asked of a server that is already running (the one the
# set-up above used), persistence does not take, that server ends a few
# seconds after its last client, and a test that starts just then loses its
# connection. So any server of this prefix is ended first.
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
wineserver -p >/dev/null 2>&1 || true
# Start Wine's background processes (services, the desktop) now, with their
# output going nowhere: started by the first test instead, they would inherit
# that test's output pipe and keep CTest waiting for it to close.
wineboot >/dev/null 2>&1 || true

brisolt_wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$_brisolt_xvfb_pid" ]; then
    kill "$_brisolt_xvfb_pid" 2>/dev/null || true
    wait "$_brisolt_xvfb_pid" 2>/dev/null || true
  fi
}
