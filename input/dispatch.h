#pragma once
// The decisions of the key and mouse dispatch, as pure functions: which key
// category a virtual-key code sounds, and what one hook message does to the
// tray picture and whether it sounds. The window handlers only carry them out.

#include <cstdint>
#include <string>

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

// What a key event plays from the scheme: the key's own sound where the
// scheme gives the key (a row of KeyTable(), -1 for none) one, else its
// category's; `reference` null when it is silent. A category switched off
// silences its keys, their own sounds too; a press or release without a sound
// of its own or of its category is silent (an imported pack names keys
// alone, its categories on and empty).
struct ChosenSound {
  const std::string* reference = nullptr;
  int32_t volume = 0;
};
ChosenSound ChooseKeySound(const TScheme& scheme, int keyRow, KeyCategory category, bool release);

// The row of KeyTable() of a key event: its virtual-key code and the scan
// code and extended bit of its keystroke flags.
int KeyRowOfEvent(uint32_t virtualKey, uint32_t flags);
