#pragma once
// The six global hotkeys: their bindings in the settings, the two encodings of
// a combination, and the volume and scheme steps they perform.

#include <array>
#include <cstdint>

#include "settings/settings.h"

struct HotkeyBinding {
  const char* atomName;            // the global atom that identifies it
  uint16_t Settings::*hotKey;      // key code | 0x2000 Shift | 0x4000 Ctrl | 0x8000 Alt
  uint16_t Settings::*modifiers;   // MOD_ALT 1 | MOD_CONTROL 2 | MOD_SHIFT 4
};

// In the order in which they are registered and tested.
inline constexpr std::array<HotkeyBinding, 6> kHotkeyBindings = {{
    {"HotkeyOptions", &Settings::OptionsHotKey, &Settings::OptionsModifiers},
    {"HotkeySound", &Settings::SoundHotKey, &Settings::SoundModifiers},
    {"HotkeyUpVolume", &Settings::VolumeUpHotKey, &Settings::VolumeUpHotKeyModifiers},
    {"HotkeyDownVolume", &Settings::VolumeDownHotKey, &Settings::VolumeDownHotKeyModifiers},
    {"HotkeyNextScheme", &Settings::NextSchemeHotKey, &Settings::NextSchemeHotKeyModifiers},
    {"HotkeyPrevScheme", &Settings::PrevSchemeHotKey, &Settings::PrevSchemeHotKeyModifiers},
}};

enum HotkeyAction { kHotkeyOptions, kHotkeySound, kHotkeyVolumeUp, kHotkeyVolumeDown, kHotkeyNextScheme,
                    kHotkeyPrevScheme };

// The key code handed to the system: the combination without its modifier bits.
inline uint32_t HotkeyKeyCode(uint16_t hotKey) { return hotKey & 0x1FFFu; }

// From a hotkey control's value (key code in the low byte, the control's
// Shift 1 / Ctrl 2 / Alt 4 / extended 8 flags in the high byte).
inline uint16_t HotKeyFromControl(uint16_t controlValue) {
  uint32_t key = controlValue & 0xFFu;
  uint32_t flags = (controlValue >> 8) & 0x07u;  // the extended-key flag falls away
  return static_cast<uint16_t>(key | (flags << 13));
}
inline uint16_t ModifiersFromControl(uint16_t controlValue) {
  uint32_t flags = (controlValue >> 8) & 0xFFu;
  uint16_t modifiers = 0;
  if (flags & 0x4) modifiers |= 1;  // Alt
  if (flags & 0x2) modifiers |= 2;  // Ctrl
  if (flags & 0x1) modifiers |= 4;  // Shift
  return modifiers;
}
// The other way, for filling a hotkey control from a stored combination.
inline uint16_t ControlValueOf(uint16_t hotKey) {
  return static_cast<uint16_t>((hotKey & 0xFFu) | (((hotKey >> 13) & 0x7u) << 8));
}

inline int32_t VolumeRaised(int32_t volume, int32_t step) {
  int64_t v = static_cast<int64_t>(volume) + step;
  return static_cast<int32_t>(v > 100 ? 100 : v);
}
inline int32_t VolumeLowered(int32_t volume, int32_t step) {
  int64_t v = static_cast<int64_t>(volume) - step;
  return static_cast<int32_t>(v < 0 ? 0 : v);
}

// The scheme after (or before) `current` in a list of `count`, wrapping at
// both ends. With no current scheme (-1) the next is the first and the
// previous the last. An empty list gives -1: nothing to switch to.
inline int NextSchemeIndex(int current, int count) {
  if (count <= 0) return -1;
  return current >= count - 1 ? 0 : current + 1;
}
inline int PreviousSchemeIndex(int current, int count) {
  if (count <= 0) return -1;
  return current <= 0 || current >= count ? count - 1 : current - 1;
}
