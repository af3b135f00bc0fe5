#pragma once
// The decisions of the key and mouse dispatch, as pure functions: which key
// category a virtual-key code sounds, and what one hook message does to the
// tray picture and whether it sounds. The window handlers only carry them out.

#include <cstdint>

#include "settings/scheme.h"

// Every code 0..255 (and beyond) maps to exactly one category. The generic
// Shift, Ctrl and Alt codes (16, 17, 18) have their own categories; the
// left/right codes (160..165) are "Other", as are the keypad digits.
KeyCategory CategoryOfVirtualKey(uint32_t virtualKey);

// What the tray icon shows: sound on, sound off, a key held, a button held.
// The tray turns them into its pictures.
enum TrayPicture : int {
  kNoPictureChange = -1,
  kPictureSoundOn,
  kPictureSoundOff,
  kPictureKeyDown,
  kPictureButtonDown,
  kTrayPictureCount,
};

inline constexpr uint32_t kVirtualKeyPrintScreen = 44;

struct KeyStep {
  int picture = kNoPictureChange;  // shown once the sound has started
  bool sounds = false;             // go on to play the key's category
  bool playsRelease = false;       // play the category's release sound, if it has one
};

// For a key event that passed the scheme, mute and device tests. Bit 30 of
// flags: the key was down before; bit 31: it is being released. A first press
// shows the key-down picture (with the animated icon on) and sounds; an
// auto-repeat sounds; a release restores the idle picture and plays the
// category's release sound, except for Print Screen, whose release (the only
// event Windows gives it) plays its sound.
KeyStep KeyboardStep(uint32_t virtualKey, uint32_t flags, bool animIcon);

enum class MouseEvent { kIgnored, kLeftDown, kRightDown, kButtonUp };
// 0x201 and 0x204 press the left and right button, 0x202 and 0x205 release
// them; every other mouse message is ignored.
MouseEvent ClassifyMouseMessage(uint32_t message);
// The category whose release sound a button's release plays (0x202 left,
// 0x205 right); Other for any other message.
KeyCategory ReleasedButton(uint32_t message);
