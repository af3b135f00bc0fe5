#pragma once
// The program's 13 small pictures: the tray icon's states, the list markers
// and the menu pictures, all from the multi-size icon resources.

#include <windows.h>

#include <array>

#include "base/scoped_win.h"

// Index of a picture: the order of the resources below.
enum ProgramIcon : int {
  kIconSoundOn,       // the tray icon, sound on
  kIconSoundOff,      // the tray icon, sound off
  kIconKeyDown,       // the tray icon while a key is held
  kIconButtonDown,    // the tray icon while a mouse button is held
  kIconBallOn,        // marker of the current scheme, of a category that sounds, of the preset in use
  kIconBallOff,       // marker of the others
  kIconOptions,
  kIconSoundsOn,      // menu item "Mute Sound"
  kIconSoundsOff,     // menu item "Enable Sound"
  kIconScheme,
  kIconHelp,
  kIconExit,
  kIconEax,
  kIconCount,
};

inline constexpr std::array<const char*, kIconCount> kIconNames = {
    "zMainEnableXP", "zMainDisableXP", "zMainEnableXP1", "zMainEnableXP2", "zBallEnableXP",
    "zBallDisableXP", "zOptionsXP", "zSoundsEnableXP", "zSoundsDisableXP", "zSchemeXP",
    "zHelpXP", "zExitXP", "zschemeEAX"};

// Picture `index` at `size` pixels, from its multi-size resource.
ScopedIcon LoadProgramIcon(int index, int size);
// Picture `index` at the size of small icons (16 px at 100 %, 20 at 125 %,
// 24 at 150 %, 32 at 200 %); loaded once and kept for the run.
HICON SmallIcon(int index);
// The pictures as an image list at the small-icon size of `dpi`, for the
// lists of the windows.
ScopedImageList IconListAtDpi(int dpi);
